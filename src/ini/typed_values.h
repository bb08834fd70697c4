// Typed INI values: texts read back through a locale-independent parser, with a default for
// texts that are empty or do not convert.
#pragma once

#include <string_view>

#include "format/format_settings.h"

namespace kvr::ini {

template <typename T>
using TryParse = bool (*)(std::string_view, T&, const format::TFormatSettings&);

template <typename T>
T ParseOr(std::string_view text, T default_value, TryParse<T> parse,
          const format::TFormatSettings& settings) {
  T value;
  return !text.empty() && parse(text, value, settings) ? value : default_value;
}

}  // namespace kvr::ini
