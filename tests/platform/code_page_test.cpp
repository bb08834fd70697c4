#include "platform/code_page.h"

#include <gtest/gtest.h>

#include "common/text.h"

using namespace kvr::literals;
using namespace kvr::platform;

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

TEST(CodePage, CaseMappingCoversCyrillic) {
  EXPECT_EQ(AnsiLowerCase("C:\\MOLT\\Host.EXE ВСЕ Ё"_w), "c:\\molt\\host.exe все ё"_w);
  EXPECT_EQ(AnsiUpperCase("дизель ё"_w), "ДИЗЕЛЬ Ё"_w);
  EXPECT_TRUE(AnsiSameText("Бензин"_w, "БЕНЗИН"_w));
}

TEST(CodePage, Utf8RoundTrip) {
  std::string utf8 = "Экспорт чеков ККМ №5";
  EXPECT_EQ(Utf8ToCp1251(utf8), "Экспорт чеков ККМ №5"_w);
  EXPECT_EQ(Cp1251ToUtf8(Utf8ToCp1251(utf8)), utf8);
  EXPECT_EQ(Utf8ToCp1251("\xE2\x82"), "?");  // truncated sequence
}
