// Variants crossing the host interface: the 16-byte C variants of kvr/host_abi.h turned into
// the library's Variant. Everything the host hands over is checked before it is read (type
// codes, array descriptors, sizes, readable memory), so a wrong answer becomes an error.
#pragma once

#include "common/exceptions.h"
#include "common/variant.h"
#include "kvr/host_abi.h"

namespace kvr {

KVR_DECLARE_EXCEPTION(EVariantBadVarTypeError, EVariantError);
// Raised when a host variant points at memory this process cannot read.
KVR_DECLARE_EXCEPTION(EAccessViolation, Exception);

// A copy of the host's variant as a Variant; BSTRs become Windows-1251 texts (characters
// without a Windows-1251 byte become '?'). Raises EVariantBadVarTypeError "Invalid variant
// type" for type codes or array descriptors it does not know, EAccessViolation for pointers
// into unreadable memory.
Variant FromHostVariant(const kvr_variant& value);

// Converts the host's answer, frees what it owns and leaves it empty. An answer that fails the
// checks is not freed (a leak is better than freeing through a wrong descriptor).
Variant TakeHostVariant(kvr_variant& answer);

}  // namespace kvr
