#include "entry/host_variant.h"

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "codepage/code_page.h"
#include "common/format_text.h"
#include "entry/host_memory_probe.h"

namespace kvr {
namespace {

// Limits that keep a wrong descriptor from asking for absurd amounts of memory.
constexpr std::uint32_t kMaxTextBytes = 64u << 20;
constexpr std::uint64_t kMaxArrayElements = 1u << 24;
constexpr int kMaxNesting = 16;

[[noreturn]] void RaiseBadType() { throw EVariantBadVarTypeError("Invalid variant type"); }

void RequireReadable(HostMemoryProbe& probe, const void* address, std::size_t size) {
  if (!probe.Readable(address, size)) {
    // Spelled out here, not with %p, whose text differs between C libraries ("(nil)").
    char hex[2 + 2 * sizeof(void*)] = {'0', 'x'};
    const auto end =
        std::to_chars(hex + 2, hex + sizeof hex, reinterpret_cast<std::uintptr_t>(address), 16).ptr;
    throw EAccessViolation(Format("Access violation: read of address %s",
                                  {std::string(hex, static_cast<std::size_t>(end - hex))}));
  }
}

std::string TextFromBstr(HostMemoryProbe& probe, const kvr_wchar* bstr) {
  if (!bstr) return std::string();
  const auto* prefix = reinterpret_cast<const unsigned char*>(bstr) - sizeof(std::uint32_t);
  RequireReadable(probe, prefix, sizeof(std::uint32_t));
  std::uint32_t bytes;
  std::memcpy(&bytes, prefix, sizeof bytes);
  if (bytes > kMaxTextBytes) RaiseBadType();
  std::size_t count = bytes / sizeof(kvr_wchar);
  RequireReadable(probe, bstr, count * sizeof(kvr_wchar));
  return codepage::Cp1251FromUtf16(bstr, count);
}

std::size_t SizeOfElement(kvr_vartype type) {
  switch (type) {
    case KVR_VT_VARIANT: return sizeof(kvr_variant);
    case KVR_VT_BSTR: return sizeof(kvr_bstr);
    case KVR_VT_I2:
    case KVR_VT_BOOL: return 2;
    case KVR_VT_I4: return 4;
    case KVR_VT_R8:
    case KVR_VT_DATE:
    case KVR_VT_I8: return 8;
    default: RaiseBadType();
  }
}

Variant Convert(HostMemoryProbe& probe, const kvr_variant& value, int depth);

// One array element as a variant of the array's element type.
Variant ConvertElement(HostMemoryProbe& probe, const unsigned char* at, kvr_vartype type,
                       int depth) {
  kvr_variant v;
  kvr_variant_init(&v);
  if (type == KVR_VT_VARIANT)
    return Convert(probe, *reinterpret_cast<const kvr_variant*>(at), depth);
  v.vt = type;
  std::memcpy(&v.value, at, SizeOfElement(type));
  return Convert(probe, v, depth);
}

Variant ConvertArray(HostMemoryProbe& probe, const kvr_array* array, kvr_vartype declared_type,
                     int depth) {
  if (depth >= kMaxNesting) RaiseBadType();
  RequireReadable(probe, array, sizeof *array);
  kvr_array a;
  std::memcpy(&a, array, sizeof a);
  const std::size_t element_size = SizeOfElement(a.element_type);
  if ((a.dims != 1 && a.dims != 2) || a.element_type != declared_type ||
      a.element_size != element_size)
    RaiseBadType();
  std::uint64_t total = a.bounds[0].count;
  if (a.dims == 2) total *= a.bounds[1].count;
  for (int d = 0; d < a.dims; ++d)
    // A high bound of INT32_MAX would leave no index past it to end a loop over the bounds.
    if (static_cast<std::int64_t>(a.bounds[d].lower) + a.bounds[d].count - 1 >= INT32_MAX)
      RaiseBadType();
  if (total > kMaxArrayElements) RaiseBadType();
  if (total > 0) RequireReadable(probe, a.data, total * element_size);

  const int low1 = a.bounds[0].lower;
  const int high1 = static_cast<int>(low1 + static_cast<std::int64_t>(a.bounds[0].count) - 1);
  const auto* data = static_cast<const unsigned char*>(a.data);
  const kvr_vartype ours = a.element_type == KVR_VT_VARIANT ? VT_VARIANT : a.element_type;
  if (a.dims == 1) {
    VariantArray result(low1, high1, ours);
    for (std::uint32_t i = 0; i < a.bounds[0].count; ++i)
      result.Put(low1 + static_cast<int>(i),
                 ConvertElement(probe, data + i * element_size, a.element_type, depth + 1));
    return Variant(std::move(result));
  }
  const int low2 = a.bounds[1].lower;
  const int high2 = static_cast<int>(low2 + static_cast<std::int64_t>(a.bounds[1].count) - 1);
  VariantArray result(low1, high1, low2, high2, ours);
  std::size_t offset = 0;
  for (std::uint32_t i = 0; i < a.bounds[0].count; ++i)
    for (std::uint32_t j = 0; j < a.bounds[1].count; ++j, offset += element_size)
      result.Put(low1 + static_cast<int>(i), low2 + static_cast<int>(j),
                 ConvertElement(probe, data + offset, a.element_type, depth + 1));
  return Variant(std::move(result));
}

Variant Convert(HostMemoryProbe& probe, const kvr_variant& value, int depth) {
  switch (value.vt) {
    case KVR_VT_EMPTY: return Variant();
    case KVR_VT_NULL: return Variant::Null();
    case KVR_VT_I2: return Variant(value.value.i2);
    case KVR_VT_I4: return Variant(value.value.i4);
    case KVR_VT_I8: return Variant(value.value.i8);
    case KVR_VT_R8: return Variant(value.value.r8);
    case KVR_VT_DATE: return Variant::FromDateTime(value.value.date);
    case KVR_VT_BOOL: return Variant(value.value.boolean != 0);
    case KVR_VT_BSTR: return Variant(TextFromBstr(probe, value.value.bstr));
    default:
      if (value.vt & KVR_VT_ARRAY)
        return ConvertArray(probe, value.value.array,
                            static_cast<kvr_vartype>(value.vt & ~KVR_VT_ARRAY), depth);
      RaiseBadType();
  }
}

}  // namespace

Variant FromHostVariant(const kvr_variant& value) {
  HostMemoryProbe probe;
  return Convert(probe, value, 0);
}

Variant TakeHostVariant(kvr_variant& answer) {
  try {
    HostMemoryProbe probe;
    Variant result = Convert(probe, answer, 0);
    kvr_variant_clear(&answer);
    return result;
  } catch (...) {
    kvr_variant_init(&answer);  // not freed: what failed the checks cannot be freed safely
    throw;
  }
}

}  // namespace kvr
