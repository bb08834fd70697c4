// The run-time conversions between the code pages: the stand-ins for CharToOemBuffA /
// OemToCharBuffA, Windows-1251 case mapping, UTF-8 at the edges a person reads and UTF-16 at
// the host's interface. Plain C++ over the tables of code_page_tables.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kvr::codepage {

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
// Windows-1251 byte, and each invalid or cut-off UTF-8 sequence, encode as '?'.
std::string Cp1251ToUtf8(std::string_view text);
std::string Utf8ToCp1251(std::string_view text);
// Code page 866 -> UTF-8 (for showing OEM-encoded files).
std::string Cp866ToUtf8(std::string_view text);

// UTF-16 code units -> Windows-1251. Characters without a Windows-1251 byte, a surrogate pair
// and a lone surrogate each become one '?'.
std::string Cp1251FromUtf16(const std::uint16_t* units, std::size_t count);

}  // namespace kvr::codepage
