#include <vector>

#include "common/variant.h"

namespace kvr {

struct VariantArray::Data {
  int dims = 1;
  int low[2] = {0, 0};
  int count[2] = {0, 1};  // elements per dimension; the second is 1 for one dimension
  VarType element_type = VT_VARIANT;
  std::vector<Variant> elements;
};

namespace {

[[noreturn]] void RaiseBadIndex() {
  throw EVariantBadIndexError("Variant or safe array index out of bounds");
}

int CountOf(int low, int high) {
  long long count = static_cast<long long>(high) - low + 1;
  if (count < 0 || count > (1 << 28)) throw EVariantError("Error creating variant or safe array");
  return static_cast<int>(count);
}

Variant DefaultElement(VarType type) {
  return type == VT_VARIANT ? Variant() : Variant().ChangeType(type);
}

}  // namespace

VariantArray::VariantArray(int low, int high, VarType element_type)
    : data_(std::make_shared<Data>()) {
  data_->low[0] = low;
  data_->count[0] = CountOf(low, high);
  data_->element_type = element_type;
  data_->elements.assign(data_->count[0], DefaultElement(element_type));
}

VariantArray::VariantArray(int low1, int high1, int low2, int high2, VarType element_type)
    : data_(std::make_shared<Data>()) {
  data_->dims = 2;
  data_->low[0] = low1;
  data_->low[1] = low2;
  data_->count[0] = CountOf(low1, high1);
  data_->count[1] = CountOf(low2, high2);
  if (static_cast<long long>(data_->count[0]) * data_->count[1] > (1 << 28))
    throw EVariantError("Error creating variant or safe array");
  data_->element_type = element_type;
  data_->elements.assign(static_cast<std::size_t>(data_->count[0]) * data_->count[1],
                         DefaultElement(element_type));
}

int VariantArray::DimCount() const { return data_->dims; }

int VariantArray::LowBound(int dim) const {
  if (dim < 1 || dim > data_->dims) RaiseBadIndex();
  return data_->low[dim - 1];
}

int VariantArray::HighBound(int dim) const {
  if (dim < 1 || dim > data_->dims) RaiseBadIndex();
  // Summed wide: low + count alone can pass INT_MAX where the high bound does not.
  return static_cast<int>(static_cast<long long>(data_->low[dim - 1]) + data_->count[dim - 1] - 1);
}

VarType VariantArray::ElementType() const { return data_->element_type; }

std::size_t VariantArray::ElementCount() const { return data_->elements.size(); }

std::size_t VariantArray::Offset(int index) const {
  long long i = static_cast<long long>(index) - data_->low[0];
  if (data_->dims != 1 || i < 0 || i >= data_->count[0]) RaiseBadIndex();
  return static_cast<std::size_t>(i);
}

std::size_t VariantArray::Offset(int index1, int index2) const {
  long long i = static_cast<long long>(index1) - data_->low[0];
  long long j = static_cast<long long>(index2) - data_->low[1];
  if (data_->dims != 2 || i < 0 || i >= data_->count[0] || j < 0 || j >= data_->count[1])
    RaiseBadIndex();
  return static_cast<std::size_t>(i * data_->count[1] + j);
}

Variant VariantArray::Coerce(Variant value) const {
  if (data_->element_type == VT_VARIANT || value.Type() == data_->element_type) return value;
  return value.ChangeType(data_->element_type);
}

const Variant& VariantArray::Get(int index) const { return data_->elements[Offset(index)]; }

const Variant& VariantArray::Get(int index1, int index2) const {
  return data_->elements[Offset(index1, index2)];
}

void VariantArray::Put(int index, Variant value) {
  std::size_t offset = Offset(index);
  data_->elements[offset] = Coerce(std::move(value));
}

void VariantArray::Put(int index1, int index2, Variant value) {
  std::size_t offset = Offset(index1, index2);
  data_->elements[offset] = Coerce(std::move(value));
}

VariantArray VariantArray::Clone() const { return VariantArray(std::make_shared<Data>(*data_)); }

}  // namespace kvr
