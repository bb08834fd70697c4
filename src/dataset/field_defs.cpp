#include "dataset/field_defs.h"

#include "codepage/code_page.h"
#include "common/exceptions.h"
#include "common/format_text.h"

namespace kvr {

TFieldDef& TFieldDefs::Add(std::string_view name, FieldType type, int size, bool required) {
  items_.emplace_back(std::string(name), type, size, required, Count() + 1);
  return items_.back();
}

void TFieldDefs::Assign(const TFieldDefs& source) {
  if (&source == this) return;
  items_.clear();
  items_.reserve(source.items_.size());
  for (const TFieldDef& def : source.items_) {
    TFieldDef& copy = Add(def.Name(), def.DataType(), def.Size(), def.Required());
    copy.SetPrecision(def.Precision());
  }
}

int TFieldDefs::IndexOf(std::string_view name) const {
  for (std::size_t i = 0; i < items_.size(); ++i)
    if (codepage::AnsiSameText(items_[i].Name(), name)) return static_cast<int>(i);
  return -1;
}

std::size_t TFieldDefs::IndexOfExisting(std::string_view name) const {
  int index = IndexOf(name);
  if (index < 0) throw EDatabaseError(Format("Field '%s' not found", {name}));
  return static_cast<std::size_t>(index);
}

TFieldDef& TFieldDefs::Find(std::string_view name) { return items_[IndexOfExisting(name)]; }

const TFieldDef& TFieldDefs::Find(std::string_view name) const {
  return items_[IndexOfExisting(name)];
}

}  // namespace kvr
