// Integers from text with the rules of the system's settings readers: optional leading blanks,
// a sign, decimal digits or hexadecimal after '$' or "0x"; the whole rest must be digits and the
// value must fit 32 bits.
#pragma once

#include <cstdint>
#include <string_view>

namespace kvr::format {

bool TryStrToInt(std::string_view text, std::int32_t& value);
std::int32_t StrToIntDef(std::string_view text, std::int32_t default_value);

}  // namespace kvr::format
