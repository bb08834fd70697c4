#include "entry/payment_catalogue.h"

#include <cstdint>
#include <string_view>
#include <vector>

#include "common/format_text.h"
#include "common/text.h"
#include "entry/host_context.h"
#include "entry/host_memory_probe.h"
#include "platform/memory_probe.h"
#include "platform/ui_sinks.h"

namespace kvr {
namespace {

using namespace kvr::literals;

constexpr std::uint32_t kBeepFrequencyHz = 500;
constexpr std::uint32_t kBeepDurationMs = 100;
constexpr int kLastDefaultCode = 12;

// What the catalogue object (or its absence) gave for each row.
struct RowAnswers {
  bool with_object = false;
  std::vector<std::int32_t> codes;
  std::vector<std::int32_t> check_types;  // -1 without an object
  bool operator==(const RowAnswers&) const = default;
};

// The last catalogue built in full, with what it was built from: a host that answers the same
// again gets the same catalogue without the table being made anew (a million names cost
// seconds). Only complete builds are kept.
struct LastBuild {
  bool valid = false;
  bool default_names = false;
  Variant names;  // after the '&' was removed
  RowAnswers rows;
  Variant table;
};

struct Catalogue {
  Variant names;
  Variant table;
  LastBuild last;
};

Catalogue& TheCatalogue() {
  static Catalogue catalogue;
  return catalogue;
}

Variant DefaultPaymentNames() {
  static constexpr std::string_view kNames[kDefaultPaymentTypeCount] = {
      "&Наличные"_w,    "&Платеж. терминал"_w, "&Товарные карты"_w,
      "&Безналичные"_w, "&Ведомость +"_w,      "&Мерник"_w,
      "&ЛНР"_w,         "&Самообслуживание"_w, "&Договорной"_w,
      "&Талоны"_w,      "&Дисконтные карты"_w, "&Переливы"_w,
      "ЛБР"_w};
  VariantArray names(0, kDefaultPaymentTypeCount - 1, VT_BSTR);
  for (int i = 0; i < kDefaultPaymentTypeCount; ++i) names.Put(i, Variant(kNames[i]));
  return Variant(std::move(names));
}

// Removes the leading '&' of every name from index 0 to the high bound.
void StripAmpersands(VariantArray& names) {
  for (int i = 0; i <= names.HighBound(); ++i) {
    std::string name = names.Get(i).AsText();
    if (!name.empty() && name.front() == '&') names.Put(i, Variant(name.substr(1)));
  }
}

// Whether the host's answer `answer` (an array) gives `names` once StripAmpersands has run.
bool GivesNames(const VariantArray& answer, const VariantArray& names) {
  if (answer.DimCount() != names.DimCount() || answer.DimCount() != 1 ||
      answer.LowBound() != names.LowBound() || answer.HighBound() != names.HighBound() ||
      answer.ElementType() != names.ElementType())
    return false;
  for (int i = answer.LowBound(); i <= answer.HighBound(); ++i) {
    const Variant& given = answer.Get(i);
    const Variant& kept = names.Get(i);
    if (given.IsText() && kept.IsText()) {
      std::string_view text = given.StoredText();
      if (i >= 0 && !text.empty() && text.front() == '&') text.remove_prefix(1);
      if (text != kept.StoredText()) return false;
    } else if (given.Type() != kept.Type() || !(given == kept)) {
      return false;
    }
  }
  return true;
}

[[noreturn]] void RaiseBadHostObject(const char* what) {
  throw Exception(Format("Host payment catalogue object is not usable: %s", {what}));
}

// The host's catalogue object behind a pointer-sized integer, checked before use.
kvr_payment_catalogue* CatalogueObject(std::int64_t reference) {
  if (reference == 0) return nullptr;
  auto* object = reinterpret_cast<kvr_payment_catalogue*>(static_cast<std::intptr_t>(reference));
  if (!platform::IsReadableMemory(object, sizeof *object)) RaiseBadHostObject("unreadable");
  if (object->magic != KVR_PAYMENT_CATALOGUE_MAGIC) RaiseBadHostObject("wrong magic number");
  if (!platform::IsReadableMemory(object->vtable, sizeof *object->vtable) || !object->vtable->item)
    RaiseBadHostObject("no item function");
  return object;
}

kvr_payment_item* Item(HostMemoryProbe& probe, kvr_payment_catalogue* catalogue, int index) {
  kvr_payment_item* item = catalogue->vtable->item(catalogue, index);
  if (!probe.Readable(item, sizeof *item) || !probe.Readable(item->vtable, sizeof *item->vtable) ||
      !item->vtable->code || !item->vtable->check_type)
    throw Exception(Format("Host payment catalogue has no usable item %d", {index}));
  return item;
}

// Step 2 of the table: the object, or none after a beep when asking or converting fails.
kvr_payment_catalogue* AskCatalogueObject(kvr_host_callback callback) {
  if (!callback) return nullptr;
  try {
    Variant answer = AskHost(callback, host_query::kPaymentCatalogue);
    if (answer.IsText()) return nullptr;
    return CatalogueObject(answer.AsInt64());
  } catch (...) {
    platform::Beep(kBeepFrequencyHz, kBeepDurationMs);
    return nullptr;
  }
}

// Codes and check types of `count` rows, asked in the order the table needs them (the beeps
// of rows without a code included). Raises when the host object fails.
RowAnswers AskRows(int count, kvr_host_callback callback) {
  RowAnswers rows;
  kvr_payment_catalogue* object = AskCatalogueObject(callback);
  rows.with_object = object != nullptr;
  rows.codes.reserve(static_cast<std::size_t>(count));
  rows.check_types.reserve(static_cast<std::size_t>(count));
  HostMemoryProbe probe;
  for (int i = 0; i < count; ++i) {
    std::int32_t code = 0;
    std::int32_t check_type = -1;
    if (object) {
      kvr_payment_item* item =
          Item(probe, object, i);  // fetched anew for each call, as hosts expect
      code = item->vtable->code(item);
      item = Item(probe, object, i);
      check_type = item->vtable->check_type(item);
    } else if (i <= kLastDefaultCode) {
      code = i;
    } else {
      platform::Beep(kBeepFrequencyHz, kBeepDurationMs);
    }
    rows.codes.push_back(code);
    rows.check_types.push_back(check_type);
  }
  return rows;
}

std::string IntegerText(std::int64_t value) { return Variant(value).AsText(); }

Variant TableOf(const VariantArray& names, const RowAnswers& rows) {
  const int count = static_cast<int>(rows.codes.size());
  VariantArray table(0, count - 1, 0, kPaymentTypeColumns - 1, VT_BSTR);
  for (int i = 0; i < count; ++i) {
    const std::int32_t code = rows.codes[static_cast<std::size_t>(i)];
    table.Put(i, 0, names.Get(i));
    table.Put(i, 1, Variant(IntegerText(code)));
    table.Put(i, 2, Variant(IntegerText(code % 100)));
    table.Put(i, 3, Variant(IntegerText(rows.check_types[static_cast<std::size_t>(i)])));
  }
  return Variant(std::move(table));
}

}  // namespace

const Variant& PaymentNames() { return TheCatalogue().names; }
const Variant& PaymentTypeTable() { return TheCatalogue().table; }

Variant BuildPaymentTypeTable(const Variant& names_variant, kvr_host_callback callback) {
  const VariantArray& names = names_variant.Array();
  return TableOf(names, AskRows(names.HighBound() + 1, callback));
}

void BuildPaymentCatalogue() noexcept {
  Catalogue& catalogue = TheCatalogue();
  LastBuild& last = catalogue.last;
  catalogue.names = Variant();
  catalogue.table = Variant();
  const bool was_valid = last.valid;
  last.valid = false;  // until this build completes
  try {
    kvr_host_callback callback = TheHostContext().callback;
    if (!callback) return;
    Variant answer = AskHost(callback, host_query::kPaymentNames);
    const bool same_names =
        was_valid &&
        (answer.IsArray() ? !last.default_names && GivesNames(answer.Array(), last.names.Array())
                          : last.default_names);
    if (same_names) {
      catalogue.names = last.names;
    } else {
      catalogue.names = answer.IsArray() ? answer : DefaultPaymentNames();
      VariantArray names = catalogue.names.Array();  // shares the elements
      StripAmpersands(names);
    }
    const VariantArray& names = catalogue.names.Array();
    RowAnswers rows = AskRows(names.HighBound() + 1, callback);
    if (same_names && rows == last.rows) {
      catalogue.table = last.table;
    } else {
      catalogue.table = TableOf(names, rows);
      last.names = catalogue.names;
      last.default_names = !answer.IsArray();
      last.rows = std::move(rows);
      last.table = catalogue.table;
    }
    last.valid = true;
  } catch (...) {
    // The catalogue keeps what was assigned before the failure.
  }
}

void ReleasePaymentCatalogue() noexcept {
  Catalogue& catalogue = TheCatalogue();
  catalogue.names = Variant();
  catalogue.table = Variant();
  catalogue.last = LastBuild();
}

}  // namespace kvr
