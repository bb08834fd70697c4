#include "codepage/code_page.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "codepage/code_page_tables.h"
#include "codepage/utf8.h"

namespace kvr::codepage {
namespace {

using ByteMap = std::array<unsigned char, 256>;

constexpr int IndexIn(const std::array<char16_t, 128>& table, char16_t cp) {
  for (int i = 0; i < 128; ++i)
    if (table[i] == cp && cp != 0) return i;
  return -1;
}

constexpr ByteMap BuildMap(const std::array<char16_t, 128>& from,
                           const std::array<char16_t, 128>& to) {
  ByteMap map{};
  for (int i = 0; i < 128; ++i) map[i] = static_cast<unsigned char>(i);
  for (int i = 0; i < 128; ++i) {
    int j = IndexIn(to, from[i]);
    map[0x80 + i] = j < 0 ? '?' : static_cast<unsigned char>(0x80 + j);
  }
  return map;
}

constexpr char16_t UnicodeUpper(char16_t cp) {
  if (cp >= 'a' && cp <= 'z') return cp - 32;
  if (cp >= 0x0430 && cp <= 0x044F) return cp - 0x20;
  if (cp >= 0x0450 && cp <= 0x045F) return cp - 0x50;
  if (cp == 0x0491) return 0x0490;
  return cp;
}

constexpr char16_t UnicodeLower(char16_t cp) {
  if (cp >= 'A' && cp <= 'Z') return cp + 32;
  if (cp >= 0x0410 && cp <= 0x042F) return cp + 0x20;
  if (cp >= 0x0400 && cp <= 0x040F) return cp + 0x50;
  if (cp == 0x0490) return 0x0491;
  return cp;
}

template <class CaseFn>
constexpr ByteMap BuildCaseMap(CaseFn fn) {
  ByteMap map{};
  for (int b = 0; b < 256; ++b) {
    char16_t cp = b < 0x80 ? static_cast<char16_t>(b) : kCp1251High[b - 0x80];
    int mapped = cp == 0 && b != 0 ? b : Cp1251FromUnicode(fn(cp));
    map[b] = static_cast<unsigned char>(mapped < 0 ? b : mapped);
  }
  return map;
}

constexpr ByteMap kAnsiToOem = BuildMap(kCp1251High, kCp866High);
constexpr ByteMap kOemToAnsi = BuildMap(kCp866High, kCp1251High);
constexpr ByteMap kUpper = BuildCaseMap(UnicodeUpper);
constexpr ByteMap kLower = BuildCaseMap(UnicodeLower);

void Translate(const ByteMap& map, char* text, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i)
    text[i] = static_cast<char>(map[static_cast<unsigned char>(text[i])]);
}

constexpr bool KeepsAscii(const ByteMap& map) {
  for (int i = 0; i < 0x80; ++i)
    if (map[i] != i) return false;
  return true;
}
static_assert(KeepsAscii(kAnsiToOem) && KeepsAscii(kOemToAnsi));

// Translate for the code page maps, which keep ASCII: eight bytes without a high bit (digits,
// dates, Latin text, the spaces between words) are passed over at once. Every field text of
// an export goes through here.
void TranslateHigh(const ByteMap& map, char* text, std::size_t length) {
  std::size_t i = 0;
  for (; i + 8 <= length; i += 8) {
    std::uint64_t word;
    std::memcpy(&word, text + i, sizeof word);
    if ((word & 0x8080808080808080u) == 0) continue;
    for (std::size_t k = i; k < i + 8; ++k)
      text[k] = static_cast<char>(map[static_cast<unsigned char>(text[k])]);
  }
  Translate(map, text + i, length - i);
}

std::string Translated(const ByteMap& map, std::string_view text) {
  std::string out(text);
  Translate(map, out.data(), out.size());
  return out;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

std::string HighToUtf8(const std::array<char16_t, 128>& table, std::string_view text) {
  std::string out;
  out.reserve(text.size() * 2);
  for (unsigned char b : text) {
    char32_t cp = b < 0x80 ? b : table[b - 0x80];
    AppendUtf8(out, cp == 0 ? 0xFFFD : cp);
  }
  return out;
}

}  // namespace

void AnsiToOem(char* text, std::size_t length) { TranslateHigh(kAnsiToOem, text, length); }
void OemToAnsi(char* text, std::size_t length) { TranslateHigh(kOemToAnsi, text, length); }
std::string AnsiToOem(std::string_view text) {
  std::string out(text);
  AnsiToOem(out.data(), out.size());
  return out;
}
std::string OemToAnsi(std::string_view text) {
  std::string out(text);
  OemToAnsi(out.data(), out.size());
  return out;
}

char AnsiUpperChar(char c) { return static_cast<char>(kUpper[static_cast<unsigned char>(c)]); }
char AnsiLowerChar(char c) { return static_cast<char>(kLower[static_cast<unsigned char>(c)]); }
std::string AnsiUpperCase(std::string_view text) { return Translated(kUpper, text); }
std::string AnsiLowerCase(std::string_view text) { return Translated(kLower, text); }

int AnsiCompareText(std::string_view a, std::string_view b) {
  std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < n; ++i) {
    unsigned char x = kUpper[static_cast<unsigned char>(a[i])];
    unsigned char y = kUpper[static_cast<unsigned char>(b[i])];
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool AnsiSameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && AnsiCompareText(a, b) == 0;
}

std::string Cp1251ToUtf8(std::string_view text) { return HighToUtf8(kCp1251High, text); }
std::string Cp866ToUtf8(std::string_view text) { return HighToUtf8(kCp866High, text); }

std::string Utf8ToCp1251(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const Utf8Char c = DecodeUtf8(text, i);
    i += c.length;
    const int mapped = c.valid ? Cp1251FromUnicode(c.code_point) : -1;
    out += mapped < 0 ? '?' : static_cast<char>(mapped);
  }
  return out;
}

std::string Cp1251FromUtf16(const std::uint16_t* units, std::size_t count) {
  std::string out;
  out.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    const char32_t cp = units[i];
    if (cp >= 0xD800 && cp <= 0xDFFF) {
      if (cp <= 0xDBFF && i + 1 < count && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) ++i;
      out += '?';  // no character outside the BMP (nor a lone surrogate) exists in Windows-1251
      continue;
    }
    const int byte = Cp1251FromUnicode(cp);
    out += byte < 0 ? '?' : static_cast<char>(byte);
  }
  return out;
}

}  // namespace kvr::codepage
