#include "format/date_time_text.h"

#include "format/date_time_reader.h"

namespace kvr::format {
namespace {

using detail::DateTimeName;
using detail::DateTimeNumber;

// What the pattern reader finds, written at once.
class DateTimeWriter {
 public:
  DateTimeWriter(std::string& out, TDateTime value) : out_(out), parts_(DecodeDateTime(value)) {}

  void Text(std::string_view text) { out_.append(text); }
  void Number(DateTimeNumber number, int digits) {
    char digits_text[detail::kNumberWidth];
    const char* end = detail::PutNumber(digits_text, detail::NumberOf(number, parts_), digits);
    out_.append(digits_text, static_cast<std::size_t>(end - digits_text));
  }
  template <std::size_t N>
  void Names(DateTimeName name, const std::array<std::string, N>& names) {
    const int index = detail::NameIndexOf(name, parts_);
    if (index >= 0 && index < static_cast<int>(N)) out_ += names[static_cast<std::size_t>(index)];
  }
  void AmPm(std::string_view am, std::string_view pm) {
    out_.append(parts_.time.hour >= 12 ? pm : am);
  }
  template <class Add>
  void WhenTimeOfDay(Add add) {
    if (detail::HasTimeOfDay(parts_)) add();
  }

 private:
  std::string& out_;
  const DateTimeParts parts_;
};

}  // namespace

void AppendFormatDateTime(std::string& out, std::string_view pattern, TDateTime value,
                          const TFormatSettings& settings) {
  DateTimeWriter writer(out, value);
  detail::DateTimeReader(writer, settings).Read(pattern);
}

std::string FormatDateTime(std::string_view pattern, TDateTime value,
                           const TFormatSettings& settings) {
  std::string out;
  AppendFormatDateTime(out, pattern, value, settings);
  return out;
}

std::string DateToStr(TDateTime value, const TFormatSettings& settings) {
  return FormatDateTime("ddddd", value, settings);
}
std::string TimeToStr(TDateTime value, const TFormatSettings& settings) {
  return FormatDateTime("tt", value, settings);
}
std::string DateTimeToStr(TDateTime value, const TFormatSettings& settings) {
  return FormatDateTime("c", value, settings);
}

}  // namespace kvr::format
