#include "common/format_text.h"

#include <charconv>
#include <cmath>
#include <vector>

#include "common/exceptions.h"

namespace kvr {
namespace {

[[noreturn]] void Invalid(std::string_view format) {
  throw EConvertError("Format '" + std::string(format) + "' invalid or incompatible with argument");
}

// The C library's texts for these conversions in the "C" locale, whatever locale the host
// process runs under: to_chars never reads the locale, snprintf does.
std::string FloatText(double v, std::chars_format form, int precision, bool upper) {
  char buf[512];
  auto r = std::to_chars(buf, buf + sizeof buf, v, form, precision);
  if (r.ec != std::errc()) return {};
  if (upper)
    for (char* p = buf; p != r.ptr; ++p)
      if (*p >= 'a' && *p <= 'z') *p = static_cast<char>(*p - 32);
  return std::string(buf, r.ptr);
}

std::string FixedText(double v, int precision) {
  return FloatText(v, std::chars_format::fixed, precision, false);
}

std::string WithThousands(std::string fixed) {
  std::size_t start = fixed[0] == '-' ? 1 : 0;
  std::size_t point = fixed.find('.');
  std::size_t end = point == std::string::npos ? fixed.size() : point;
  for (std::size_t i = end; i > start + 3; i -= 3) fixed.insert(i - 3, 1, ',');
  return fixed;
}

}  // namespace

std::string Format(std::string_view format, std::initializer_list<FormatArg> args) {
  std::vector<const FormatArg*> list;
  for (const auto& a : args) list.push_back(&a);
  std::string out;
  out.reserve(format.size() + 32);
  std::size_t next_arg = 0;
  std::size_t i = 0;
  while (i < format.size()) {
    char c = format[i];
    if (c != '%') {
      out += c;
      ++i;
      continue;
    }
    ++i;
    if (i >= format.size()) Invalid(format);
    if (format[i] == '%') {
      out += '%';
      ++i;
      continue;
    }
    auto read_number = [&](int& value) {
      std::size_t start = i;
      while (i < format.size() && format[i] >= '0' && format[i] <= '9') ++i;
      if (i == start) return false;
      std::from_chars(format.data() + start, format.data() + i, value);
      return true;
    };
    int number = 0;
    std::size_t save = i;
    if (read_number(number) && i < format.size() && format[i] == ':') {
      next_arg = static_cast<std::size_t>(number);
      ++i;
    } else {
      i = save;
    }
    bool left = false;
    if (i < format.size() && format[i] == '-') {
      left = true;
      ++i;
    }
    int width = -1;
    read_number(width);
    int precision = -1;
    if (i < format.size() && format[i] == '.') {
      ++i;
      precision = 0;
      read_number(precision);
    }
    if (i >= format.size()) Invalid(format);
    char type = static_cast<char>(format[i] | 0x20);
    ++i;
    if (next_arg >= list.size()) Invalid(format);
    const FormatArg& arg = *list[next_arg++];
    std::string piece;
    switch (type) {
      case 'd':
      case 'u': {
        if (arg.kind() != FormatArg::Kind::kInteger) Invalid(format);
        std::int64_t v = arg.integer();
        if (type == 'u' && v < 0) v = static_cast<std::uint32_t>(v);
        std::string digits =
            std::to_string(v < 0 ? -static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v));
        if (precision > static_cast<int>(digits.size()))
          digits.insert(0, precision - digits.size(), '0');
        piece = (v < 0 ? "-" : "") + digits;
        break;
      }
      case 'x': {
        if (arg.kind() != FormatArg::Kind::kInteger) Invalid(format);
        char buf[32];
        auto r =
            std::to_chars(buf, buf + sizeof buf, static_cast<std::uint64_t>(arg.integer()), 16);
        piece.assign(buf, r.ptr);
        for (auto& ch : piece) ch = static_cast<char>(ch >= 'a' ? ch - 32 : ch);
        if (precision > static_cast<int>(piece.size()))
          piece.insert(0, precision - piece.size(), '0');
        break;
      }
      case 's':
        if (arg.kind() != FormatArg::Kind::kText) Invalid(format);
        piece = arg.text();
        if (precision >= 0 && static_cast<std::size_t>(precision) < piece.size())
          piece.resize(precision);
        break;
      case 'f':
      case 'n':
      case 'e':
      case 'g': {
        double v;
        if (arg.kind() == FormatArg::Kind::kFloat)
          v = arg.floating();
        else
          Invalid(format);
        if (type == 'f')
          piece = FixedText(v, precision < 0 ? 2 : precision);
        else if (type == 'n')
          piece = WithThousands(FixedText(v, precision < 0 ? 2 : precision));
        else
          piece =
              FloatText(v, type == 'e' ? std::chars_format::scientific : std::chars_format::general,
                        precision < 0 ? 15 : precision, true);
        break;
      }
      default: Invalid(format);
    }
    if (width > static_cast<int>(piece.size())) {
      std::string pad(width - piece.size(), ' ');
      piece = left ? piece + pad : pad + piece;
    }
    out += piece;
  }
  return out;
}

}  // namespace kvr
