// Fixed-point texts of N and F fields: rounded half away from zero on the shortest decimal
// form of the value, on both sides of the quick path's limits (values near a half, products of
// 1e15 and more, more than 18 decimals), negative zero, and the field's width.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>

#include "dbf/dbf_field_codec.h"

namespace kvr {
namespace {

std::string Fixed(double value, int decimals) {
  char out[kFixedTextMax];
  return std::string(out, FormatFixed(value, decimals, out));
}

TEST(FormatFixed, RoundsHalfAwayFromZeroOnTheShortestDigits) {
  const struct {
    double value;
    int decimals;
    const char* text;
  } cases[] = {
      // near a half: the binary value lies below it, its shortest digits on it
      {1.005, 2, "1.01"},
      {std::nextafter(1.005, 0.0), 2, "1.00"},  // 1.0049999999999997
      {std::nextafter(1.005, 2.0), 2, "1.01"},
      {2.675, 2, "2.68"},
      {-2.675, 2, "-2.68"},
      {0.045, 2, "0.05"},
      {4.35, 1, "4.4"},
      {1234.5675, 3, "1234.568"},
      {100.005, 4, "100.0050"},
      {0.125, 2, "0.13"},  // exact halves
      {0.375, 2, "0.38"},
      {2.5, 0, "3"},
      {-2.5, 0, "-3"},
      {1.5, 0, "2"},
      {-0.5, 0, "-1"},
      {0.5, 0, "1"},
      {0.49999999999999994, 0, "0"},
      {9.995, 2, "10.00"},  // carried into a new digit
      {999.9999, 3, "1000.000"},
      {99999.99995, 4, "100000.0000"},
      {0.0049, 2, "0.00"},
      // large: the scaled value reaches 1e15
      {1e15, 2, "1000000000000000.00"},
      {999999999999999.5, 0, "1000000000000000"},
      {0x1p53, 0, "9007199254740992"},
      {0x1p53 + 2, 1, "9007199254740994.0"},
      {123456789012.345, 2, "123456789012.35"},
      {123456789.0, 4, "123456789.0000"},
      {1e20, 0, "100000000000000000000"},
      // small, and more decimals than the quick path takes
      {1e-10, 10, "0.0000000001"},
      {1e-10, 9, "0.000000000"},
      {5e-10, 9, "0.000000001"},
      {std::numeric_limits<double>::min(), 20, "0.00000000000000000000"},
      {0.1, 20, "0.10000000000000000000"},
      {0.1 + 0.2, 17, "0.30000000000000004"},
      {0.1 + 0.2, 16, "0.3000000000000000"},
      {std::nextafter(1.0, 2.0), 15, "1.000000000000000"},
      {std::nextafter(1.0, 2.0), 16, "1.0000000000000002"},
      // zero and what rounds to it carry no sign
      {0.0, 2, "0.00"},
      {-0.0, 0, "0"},
      {-0.0, 2, "0.00"},
      {-0.001, 2, "0.00"},
      {-0.004, 2, "0.00"},
      {-0.005, 2, "-0.01"},
      {-1e-300, 3, "0.000"},
      {-std::numeric_limits<double>::denorm_min(), 2, "0.00"},
      {-1, 2, "-1.00"},
      {2.5, -1, "3"},  // fewer than no decimals: none
  };
  for (const auto& c : cases)
    EXPECT_EQ(Fixed(c.value, c.decimals), c.text)
        << std::hexfloat << c.value << std::defaultfloat << " with " << c.decimals;

  EXPECT_EQ(Fixed(std::numeric_limits<double>::max(), 0),
            "17976931348623157" + std::string(292, '0'));
  EXPECT_EQ(Fixed(1.7e308, 255).size(), 309 + 1 + 255u);  // the longest text fits the buffer
  EXPECT_EQ(Fixed(std::nan(""), 2), "");
  EXPECT_EQ(Fixed(INFINITY, 2), "");
  EXPECT_EQ(Fixed(-INFINITY, 0), "");
}

// Amounts of whole cents, and halves of a cent, against integer arithmetic: the shortest form
// of n / 100 is n's digits, so the text is known without rounding a double.
TEST(FormatFixed, CentsAndHalfCentsAsIntegersGiveThem) {
  std::mt19937_64 random(20240229);
  std::uniform_int_distribution<std::int64_t> cents(0, 99'999'999'999);
  auto text_of = [](std::int64_t hundredths, bool negative) {
    std::string digits =
        std::to_string(hundredths / 100) + "." + std::to_string(100 + hundredths % 100).substr(1);
    return (negative && hundredths != 0 ? "-" : "") + digits;
  };
  for (int i = 0; i < 20'000; ++i) {
    const std::int64_t n = cents(random);
    const bool negative = i % 2;
    const double sign = negative ? -1 : 1;
    ASSERT_EQ(Fixed(sign * static_cast<double>(n) / 100, 2), text_of(n, negative)) << n;
    ASSERT_EQ(Fixed(sign * static_cast<double>(n) / 100, 3), text_of(n, negative) + "0") << n;
    // n + 0.5 cents: half away from zero gives n + 1
    const std::int64_t half = n % 1'000'000'000;  // 12 significant digits at most
    ASSERT_EQ(Fixed(sign * static_cast<double>(half * 10 + 5) / 1000, 2),
              text_of(half + 1, negative))
        << half;
  }
}

TDBFField NumberField(int length, int decimals) {
  TDBFField field;
  field.Name = "N";
  field.DataType = FieldType::Float;
  field.Length = static_cast<std::uint16_t>(length);
  field.Decimals = static_cast<std::uint8_t>(decimals);
  return field;
}

// Right-aligned in the field; a longer text keeps its leftmost characters, as integers do.
TEST(FormatFixed, FillsTheFieldsWidth) {
  const struct {
    double value;
    int length, decimals;
    const char* text;
  } cases[] = {
      {-0.0, 10, 2, "      0.00"},
      {12.345, 5, 2, "12.35"},
      {12.345, 4, 2, "12.3"},
      {-1.0005, 8, 3, "  -1.001"},
      {1e20, 20, 0, "10000000000000000000"},
      {0.5, 1, 0, "1"},
      {std::nan(""), 6, 2, "      "},
  };
  for (const auto& c : cases) {
    FieldValue value;
    value.number = c.value;
    std::string out(static_cast<std::size_t>(c.length), '#');
    EncodeDBFField(NumberField(c.length, c.decimals), &value, false, out.data());
    EXPECT_EQ(out, c.text) << c.value << " in N " << c.length << "." << c.decimals;
  }
}

}  // namespace
}  // namespace kvr
