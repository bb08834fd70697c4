#include "common/number_text.h"

#include <charconv>
#include <cmath>
#include <system_error>

#include "common/trim.h"

namespace kvr {

bool TryParseInt64(std::string_view text, std::int64_t& out) {
  text = TrimBlanks(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return false;
  const char* end = text.data() + text.size();
  std::int64_t value;
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end) return false;
  out = value;  // untouched on failure
  return true;
}

bool TryParseFloat(std::string_view text, double& out) {
  text = TrimBlanks(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return false;
  // from_chars accepts "inf" and "nan"; a variant text holding them is not a number.
  for (char c : text)
    if (c != '-' && c != '.' && c != 'e' && c != 'E' && c != '+' && (c < '0' || c > '9'))
      return false;
  const char* end = text.data() + text.size();
  double value;
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end || !std::isfinite(value)) return false;
  out = value;  // untouched on failure
  return true;
}

std::string FloatToText(double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  char buffer[64];
  auto [ptr, ec] =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
  std::string text(buffer, ec == std::errc() ? ptr : buffer);
  // "1e+20" -> "1E20", "1e-05" -> "1E-5": the exponent form Delphi texts use.
  std::size_t e = text.find('e');
  if (e != std::string::npos) {
    std::string exponent = text.substr(e + 1);
    std::string sign = exponent[0] == '-' ? "-" : "";
    std::size_t digits = exponent.find_first_not_of("+-0");
    text = text.substr(0, e) + "E" + sign +
           (digits == std::string::npos ? "0" : exponent.substr(digits));
  }
  return text;
}

}  // namespace kvr
