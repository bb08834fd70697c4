#include "dataset/key_fields.h"

namespace kvr {

namespace {
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
}  // namespace

std::vector<std::string_view> SplitKeyFields(std::string_view key_fields) {
  std::vector<std::string_view> names;
  std::size_t start = 0;
  while (start <= key_fields.size()) {
    std::size_t end = key_fields.find(';', start);
    if (end == std::string_view::npos) end = key_fields.size();
    std::string_view name = key_fields.substr(start, end - start);
    while (!name.empty() && IsBlank(name.front())) name.remove_prefix(1);
    while (!name.empty() && IsBlank(name.back())) name.remove_suffix(1);
    if (!name.empty()) names.push_back(name);
    start = end + 1;
  }
  return names;
}

Variant KeyValueAt(const Variant& key_values, std::size_t position) {
  if (!key_values.IsArray()) return position == 0 ? key_values : Variant::Null();
  const VariantArray& array = key_values.Array();
  if (array.DimCount() != 1) return Variant::Null();
  const long index = array.LowBound() + static_cast<long>(position);
  if (index > array.HighBound()) return Variant::Null();
  return array.Get(static_cast<int>(index));
}

}  // namespace kvr
