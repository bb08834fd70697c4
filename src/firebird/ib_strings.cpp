#include "firebird/ib_strings.h"

#include "codepage/code_page.h"

namespace kvr {

void IBStrings::Add(std::string_view line) {
  lines_.emplace_back(line);
  Changed();
}

void IBStrings::Clear() {
  lines_.clear();
  Changed();
}

std::string IBStrings::Text() const {
  std::string text;
  for (const auto& line : lines_) {
    text += line;
    text += "\r\n";
  }
  return text;
}

void IBStrings::SetText(std::string_view text) {
  lines_.clear();
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines_.emplace_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines_.emplace_back(text.substr(start));
  Changed();
}

int IBStrings::IndexOfName(std::string_view name) const {
  for (int i = 0; i < Count(); ++i) {
    std::string_view line = lines_[i];
    std::size_t eq = line.find('=');
    if (eq != std::string_view::npos && codepage::AnsiSameText(line.substr(0, eq), name)) return i;
  }
  return -1;
}

std::string IBStrings::Values(std::string_view name) const {
  int i = IndexOfName(name);
  if (i < 0) return {};
  const std::string& line = lines_[i];
  return line.substr(line.find('=') + 1);
}

void IBStrings::SetValues(std::string_view name, std::string_view value) {
  int i = IndexOfName(name);
  if (value.empty()) {
    if (i >= 0) lines_.erase(lines_.begin() + i);
  } else {
    std::string line = std::string(name) + "=" + std::string(value);
    if (i >= 0)
      lines_[i] = std::move(line);
    else
      lines_.push_back(std::move(line));
  }
  Changed();
}

void IBStrings::Changed() {
  if (OnChange) OnChange();
}

}  // namespace kvr
