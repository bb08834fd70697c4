// The generic Locate: a scan with First/Next comparing field values as variants. Datasets
// that can search their own storage faster override Locate.
#include <compare>

#include "codepage/code_page.h"
#include "dataset/data_set.h"
#include "dataset/key_fields.h"

namespace kvr {

namespace {

bool FieldMatches(const TField& field, const Variant& key, const LocateOptions& options) {
  if (field.IsNull()) return key.IsEmptyOrNull();
  if (key.IsEmptyOrNull()) return false;
  if (field.Kind() == ValueKind::Text) {
    std::string value = field.AsString();
    std::string wanted = VarToStr(key);
    if (options.case_insensitive) {
      value = codepage::AnsiUpperCase(value);
      wanted = codepage::AnsiUpperCase(wanted);
    }
    if (options.partial_key) return value.compare(0, wanted.size(), wanted) == 0;
    return value == wanted;
  }
  try {
    return VarCompare(field.AsVariant(), key) == std::partial_ordering::equivalent;
  } catch (const EVariantError&) {
    return false;  // a key that does not convert to the field's type matches nothing
  }
}

}  // namespace

bool TDataSet::Locate(std::string_view key_fields, const Variant& key_values,
                      LocateOptions options) {
  CheckBrowseMode();
  std::vector<TField*> fields;
  for (std::string_view name : SplitKeyFields(key_fields)) fields.push_back(&FieldByName(name));
  if (fields.empty()) return false;
  std::vector<Variant> keys;
  for (std::size_t i = 0; i < fields.size(); ++i) keys.push_back(KeyValueAt(key_values, i));

  const TBookmark start = GetBookmark();
  for (First(); !Eof(); Next()) {
    bool all = true;
    for (std::size_t i = 0; i < fields.size() && all; ++i)
      all = FieldMatches(*fields[i], keys[i], options);
    if (all) return true;
  }
  if (!start.empty()) GotoBookmark(start);
  return false;
}

}  // namespace kvr
