// Report parameters written on the command line, and the parameter array built from them.
//   i:42            integer          d:2026-12-07T08:00[:00[.000]]   date-time (also a blank
//   f:1.5           float                                              for 'T', or the date alone)
//   s:text          text             b:true / b:false                Boolean
//   null, empty     Null, Empty
// Without a prefix a parameter is an integer when it is one, a date-time when it has the
// date form, and a text otherwise ("s:" forces a text, for example "s:15").
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "kvr/host_abi.h"

namespace kvr::host {

struct HostParam {
  enum class Kind { kEmpty, kNull, kInteger, kFloat, kDateTime, kText, kBoolean };
  Kind kind = Kind::kEmpty;
  std::int64_t integer = 0;
  double real = 0;     // float or date-time (days since 30 December 1899)
  std::string text;    // UTF-8
  std::string source;  // as written on the command line
};

// Raises UsageError for a prefixed parameter whose value does not fit its prefix.
HostParam ParseParam(std::string_view text);

// A one-dimensional array [0 .. n-1] of variants, built with the header's helpers. The caller
// frees it with kvr_variant_clear.
kvr_variant BuildParamsArray(const std::vector<HostParam>& params);

// The parameter as a person reads it (for the run summary).
std::string Describe(const HostParam& param);

}  // namespace kvr::host
