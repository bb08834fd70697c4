#include "entry/date_parameter.h"

#include <cmath>

#include "common/exceptions.h"
#include "common/format_text.h"
#include "common/number_text.h"
#include "common/text.h"

namespace kvr {

using namespace kvr::literals;

namespace {

// Day numbers of 1 January of year 1 and of year 10000 (the date part truncates towards 0, so
// a value down to one day before the first still falls on 1 January of year 1).
constexpr double kFirstDay = -693593.0;
constexpr double kEndDay = 2958466.0;

}  // namespace

bool IsValidDateTime(TDateTime value) {
  return std::isfinite(value) && value > kFirstDay - 1.0 && value < kEndDay;
}

TDateTime DateTimeParameter(const Variant& params, int index, std::string_view name) {
  const TDateTime value = params.Array().Get(index).AsDateTime();
  if (!IsValidDateTime(value))
    throw Exception(Format("Параметр %d (%s) не является датой с 1 по 9999 год: %s"_w,
                           {index, name, FloatToText(value)}));
  return value;
}

}  // namespace kvr
