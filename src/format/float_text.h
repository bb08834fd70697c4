// Floating-point numbers to text and back with an explicit decimal separator; never depends on
// the process locale.
#pragma once

#include <string>
#include <string_view>

#include "format/format_settings.h"

namespace kvr::format {

// Shortest form with up to 15 significant digits; scientific ("1E20", "1.5E-5") for exponents
// below -4 or from 15 up; "INF", "-INF", "NAN" for the special values.
std::string FloatToStr(double value, const TFormatSettings& settings);

// Optional blanks, sign, digits with at most one decimal separator, optional exponent.
bool TryStrToFloat(std::string_view text, double& value, const TFormatSettings& settings);
// Raises EConvertError "'<text>' is not a valid floating point value".
double StrToFloat(std::string_view text, const TFormatSettings& settings);

}  // namespace kvr::format
