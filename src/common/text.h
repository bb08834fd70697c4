// Texts of the system are 8-bit Windows-1251 byte strings held in std::string.
// Russian literals are written in UTF-8 in the source and converted once, at compile time:
//   using namespace kvr::literals;  "Ошибка"_w  -> std::string_view of Windows-1251 bytes.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "codepage/code_page_tables.h"
#include "codepage/utf8.h"

namespace kvr {

namespace text_detail {

template <std::size_t N>
struct Utf8Literal {
  char bytes[N]{};
  constexpr Utf8Literal(const char (&s)[N]) {
    for (std::size_t i = 0; i < N; ++i) bytes[i] = s[i];
  }
};

struct Converted {
  std::array<char, 1024> bytes{};
  std::size_t size = 0;
};

template <std::size_t N>
consteval Converted ToCp1251(const Utf8Literal<N>& lit) {
  Converted out;
  const std::string_view text(lit.bytes, N - 1);  // without the terminating NUL
  for (std::size_t i = 0; i < text.size();) {
    const codepage::Utf8Char c = codepage::DecodeUtf8(text, i);
    if (!c.valid) throw "literal is not valid UTF-8";
    i += c.length;
    const int mapped = codepage::Cp1251FromUnicode(c.code_point);
    if (mapped < 0) throw "literal holds a character outside Windows-1251";
    out.bytes[out.size++] = static_cast<char>(mapped);
  }
  return out;
}

template <Utf8Literal L>
struct Storage {
  static constexpr Converted converted = ToCp1251(L);
  static constexpr auto Make() {
    std::array<char, converted.size + 1> a{};
    for (std::size_t i = 0; i < converted.size; ++i) a[i] = converted.bytes[i];
    return a;
  }
  static constexpr std::array<char, converted.size + 1> value = Make();
};

}  // namespace text_detail

namespace literals {
// A Windows-1251 literal; the view is NUL-terminated (value.data() is a C string).
template <text_detail::Utf8Literal L>
constexpr std::string_view operator""_w() {
  using S = text_detail::Storage<L>;
  return std::string_view(S::value.data(), S::converted.size);
}
}  // namespace literals

}  // namespace kvr
