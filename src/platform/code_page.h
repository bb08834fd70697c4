// Code page services of the platform: the stand-ins for CharToOemBuffA / OemToCharBuffA,
// Windows-1251 case mapping, and UTF-8 at the edges a person reads.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kvr::platform {

// Windows-1251 -> code page 866, in place (same length). Bytes with no equivalent become '?'.
void AnsiToOem(char* text, std::size_t length);
// Code page 866 -> Windows-1251, in place. Bytes with no equivalent (box drawing) become '?'.
void OemToAnsi(char* text, std::size_t length);
std::string AnsiToOem(std::string_view text);
std::string OemToAnsi(std::string_view text);

char AnsiUpperChar(char c);
char AnsiLowerChar(char c);
std::string AnsiUpperCase(std::string_view text);
std::string AnsiLowerCase(std::string_view text);
// Compares two Windows-1251 texts without regard to letter case (Cyrillic included).
bool AnsiSameText(std::string_view a, std::string_view b);
int AnsiCompareText(std::string_view a, std::string_view b);

// Windows-1251 <-> UTF-8. Unknown bytes decode to U+FFFD; characters without a
// Windows-1251 byte encode as '?'.
std::string Cp1251ToUtf8(std::string_view text);
std::string Utf8ToCp1251(std::string_view text);
// Code page 866 -> UTF-8 (for showing OEM-encoded files).
std::string Cp866ToUtf8(std::string_view text);

}  // namespace kvr::platform
