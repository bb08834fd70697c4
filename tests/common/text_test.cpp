#include "common/text.h"

#include <gtest/gtest.h>

using namespace kvr::literals;

TEST(Text, RussianLiteralIsWindows1251) {
  EXPECT_EQ("ВСЕ АЗС"_w, std::string_view("\xC2\xD1\xC5\x20\xC0\xC7\xD1"));
  EXPECT_EQ("ёЁ№"_w, std::string_view("\xB8\xA8\xB9"));
  EXPECT_EQ("plain"_w, "plain");
  EXPECT_EQ("Ошибка"_w.data()["Ошибка"_w.size()], '\0');
}
