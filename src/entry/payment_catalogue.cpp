#include "entry/payment_catalogue.h"

#include <cstdint>

#include "common/format_text.h"
#include "common/text.h"
#include "entry/host_context.h"
#include "platform/memory_probe.h"
#include "platform/ui_sinks.h"

namespace kvr {
namespace {

using namespace kvr::literals;

constexpr std::uint32_t kBeepFrequencyHz = 500;
constexpr std::uint32_t kBeepDurationMs = 100;
constexpr int kLastDefaultCode = 12;

struct Catalogue {
  Variant names;
  Variant table;
};

Catalogue& TheCatalogue() {
  static Catalogue catalogue;
  return catalogue;
}

Variant DefaultPaymentNames() {
  static constexpr std::string_view kNames[kDefaultPaymentTypeCount] = {
      "&Наличные"_w,    "&Платеж. терминал"_w,  "&Товарные карты"_w, "&Безналичные"_w,
      "&Ведомость +"_w, "&Мерник"_w,            "&ЛНР"_w,            "&Самообслуживание"_w,
      "&Договорной"_w,  "&Талоны"_w,            "&Дисконтные карты"_w, "&Переливы"_w,
      "ЛБР"_w};
  VariantArray names(0, kDefaultPaymentTypeCount - 1, VT_BSTR);
  for (int i = 0; i < kDefaultPaymentTypeCount; ++i) names.Put(i, Variant(kNames[i]));
  return Variant(std::move(names));
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

kvr_payment_item* Item(kvr_payment_catalogue* catalogue, int index) {
  kvr_payment_item* item = catalogue->vtable->item(catalogue, index);
  if (!platform::IsReadableMemory(item, sizeof *item) ||
      !platform::IsReadableMemory(item->vtable, sizeof *item->vtable) || !item->vtable->code ||
      !item->vtable->check_type)
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

std::string IntegerText(std::int64_t value) { return Variant(value).AsText(); }

}  // namespace

const Variant& PaymentNames() { return TheCatalogue().names; }
const Variant& PaymentTypeTable() { return TheCatalogue().table; }

Variant BuildPaymentTypeTable(const Variant& names_variant, kvr_host_callback callback) {
  const VariantArray& names = names_variant.Array();
  const int count = names.HighBound() + 1;
  VariantArray table(0, count - 1, 0, kPaymentTypeColumns - 1, VT_BSTR);
  kvr_payment_catalogue* object = AskCatalogueObject(callback);
  for (int i = 0; i < count; ++i) {
    table.Put(i, 0, names.Get(i));
    table.Put(i, 3, Variant("-1"));
    std::int32_t code = 0;
    if (object) {
      kvr_payment_item* item = Item(object, i);  // fetched anew for each call, as hosts expect
      code = item->vtable->code(item);
      item = Item(object, i);
      table.Put(i, 3, Variant(IntegerText(item->vtable->check_type(item))));
    } else if (i <= kLastDefaultCode) {
      code = i;
    } else {
      platform::Beep(kBeepFrequencyHz, kBeepDurationMs);
    }
    table.Put(i, 1, Variant(IntegerText(code)));
    table.Put(i, 2, Variant(IntegerText(code % 100)));
  }
  return Variant(std::move(table));
}

void BuildPaymentCatalogue() noexcept {
  Catalogue& catalogue = TheCatalogue();
  catalogue.names = Variant();
  catalogue.table = Variant();
  try {
    kvr_host_callback callback = TheHostContext().callback;
    if (!callback) return;
    catalogue.names = AskHost(callback, host_query::kPaymentNames);
    if (!catalogue.names.IsArray()) catalogue.names = DefaultPaymentNames();
    VariantArray names = catalogue.names.Array();  // shares the elements
    for (int i = 0; i <= names.HighBound(); ++i) {
      std::string name = names.Get(i).AsText();
      if (!name.empty() && name.front() == '&') names.Put(i, Variant(name.substr(1)));
    }
    catalogue.table = BuildPaymentTypeTable(catalogue.names, callback);
  } catch (...) {
    // The catalogue keeps what was assigned before the failure.
  }
}

void ReleasePaymentCatalogue() noexcept {
  Catalogue& catalogue = TheCatalogue();
  catalogue.names = Variant();
  catalogue.table = Variant();
}

}  // namespace kvr
