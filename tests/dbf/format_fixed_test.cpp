// FormatFixed against the algorithm it replaced (kept below as it was): the same text for
// every value and number of decimals tried, so that N and F fields keep their characters.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "dbf/dbf_field_codec.h"

namespace kvr {
namespace {

// The former FormatFixed: the shortest round-trip digits, rounded half away from zero.
std::size_t ReferenceFormatFixed(double value, int decimals, char* out) {
  if (!std::isfinite(value)) return 0;
  if (decimals < 0) decimals = 0;
  // Shortest round-trip digits, then decimal rounding of those digits.
  char sci[64];
  auto result =
      std::to_chars(sci, sci + sizeof sci, std::fabs(value), std::chars_format::scientific);
  const char* end = result.ptr;
  const char* e =
      static_cast<const char*>(std::memchr(sci, 'e', static_cast<std::size_t>(end - sci)));
  int exponent = 0;
  std::from_chars(e + 1 + (e[1] == '+'), end, exponent);
  char digits[32];
  int count = 0;
  for (const char* p = sci; p < e; ++p)
    if (*p != '.') digits[count++] = *p;
  // value = 0.d1d2d3... * 10^(exponent + 1); keep `keep` digits.
  const int integer_digits = exponent + 1;
  const int keep = integer_digits + decimals;
  // Result digits (without point) in `kept`, most significant first.
  char kept[kFixedTextMax];
  int kept_count = 0;
  if (keep >= 0) {
    for (int i = 0; i < keep; ++i) kept[kept_count++] = i < count ? digits[i] : '0';
    const bool round_up = keep < count && digits[keep] >= '5';
    if (round_up) {
      int i = kept_count - 1;
      while (i >= 0 && kept[i] == '9') kept[i--] = '0';
      if (i >= 0) {
        ++kept[i];
      } else {
        std::memmove(kept + 1, kept, static_cast<std::size_t>(kept_count));
        kept[0] = '1';
        ++kept_count;
      }
    }
  }
  // Pad on the left so there is at least one integer digit.
  const int total = kept_count < decimals + 1 ? decimals + 1 : kept_count;
  char all[kFixedTextMax];
  const int lead = total - kept_count;
  std::memset(all, '0', static_cast<std::size_t>(lead));
  std::memcpy(all + lead, kept, static_cast<std::size_t>(kept_count));
  bool zero = true;
  for (int i = 0; i < total; ++i) zero = zero && all[i] == '0';

  std::size_t n = 0;
  if (value < 0 && !zero) out[n++] = '-';
  const int int_len = total - decimals;
  std::memcpy(out + n, all, static_cast<std::size_t>(int_len));
  n += static_cast<std::size_t>(int_len);
  if (decimals > 0) {
    out[n++] = '.';
    std::memcpy(out + n, all + int_len, static_cast<std::size_t>(decimals));
    n += static_cast<std::size_t>(decimals);
  }
  return n;
}

void ExpectSameText(double value, int decimals) {
  char expected[kFixedTextMax], got[kFixedTextMax];
  const std::size_t expected_length = ReferenceFormatFixed(value, decimals, expected);
  const std::size_t got_length = FormatFixed(value, decimals, got);
  ASSERT_EQ(std::string(got, got_length), std::string(expected, expected_length))
      << std::hexfloat << value << std::defaultfloat << " (" << value << ") with " << decimals
      << " decimals";
}

// Values with few decimal digits (money, litres) and their neighbours one or two steps away.
std::vector<double> DecimalValues(std::mt19937_64& random, int count) {
  std::uniform_int_distribution<std::int64_t> mantissa(0, 999'999'999'999'999);
  std::uniform_int_distribution<int> places(0, 9), digits(1, 15);
  std::vector<double> values;
  for (int i = 0; i < count; ++i) {
    const auto n = mantissa(random) % static_cast<std::int64_t>(std::pow(10.0, digits(random)));
    const double v = static_cast<double>(n) / std::pow(10.0, places(random));
    values.insert(values.end(), {v, std::nextafter(v, 0.0), std::nextafter(v, 1e300),
                                 std::nextafter(std::nextafter(v, 1e300), 1e300)});
  }
  return values;
}

// Values whose shortest digits end in 5 just past a rounding place: 1.005, 2.675, 0.125.
std::vector<double> HalfwayValues(std::mt19937_64& random, int count) {
  std::uniform_int_distribution<std::int64_t> whole(0, 9'999'999);
  std::uniform_int_distribution<int> places(1, 8);
  std::vector<double> values;
  for (int i = 0; i < count; ++i) {
    const int p = places(random);
    const double v = (static_cast<double>(whole(random)) * 10 + 5) / std::pow(10.0, p);
    values.insert(values.end(), {v, std::nextafter(v, 0.0), std::nextafter(v, 1e300)});
  }
  return values;
}

// Any double: random bits (finite ones), and products like those a query computes.
std::vector<double> AnyValues(std::mt19937_64& random, int count) {
  std::uniform_real_distribution<double> uniform(0, 1e6);
  std::vector<double> values;
  while (static_cast<int>(values.size()) < count) {
    const std::uint64_t bits = random();
    double v;
    std::memcpy(&v, &bits, sizeof v);
    if (std::isfinite(v)) values.push_back(v);
    values.push_back(uniform(random) * uniform(random) / 1e3);
  }
  return values;
}

TEST(FormatFixedIdentity, EdgeValues) {
  const double kEdges[] = {0.0,
                           -0.0,
                           0.5,
                           1.5,
                           2.5,
                           -2.5,
                           0.05,
                           1.005,
                           2.675,
                           9.995,
                           0.125,
                           999.9999,
                           99999.99995,
                           0.49999999999999994,
                           1e15,
                           std::nextafter(1e15, 0.0),
                           999999999999999.5,
                           0x1p49,
                           0x1p50,
                           0x1p52,
                           0x1p53,
                           1e16,
                           1e20,
                           1.7e308,
                           std::numeric_limits<double>::max(),
                           std::numeric_limits<double>::min(),
                           std::numeric_limits<double>::denorm_min(),
                           1e-10,
                           4.35,
                           0.1 + 0.2,
                           123456789.0,
                           100.005};
  for (double v : kEdges)
    for (int decimals = -1; decimals <= 25; ++decimals) {
      ExpectSameText(v, decimals);
      ExpectSameText(-v, decimals);
    }
  ExpectSameText(1.7e308, 255);
  ExpectSameText(5e-324, 255);
  ExpectSameText(0.1, 255);
}

TEST(FormatFixedIdentity, RandomValuesForEachNumberOfDecimals) {
  std::mt19937_64 random(20240229);
  std::vector<double> values = DecimalValues(random, 12'000);
  const std::vector<double> halves = HalfwayValues(random, 8'000);
  const std::vector<double> any = AnyValues(random, 8'000);
  values.insert(values.end(), halves.begin(), halves.end());
  values.insert(values.end(), any.begin(), any.end());
  for (int decimals = 0; decimals <= 20; ++decimals)
    for (double v : values) {
      ExpectSameText(v, decimals);
      ExpectSameText(-v, decimals);
    }
}

}  // namespace
}  // namespace kvr
