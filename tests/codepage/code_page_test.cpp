#include "codepage/code_page.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "common/text.h"

using namespace kvr::literals;
using namespace kvr::codepage;

TEST(CodePage, AnsiOemRoundTripForCyrillic) {
  std::string all;
  for (int c = 0xC0; c <= 0xFF; ++c) all += static_cast<char>(c);
  all += "\xA8\xB8 ASCII 09";
  std::string oem = AnsiToOem(all);
  EXPECT_EQ(static_cast<unsigned char>(oem[0]), 0x80);   // А
  EXPECT_EQ(static_cast<unsigned char>(oem[32]), 0xA0);  // а
  EXPECT_EQ(static_cast<unsigned char>(oem[48]), 0xE0);  // р
  EXPECT_EQ(static_cast<unsigned char>(oem[64]), 0xF0);  // Ё
  EXPECT_EQ(OemToAnsi(oem), all);
}

// Texts of any length and make-up convert byte by byte, whether a byte stands among ASCII
// (passed over eight at a time) or in a short tail.
TEST(CodePage, AnsiOemConvertEachByteWhereverItStands) {
  auto byte_by_byte = [](std::string text, void (*convert)(char*, std::size_t)) {
    for (char& c : text) convert(&c, 1);
    return text;
  };
  std::vector<std::string> texts;
  for (int b = 0; b < 256; ++b)
    for (std::size_t at : {0u, 5u, 7u, 8u, 15u, 16u, 23u}) {
      std::string text = "01/01/2023 08:00:00 AM x";
      text[at] = static_cast<char>(b);
      texts.push_back(text);
    }
  std::mt19937 random(866);
  std::uniform_int_distribution<int> length(0, 40), byte(0, 255), ascii(0, 3);
  for (int i = 0; i < 2000; ++i) {
    std::string text(static_cast<std::size_t>(length(random)), ' ');
    for (char& c : text) c = static_cast<char>(ascii(random) ? byte(random) & 0x7F : byte(random));
    texts.push_back(text);
  }
  for (const std::string& text : texts) {
    std::string oem = text, ansi = text;
    AnsiToOem(oem.data(), oem.size());
    OemToAnsi(ansi.data(), ansi.size());
    ASSERT_EQ(oem, byte_by_byte(text, AnsiToOem)) << text;
    ASSERT_EQ(ansi, byte_by_byte(text, OemToAnsi)) << text;
    ASSERT_EQ(AnsiToOem(std::string_view(text)), oem);
    ASSERT_EQ(OemToAnsi(std::string_view(text)), ansi);
  }
}

TEST(CodePage, CaseMappingCoversCyrillic) {
  EXPECT_EQ(AnsiLowerCase("C:\\MOLT\\Host.EXE ВСЕ Ё"_w), "c:\\molt\\host.exe все ё"_w);
  EXPECT_EQ(AnsiUpperCase("дизель ё"_w), "ДИЗЕЛЬ Ё"_w);
  EXPECT_TRUE(AnsiSameText("Бензин"_w, "БЕНЗИН"_w));
}

TEST(CodePage, Utf8RoundTrip) {
  std::string utf8 = "Экспорт чеков ККМ №5";
  EXPECT_EQ(Utf8ToCp1251(utf8), "Экспорт чеков ККМ №5"_w);
  EXPECT_EQ(Cp1251ToUtf8(Utf8ToCp1251(utf8)), utf8);
}

// Each invalid sequence is one '?' and costs only its lead byte, so the text after it survives;
// a sequence cut off by the end is one '?'.
TEST(CodePage, Utf8ToCp1251ReplacesInvalidSequences) {
  const struct {
    std::string_view utf8;
    std::string_view expected;
  } cases[] = {
      {"\xE2\x82", "?"},         // cut off by the end
      {"\xE2\x82\xAC", "\x88"},  // the euro sign, three bytes
      {"\xE2"
       "A",
       "?A"},  // lead without its continuation
      {"\x80"
       "A",
       "?A"},                            // stray continuation byte
      {"\xFF\xFE", "??"},                // no such lead
      {"\xC0\x80", "??"},                // overlong NUL
      {"\xED\xA0\x80", "???"},           // a surrogate
      {"\xF0\x9F\x98\x80.", "?."},       // outside the BMP: valid, but not in the code page
      {"\xF4\x90\x80\x80", "????"},      // past U+10FFFF
      {"\xD0\x81\xD1\x91", "\xA8\xB8"},  // Ё ё
  };
  for (const auto& c : cases) EXPECT_EQ(Utf8ToCp1251(c.utf8), c.expected) << c.utf8;
}

TEST(CodePage, Utf16ToCp1251) {
  const std::uint16_t units[] = {u'A', 0x0416, 0x2116, 0xD83D, 0xDE00, 0xDC00, 0x4E2D, 0xD800};
  EXPECT_EQ(Cp1251FromUtf16(units, std::size(units)), "A\xC6\xB9????");
  EXPECT_EQ(Cp1251FromUtf16(units, 0), "");
}
