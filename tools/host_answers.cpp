#include "host_answers.h"

#include <memory>

namespace kvr::host {
namespace {

const HostSettings* g_settings = nullptr;
std::unique_ptr<PaymentCatalogueObject> g_catalogue;

void AnswerNames(kvr_variant* answer, const std::vector<std::string>& names) {
  kvr_array* array = kvr_array_create(0, static_cast<std::uint32_t>(names.size()), 0, 0);
  if (!array) return;
  for (std::size_t i = 0; i < names.size(); ++i)
    kvr_variant_set_utf8(kvr_array_at(array, static_cast<std::int32_t>(i), 0), names[i].c_str());
  kvr_variant_set_array(answer, array);
}

}  // namespace

PaymentCatalogueObject::PaymentCatalogueObject(const std::vector<PaymentCode>& codes) {
  static const kvr_payment_catalogue_vtable kCatalogueTable = {&ItemAt};
  static const kvr_payment_item_vtable kItemTable = {&CodeOf, &CheckTypeOf};
  object_.base.magic = KVR_PAYMENT_CATALOGUE_MAGIC;
  object_.base.vtable = &kCatalogueTable;
  object_.owner = this;
  for (const PaymentCode& code : codes) items_.push_back(Item{{&kItemTable}, code});
}

kvr_payment_item* PaymentCatalogueObject::ItemAt(kvr_payment_catalogue* self, std::int32_t index) {
  PaymentCatalogueObject* owner = reinterpret_cast<HostObject*>(self)->owner;
  if (index < 0 || index >= static_cast<std::int32_t>(owner->items_.size())) return nullptr;
  return &owner->items_[index].base;
}

std::int32_t PaymentCatalogueObject::CodeOf(kvr_payment_item* item) {
  return reinterpret_cast<Item*>(item)->code.code;
}

std::uint8_t PaymentCatalogueObject::CheckTypeOf(kvr_payment_item* item) {
  return reinterpret_cast<Item*>(item)->code.check_type;
}

void UseHostSettings(const HostSettings& settings) {
  g_settings = &settings;
  g_catalogue.reset();
  if (settings.payment_codes)
    g_catalogue = std::make_unique<PaymentCatalogueObject>(*settings.payment_codes);
}

void HostCallback(kvr_variant* answer, std::int32_t code, std::int32_t /*arg*/) {
  if (!answer || !g_settings) return;
  const HostSettings& s = *g_settings;
  switch (code) {
    case 5:
      if (s.database_dir) kvr_variant_set_utf8(answer, s.database_dir->c_str());
      break;
    case 8: kvr_variant_set_bool(answer, s.office_mode); break;
    case 13:
      if (s.station) kvr_variant_set_utf8(answer, s.station->c_str());
      break;
    case 17: kvr_variant_set_bool(answer, s.ka_column); break;
    case 23:
      if (s.payment_names) AnswerNames(answer, *s.payment_names);
      break;
    case 46: kvr_variant_set_i4(answer, s.host_kind); break;
    case 57: kvr_variant_set_pointer(answer, g_catalogue ? g_catalogue->Object() : nullptr); break;
    default: break;  // unknown queries stay unanswered (empty)
  }
}

}  // namespace kvr::host
