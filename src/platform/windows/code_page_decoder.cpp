#include "platform/code_page_decoder.h"

#include <stdexcept>

#include "platform/windows/win32.h"

namespace kvr::platform {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

void AppendUtf8(const wchar_t* units, int count, std::string& out) {
  if (count <= 0) return;
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, units, count, nullptr, 0, nullptr, nullptr);
  const std::size_t at = out.size();
  out.resize(at + static_cast<std::size_t>(size));
  ::WideCharToMultiByte(CP_UTF8, 0, units, count, out.data() + at, size, nullptr, nullptr);
}

// One character's bytes as the code page reads them (two for a lead byte of a double-byte one).
bool DecodeStrict(UINT code_page, std::string_view bytes, std::string& out) {
  wchar_t units[2048];
  const int n = ::MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, bytes.data(),
                                      static_cast<int>(bytes.size()), units, 2048);
  if (n <= 0) return false;
  AppendUtf8(units, n, out);
  return true;
}

}  // namespace

CodePageDecoder::CodePageDecoder(int code_page) : code_page_(code_page) {
  if (code_page <= 0 || !::IsValidCodePage(static_cast<UINT>(code_page)))
    throw std::invalid_argument("code page " + std::to_string(code_page) +
                                " cannot be decoded here");
}

CodePageDecoder::~CodePageDecoder() = default;

void CodePageDecoder::Append(std::string_view bytes, std::string& out) {
  const UINT cp = static_cast<UINT>(code_page_);
  while (!bytes.empty()) {
    // Pieces of at most 1024 bytes, never ending inside a double-byte character.
    std::size_t piece = 0;
    while (piece < bytes.size() && piece < 1024)
      piece += ::IsDBCSLeadByteEx(cp, static_cast<BYTE>(bytes[piece])) ? 2 : 1;
    if (piece > bytes.size()) piece = bytes.size();
    if (!DecodeStrict(cp, bytes.substr(0, piece), out)) {
      // Character by character, each one the code page lacks standing for U+FFFD.
      for (std::size_t i = 0; i < piece;) {
        std::size_t length = ::IsDBCSLeadByteEx(cp, static_cast<BYTE>(bytes[i])) ? 2 : 1;
        if (i + length > piece) length = piece - i;
        if (!DecodeStrict(cp, bytes.substr(i, length), out)) out += kReplacement;
        i += length;
      }
    }
    bytes.remove_prefix(piece);
  }
}

}  // namespace kvr::platform
