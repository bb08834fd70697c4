// Locale-independent numbers in text: '.' is the decimal separator whatever the process locale.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kvr {

// Blanks around the number are allowed; an optional sign; nothing else. On failure `out` is
// left as it was.
bool TryParseInt64(std::string_view text, std::int64_t& out);
// Decimal or exponent form ("1.5", "-2e3", ".5"); "INF"/"NAN" are not numbers here.
bool TryParseFloat(std::string_view text, double& out);

// Fifteen significant digits, general form: "1.5", "100", "1E20", "1E-5", "NAN", "INF", "-INF".
std::string FloatToText(double value);

}  // namespace kvr
