// Reading UTF-8, constexpr so that Russian literals are converted at compile time
// (common/text.h) by the same decoder that converts texts at run time (code_page.h).
#pragma once

#include <cstddef>
#include <string_view>

namespace kvr::codepage {

// One character read from UTF-8. `length` is how many bytes it took; `valid` is false for a
// byte that starts no character (a stray continuation, an invalid lead), a lead whose
// continuation bytes are missing, an overlong form, a surrogate or a value past U+10FFFF.
struct Utf8Char {
  char32_t code_point = 0;
  std::size_t length = 1;
  bool valid = false;
};

// Reads the character that starts at text[at] (at < text.size()). An invalid sequence takes
// one byte, so that the next character is read from the byte after its lead; a sequence cut
// off by the end of the text takes the rest.
constexpr Utf8Char DecodeUtf8(std::string_view text, std::size_t at) {
  const auto lead = static_cast<unsigned char>(text[at]);
  if (lead < 0x80) return {lead, 1, true};
  std::size_t extra;
  char32_t cp;
  char32_t least;
  if ((lead & 0xE0) == 0xC0) {
    extra = 1, cp = lead & 0x1F, least = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2, cp = lead & 0x0F, least = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3, cp = lead & 0x07, least = 0x10000;
  } else {
    return {};
  }
  for (std::size_t k = 1; k <= extra; ++k) {
    if (at + k >= text.size()) return {0, text.size() - at, false};
    const auto next = static_cast<unsigned char>(text[at + k]);
    if ((next & 0xC0) != 0x80) return {};
    cp = (cp << 6) | (next & 0x3F);
  }
  if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return {};
  return {cp, extra + 1, true};
}

}  // namespace kvr::codepage
