#include "format/int_text.h"

namespace kvr::format {

bool TryStrToInt(std::string_view text, std::int32_t& value) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int base = 10;
  if (i < text.size() && text[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i == text.size()) return false;
  std::uint64_t magnitude = 0;
  for (; i < text.size(); ++i) {
    char c = text[i];
    int digit;
    if (c >= '0' && c <= '9')
      digit = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f')
      digit = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F')
      digit = c - 'A' + 10;
    else
      return false;
    magnitude = magnitude * base + digit;
    if (magnitude > 0xFFFFFFFFull) return false;
  }
  // Hexadecimal texts may spell the full 32-bit pattern ("$FFFFFFFF" is -1).
  const std::uint64_t limit =
      base == 16 ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
  if (magnitude > limit) return false;
  std::int64_t v = base == 16 ? static_cast<std::int32_t>(static_cast<std::uint32_t>(magnitude))
                              : static_cast<std::int64_t>(magnitude);
  value = static_cast<std::int32_t>(negative ? -v : v);
  return true;
}

std::int32_t StrToIntDef(std::string_view text, std::int32_t default_value) {
  std::int32_t v;
  return TryStrToInt(text, v) ? v : default_value;
}

}  // namespace kvr::format
