// Texts of a DBF file in UTF-8: the code page a code-page mark stands for, as the common DBF
// readers map the marks, and a decoder for it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/code_page_decoder.h"

namespace kvr::host {

// The code page of a mark (header byte 29): 101 -> 866, 201 -> 1251, 3 -> 1252, ...; 0 when
// the mark names none (0 included).
int CodePageOfMark(std::uint8_t mark);

// The code page kvrhost reads a file in: `forced` when given, else the mark's, else 866 (the
// library's tables).
int CodePageToRead(std::uint8_t mark, int forced);

// Decodes one code page to UTF-8; bytes the code page lacks become U+FFFD.
class TextDecoder : public platform::CodePageDecoder {
 public:
  using CodePageDecoder::CodePageDecoder;
};

}  // namespace kvr::host
