// The report path of GetReportsInStringEx: everything that is not control command 1000.
// The export creator plugs in here (report_runner.cpp); the function may raise, and the
// caller turns that into the "export report" error text.
#pragma once

#include <string>

#include "common/variant.h"

namespace kvr {

// Runs report `report_code` with the host's `params`; returns the result flag and sets `text`.
bool RunReport(char report_code, const Variant& params, std::string& text);

}  // namespace kvr
