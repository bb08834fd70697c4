#include "dbf/dbf_field_codec.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "codepage/code_page.h"
#include "common/date_time.h"
#include "common/exceptions.h"
#include "common/number_text.h"
#include "dataset/field_text.h"

namespace kvr {

namespace {

[[noreturn]] void UnexpectedType() { throw Exception("Unexpected field type."); }

// Right-aligns `text` in the field; a longer text keeps its leftmost characters.
void PutRight(std::string_view text, std::size_t width, char* out) {
  if (text.size() >= width) {
    std::memcpy(out, text.data(), width);
    return;
  }
  const std::size_t pad = width - text.size();
  std::memset(out, ' ', pad);
  std::memcpy(out + pad, text.data(), text.size());
}

void PutInteger(std::int64_t value, std::size_t width, char* out) {
  char digits[24];
  auto result = std::to_chars(digits, digits + sizeof digits, value);
  PutRight({digits, static_cast<std::size_t>(result.ptr - digits)}, width, out);
}

// Most values: |value| * 10^decimals rounded to an integer without working out the shortest
// digits. Those digits D differ from the double v by at most half its last place, v * 2^-53,
// and the product x = v * 10^decimals is itself rounded by at most x * 2^-53; so D * 10^decimals
// lies within x * 2^-51 of x and rounds like x unless x is that close to a half (1.005 * 100
// is 100.49999999999999, its digits are 100.5). False leaves those, and products that are too
// large to be exact integers, to the digits.
constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8, 1e9,
                                   1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18};
constexpr int kMaxQuickDecimals = 18;

bool RoundScaled(double magnitude, int decimals, std::uint64_t& rounded) {
  if (decimals > kMaxQuickDecimals) return false;
  const double x = magnitude * kPowersOfTen[decimals];
  if (!(x < 1e15)) return false;
  const double whole = std::floor(x);
  const double fraction = x - whole;  // exact
  if (std::fabs(fraction - 0.5) <= x * 0x1p-50) return false;
  rounded = static_cast<std::uint64_t>(whole) + (fraction > 0.5 ? 1 : 0);
  return true;
}

// `rounded` / 10^decimals with `decimals` digits after the point, written from the right.
std::size_t PutScaled(std::uint64_t rounded, int decimals, bool negative, char* out) {
  char text[48];  // a sign, the point, 16 whole and up to kMaxQuickDecimals decimal digits
  char* const end = text + sizeof text;
  char* p = end;
  std::uint64_t rest = rounded;
  for (int i = 0; i < decimals; ++i, rest /= 10) *--p = static_cast<char>('0' + rest % 10);
  if (decimals > 0) *--p = '.';
  do {
    *--p = static_cast<char>('0' + rest % 10);
    rest /= 10;
  } while (rest != 0);
  if (negative && rounded != 0) *--p = '-';
  const std::size_t n = static_cast<std::size_t>(end - p);
  std::memcpy(out, p, n);
  return n;
}

// Shortest round-trip digits, then decimal rounding of those digits.
std::size_t FormatFixedFromDigits(double value, int decimals, char* out) {
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

}  // namespace

std::size_t FormatFixed(double value, int decimals, char* out) {
  if (!std::isfinite(value)) return 0;
  if (decimals < 0) decimals = 0;
  std::uint64_t rounded;
  if (RoundScaled(std::fabs(value), decimals, rounded))
    return PutScaled(rounded, decimals, value < 0, out);
  return FormatFixedFromDigits(value, decimals, out);
}

bool DecodeDBFField(const TDBFField& field, std::string_view text, bool oem, FieldValue* value) {
  switch (field.DataType) {
    case FieldType::Blob:
    case FieldType::Memo:
    case FieldType::Graphic:
    case FieldType::DBaseOle:
      // Memo and blob contents are not read; the field reports a value with no content.
      if (value) value->text.clear();
      return true;
    default: break;
  }
  if (!value) return !TrimBlanks(text).empty();
  switch (field.DataType) {
    case FieldType::String: {
      std::string_view kept = TrimRightSpaces(text);  // the padding; a tab is data
      value->text.assign(kept);
      if (oem) codepage::OemToAnsi(value->text.data(), value->text.size());
      return true;
    }
    case FieldType::Integer: {
      std::string_view trimmed = TrimBlanks(text);
      value->integer = 0;
      if (trimmed.empty()) return false;
      std::int64_t number = 0;
      if (!TryParseInt64(trimmed, number)) return false;
      value->integer = number;
      return true;
    }
    case FieldType::Float: {
      std::string_view trimmed = TrimBlanks(text);
      value->number = 0;
      if (trimmed.empty()) return false;
      double number = 0;
      if (!TryParseFloat(trimmed, number)) return false;
      value->number = number;
      return true;
    }
    case FieldType::Boolean: {
      const char first = text.empty() ? ' ' : text[0];
      if (first == 'T' || first == 'Y' || first == 'S') {
        value->boolean = true;
        return true;
      }
      if (first == 'F' || first == 'N') {
        value->boolean = false;
        return true;
      }
      return false;
    }
    case FieldType::Date: {
      if (TrimBlanks(text).empty() || text == "00000000") return false;
      if (text.size() < 8) return false;
      const int year = static_cast<int>(TextToInteger(text.substr(0, 4)));
      const int month = static_cast<int>(TextToInteger(text.substr(4, 2)));
      const int day = static_cast<int>(TextToInteger(text.substr(6, 2)));
      return TryEncodeDate(year, month, day, value->number);
    }
    default: UnexpectedType();
  }
}

namespace {

void PutBlank(std::size_t width, char* out) { std::memset(out, ' ', width); }

void PutDate(double value, char* out) {
  const DateParts date = DecodeDate(value);
  if (date.year < 1 || date.year > 9999) return PutBlank(8, out);
  const int parts[3] = {date.year, date.month, date.day};
  const int widths[3] = {4, 2, 2};
  for (int k = 0; k < 3; ++k) {
    int v = parts[k];
    for (int w = widths[k] - 1; w >= 0; --w, v /= 10) out[w] = static_cast<char>('0' + v % 10);
    out += widths[k];
  }
}

// Apart from the other types: the text buffer a fixed-point number may need is large.
void PutFixed(double value, int decimals, std::size_t width, char* out) {
  char text[kFixedTextMax];
  const std::size_t n = FormatFixed(value, decimals, text);
  if (n == 0) return PutBlank(width, out);  // NaN, infinity
  PutRight({text, n}, width, out);
}

}  // namespace

// One switch on the type per field written: the checks of a type come first, so a bad width
// or type is refused whether or not there is a value.
void EncodeDBFField(const TDBFField& field, const FieldValue* value, bool oem, char* out) {
  const std::size_t width = field.Length;
  switch (field.DataType) {
    case FieldType::String: {
      if (!value) return PutBlank(width, out);
      const std::size_t n = value->text.size() < width ? value->text.size() : width;
      std::memcpy(out, value->text.data(), n);
      std::memset(out + n, ' ', width - n);
      if (oem) codepage::AnsiToOem(out, n);
      return;
    }
    case FieldType::Integer:
    case FieldType::Smallint:
    case FieldType::Largeint:
      if (!value) return PutBlank(width, out);
      return PutInteger(value->integer, width, out);
    case FieldType::Memo: {
      if (!value) return PutBlank(width, out);
      // A memo field holds a block number; the value arrives as text.
      std::string_view trimmed = TrimBlanks(value->text);
      if (trimmed.empty()) return PutBlank(width, out);
      return PutInteger(TextToInteger(trimmed), width, out);
    }
    case FieldType::Float:
    case FieldType::Currency:
    case FieldType::BCD:
    case FieldType::FMTBcd:
      if (!value) return PutBlank(width, out);
      return PutFixed(value->number, field.Decimals, width, out);
    case FieldType::Date:
      if (width != 8) throw Exception("Buffer must be 8 chars for date");
      if (!value) return PutBlank(width, out);
      return PutDate(value->number, out);
    case FieldType::Boolean:
      if (width != 1) throw Exception("Buffer must be 1 char for boolean");
      if (!value) return PutBlank(width, out);
      *out = value->boolean ? 'T' : 'F';
      return;
    default: UnexpectedType();
  }
}

}  // namespace kvr
