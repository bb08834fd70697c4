// How TSafeIniFile stores a value that a single profile entry cannot hold.
//   - Line breaks: CR is dropped and LF becomes the six characters <@\n@>; reading turns the
//     escape back into CR LF.
//   - Length: the escaped value is cut into parts of at most 65,532 characters (never inside an
//     escape). Part 1 goes under the key itself; with more than one part the key's companions
//     hold the count ("<key>__$Count"), the hash of part 1 ("<key>__$Hash") and parts 2..n
//     ("<key>__$Line2" ...). A reader appends the parts only while the hash still matches part 1,
//     so a value rewritten by a program that knows nothing of the scheme reads back alone.
//   - Quoting: a part that begins or ends with a character of code 32 or less, or with '"', is
//     written in double quotes, which the profile reader strips again.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kvr::ini {

constexpr std::string_view kLineBreakEscape = "<@\\n@>";
constexpr std::size_t kMaxPartLength = 65'532;
constexpr std::string_view kCountSuffix = "__$Count";
constexpr std::string_view kHashSuffix = "__$Hash";
constexpr std::string_view kLineSuffix = "__$Line";

// h := h + byte, then h := h - rotl(h, 13), modulo 2^32, read as signed ("abc" -> 397824173).
std::int32_t IniHash(std::string_view text);

struct ValueParts {
  std::vector<std::string> parts;  // escaped and quoted, ready to be written
  std::int32_t hash = 0;           // of part 1 before quoting; 0 for a single part
};
// Escapes and cuts `value`. With `first_part_only` (plain mode) longer values are cut off.
ValueParts SplitValue(std::string_view value, bool first_part_only);

// Replaces each escape by CR LF.
std::string UnescapeLineBreaks(std::string_view raw);

}  // namespace kvr::ini
