#include "scripted_host.h"

#include <algorithm>
#include <cstring>

#include "host_params.h"

namespace kvr::test {

ScriptedHost& Host() {
  static ScriptedHost host;
  return host;
}

int ScriptedHost::TimesAsked(std::int32_t code) const {
  return static_cast<int>(std::count(asked.begin(), asked.end(), code));
}

void HostCallback(kvr_variant* answer, std::int32_t code, std::int32_t /*arg*/) {
  ScriptedHost& host = Host();
  host.asked.push_back(code);
  auto it = host.answers.find(code);
  if (it != host.answers.end()) it->second(answer);
}

Answer AnswerInteger(std::int32_t value) {
  return [value](kvr_variant* v) { kvr_variant_set_i4(v, value); };
}

Answer AnswerText(const std::string& utf8) {
  return [utf8](kvr_variant* v) { kvr_variant_set_utf8(v, utf8.c_str()); };
}

Answer AnswerNames(const std::vector<std::string>& utf8_names) {
  return [utf8_names](kvr_variant* v) {
    std::vector<const char*> names;
    for (const std::string& name : utf8_names) names.push_back(name.c_str());
    *v = host_names_array(names.data(), static_cast<std::uint32_t>(names.size()));
  };
}

Answer AnswerPointer(const void* pointer) {
  return [pointer](kvr_variant* v) { kvr_variant_set_pointer(v, pointer); };
}

Answer AnswerRaw(kvr_vartype vt, std::uint64_t bits) {
  return [vt, bits](kvr_variant* v) {
    v->vt = vt;
    std::memcpy(&v->value, &bits, sizeof bits);
  };
}

kvr_array SingleVariantDescriptor(kvr_variant* element) {
  kvr_array descriptor{};
  descriptor.dims = 1;
  descriptor.element_size = sizeof(kvr_variant);
  descriptor.element_type = KVR_VT_VARIANT;
  descriptor.bounds[0].count = 1;
  descriptor.data = element;
  return descriptor;
}

TestCatalogue::TestCatalogue(std::vector<Entry> entries) {
  static const kvr_payment_catalogue_vtable kCatalogueTable = {&TestCatalogue::ItemAt};
  static const kvr_payment_item_vtable kItemTable = {&TestCatalogue::CodeOf,
                                                     &TestCatalogue::CheckTypeOf};
  object_.base.magic = KVR_PAYMENT_CATALOGUE_MAGIC;
  object_.base.vtable = &kCatalogueTable;
  object_.owner = this;
  for (const Entry& e : entries) items_.push_back(Item{{&kItemTable}, e});
}

kvr_payment_item* TestCatalogue::ItemAt(kvr_payment_catalogue* self, std::int32_t index) {
  TestCatalogue* catalogue = reinterpret_cast<HostObject*>(self)->owner;
  ++catalogue->item_calls_;
  if (index < 0 || index >= static_cast<int>(catalogue->items_.size())) return nullptr;
  if (catalogue->refuse_from_ >= 0 && index >= catalogue->refuse_from_) return nullptr;
  return &catalogue->items_[index].base;
}

std::int32_t TestCatalogue::CodeOf(kvr_payment_item* item) {
  return reinterpret_cast<Item*>(item)->entry.code;
}

std::uint8_t TestCatalogue::CheckTypeOf(kvr_payment_item* item) {
  return reinterpret_cast<Item*>(item)->entry.check_type;
}

}  // namespace kvr::test
