#include "common/format_text.h"

#include <gtest/gtest.h>

#include "common/exceptions.h"

namespace kvr {

TEST(FormatText, Placeholders) {
  EXPECT_EQ(Format("Документ \"%s\" подготовлен за %d ms", {"X", 15}),
            "Документ \"X\" подготовлен за 15 ms");
  EXPECT_EQ(Format("%s/%d:%s", {"127.0.0.1", 3050, "/db"}), "127.0.0.1/3050:/db");
  EXPECT_EQ(Format("%1:s %0:s %s", {"a", "b"}), "b a b");
  EXPECT_EQ(Format("%5d|%-5d|%.3d", {42, 42, 7}), "   42|42   |007");
  EXPECT_EQ(Format("%.2f %x %%", {3.14159, 255}), "3.14 FF %");
  EXPECT_EQ(Format("%d", {-2147483648LL}), "-2147483648");
}

TEST(FormatText, MismatchRaisesConvertError) {
  EXPECT_THROW(Format("%d", {"text"}), EConvertError);
  EXPECT_THROW(Format("%s %s", {"one"}), EConvertError);
  EXPECT_THROW(Format("trailing %", {}), EConvertError);
}

}  // namespace kvr
