// Failures reported by the helper library (a CorvaneError) raised again on this side as
// exceptions of the class the helper named.
#pragma once

#include "db/corvane_api.h"

namespace kvr::db {

// Raises when `error` reports a failure; returns otherwise.
void RaiseHelperError(const CorvaneError& error);

}  // namespace kvr::db
