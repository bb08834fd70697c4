// Trimming of Windows-1251 texts, without copies.
#pragma once

#include <string_view>

namespace kvr {

// Blanks and control characters (every byte up to ' ') removed at both ends.
constexpr std::string_view Trim(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
  return text;
}

// Spaces and tabs removed at the end, or at both ends.
constexpr std::string_view TrimRightBlanks(std::string_view text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}
constexpr std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  return TrimRightBlanks(text);
}

}  // namespace kvr
