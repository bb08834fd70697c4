#include "format/float_text.h"

#include <charconv>
#include <cmath>

#include "common/exceptions.h"

namespace kvr::format {

std::string FloatToStr(double value, const TFormatSettings& settings) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  if (value == 0) value = 0;  // no "-0"
  char buf[64];
  auto result = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 15);
  std::string out;
  for (char* p = buf; p != result.ptr; ++p) {
    char c = *p;
    if (c == '.') {
      out += settings.DecimalSeparator;
    } else if (c == 'e') {
      out += 'E';
      ++p;
      if (*p == '-') out += '-';
      ++p;
      while (p + 1 != result.ptr && *p == '0') ++p;  // no leading zeros in the exponent
      out.append(p, result.ptr);
      break;
    } else {
      out += c;
    }
  }
  return out;
}

bool TryStrToFloat(std::string_view text, double& value, const TFormatSettings& settings) {
  std::size_t b = 0, e = text.size();
  while (b < e && text[b] == ' ') ++b;
  while (e > b && text[e - 1] == ' ') --e;
  text = text.substr(b, e - b);
  // Copy into the form from_chars reads: '.' as separator, no leading '+'.
  char buf[128];
  if (text.empty() || text.size() >= sizeof buf) return false;
  std::size_t n = 0, i = 0, mantissa_digits = 0;
  if (text[i] == '+' || text[i] == '-') {
    if (text[i] == '-') buf[n++] = '-';
    ++i;
  }
  bool separator_seen = false;
  for (; i < text.size(); ++i) {
    char c = text[i];
    if (c >= '0' && c <= '9') {
      buf[n++] = c;
      ++mantissa_digits;
    } else if (c == settings.DecimalSeparator && !separator_seen) {
      buf[n++] = '.';
      separator_seen = true;
    } else {
      break;
    }
  }
  if (mantissa_digits == 0) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    buf[n++] = 'e';
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) buf[n++] = text[i++];
    std::size_t exponent_digits = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9')
      buf[n++] = text[i++], ++exponent_digits;
    if (exponent_digits == 0) return false;
  }
  if (i != text.size()) return false;
  double v;
  auto result = std::from_chars(buf, buf + n, v);
  if (result.ec != std::errc() || result.ptr != buf + n) return false;
  value = v;
  return true;
}

double StrToFloat(std::string_view text, const TFormatSettings& settings) {
  double v;
  if (!TryStrToFloat(text, v, settings))
    throw EConvertError("'" + std::string(text) + "' is not a valid floating point value");
  return v;
}

}  // namespace kvr::format
