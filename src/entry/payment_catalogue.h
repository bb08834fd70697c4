// The station's payment types, asked from the host and kept process-wide.
//   PaymentNames:     one-dimensional array of names (the host's answer to query 23, or the
//                     default list of 13), with one leading '&' removed; or unassigned.
//   PaymentTypeTable: [0 .. n-1, 0 .. 3] array of texts: name, payment code, code mod 100,
//                     check type (-1 without a host catalogue object); or unassigned.
#pragma once

#include "common/variant.h"
#include "kvr/host_abi.h"

namespace kvr {

inline constexpr int kDefaultPaymentTypeCount = 13;
inline constexpr int kPaymentTypeColumns = 4;

const Variant& PaymentNames();
const Variant& PaymentTypeTable();

// Rebuilds both from the stored host callback. Never raises: a failure leaves what was built
// before it (starting from unassigned).
void BuildPaymentCatalogue() noexcept;

// The table for `names` (a one-dimensional array). With a callback the host's catalogue object
// (query 57) supplies codes and check types; a failure to get it beeps (500 Hz, 100 ms) and
// the table uses the row index as code (a beep and code 0 from row 13 on). Raises when the
// host object fails.
Variant BuildPaymentTypeTable(const Variant& names, kvr_host_callback callback);

// Frees both variants (library unload).
void ReleasePaymentCatalogue() noexcept;

}  // namespace kvr
