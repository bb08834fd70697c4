// Trimming of Windows-1251 texts, without copies. Three rules, because the system has three:
//   Trim            every byte up to ' ' (blanks and control characters), like the platform's
//                   Trim: log texts, the fuel-name settings.
//   TrimBlanks      spaces and tabs, as the Windows profile reader and the number texts skip
//                   them: INI names and values, numbers, DBF filter and field tests.
//   TrimRightSpaces spaces only: a DBF text field is padded with spaces, so a tab (or any
//                   other byte) at its end is part of the value.
#pragma once

#include <string_view>

namespace kvr {

constexpr std::string_view Trim(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
  return text;
}

constexpr std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

constexpr std::string_view TrimRightSpaces(std::string_view text) {
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

}  // namespace kvr
