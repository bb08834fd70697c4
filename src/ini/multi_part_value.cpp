#include "ini/multi_part_value.h"

#include <algorithm>

namespace kvr::ini {
namespace {

bool NeedsQuotes(std::string_view part) {
  auto special = [](char c) { return static_cast<unsigned char>(c) <= 32 || c == '"'; };
  return !part.empty() && (special(part.front()) || special(part.back()));
}

std::string Quoted(std::string part) {
  if (!NeedsQuotes(part)) return part;
  part.insert(part.begin(), '"');
  part.push_back('"');
  return part;
}

}  // namespace

std::int32_t IniHash(std::string_view text) {
  std::uint32_t h = 0;
  for (unsigned char b : text) {
    h += b;
    h -= (h << 13) | (h >> 19);
  }
  return static_cast<std::int32_t>(h);
}

ValueParts SplitValue(std::string_view value, bool first_part_only) {
  ValueParts result;
  std::string current;
  current.reserve(std::min(value.size() + 16, kMaxPartLength));
  bool first_hashed = false;
  auto close = [&] {
    if (!first_hashed) {
      result.hash = IniHash(current);
      first_hashed = true;
    }
    result.parts.push_back(Quoted(std::move(current)));
    current.clear();
  };
  for (char c : value) {
    if (c == '\r') continue;
    const std::string_view piece = c == '\n' ? kLineBreakEscape : std::string_view(&c, 1);
    if (current.size() + piece.size() > kMaxPartLength) {
      close();
      if (first_part_only) break;
    }
    current.append(piece);
    if (current.size() == kMaxPartLength) {
      close();
      if (first_part_only) break;
    }
  }
  if (!current.empty() && !(first_part_only && !result.parts.empty())) close();
  if (result.parts.size() <= 1) result.hash = 0;
  return result;
}

std::string UnescapeLineBreaks(std::string_view raw) {
  std::string out;
  out.reserve(raw.size());
  std::size_t pos = 0;
  while (true) {
    std::size_t at = raw.find(kLineBreakEscape, pos);
    if (at == std::string_view::npos) break;
    out.append(raw, pos, at - pos).append("\r\n");
    pos = at + kLineBreakEscape.size();
  }
  out.append(raw, pos);
  return out;
}

}  // namespace kvr::ini
