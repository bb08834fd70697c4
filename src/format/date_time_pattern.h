// DateTimePattern: a date-time pattern read once into a list of steps, for texts written per
// row. It writes exactly what AppendFormatDateTime writes for the same pattern and settings
// (both read it with date_time_reader.h), but reads the pattern (and the settings' names,
// separators and nested formats) only when it is made, and splits each value into its parts
// once, however many parts the pattern shows.
// The settings are copied: the pattern does not refer to them afterwards.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/date_time.h"
#include "format/format_settings.h"

namespace kvr::format {

class DateTimePattern {
 public:
  DateTimePattern() = default;
  DateTimePattern(std::string_view pattern, const TFormatSettings& settings) {
    Add(pattern, settings);
  }

  // Adds what a further AppendFormatDateTime(out, pattern, value, settings) would append.
  DateTimePattern& Add(std::string_view pattern, const TFormatSettings& settings);
  // Adds fixed text.
  DateTimePattern& AddText(std::string_view text);

  void AppendTo(std::string& out, TDateTime value) const;
  std::string Format(TDateTime value) const;

 private:
  enum class Op : std::uint8_t;
  struct Step {
    Op op;
    std::uint8_t digits;  // least digits of a number
    std::uint32_t a;      // a text's index; first name; the AM text; steps to skip
    std::uint32_t b;      // how many names; the PM text
  };
  class Builder;

  void AddStep(Op op, std::uint8_t digits = 0, std::uint32_t a = 0, std::uint32_t b = 0);
  std::uint32_t AddString(std::string_view text);

  std::vector<Step> steps_;
  std::vector<std::string> texts_;  // literal texts, names, AM/PM texts
  std::size_t merge_from_ = 0;      // text steps before this one take no more text
  std::size_t max_length_ = 0;      // the longest text the steps can write
};

}  // namespace kvr::format
