#include "platform/code_page_decoder.h"

#include <iconv.h>

#include <cerrno>
#include <stdexcept>

namespace kvr::platform {
namespace {

std::string IconvName(int code_page) {
  switch (code_page) {
    case 10000: return "MACINTOSH";
    case 10006: return "MACGREEK";
    case 10007: return "MAC-CYRILLIC";
    case 10029: return "MAC-CENTRALEUROPE";
    case 950: return "BIG5";
    default: return "CP" + std::to_string(code_page);
  }
}

}  // namespace

CodePageDecoder::CodePageDecoder(int code_page) : code_page_(code_page) {
  iconv_t cd = ::iconv_open("UTF-8", IconvName(code_page).c_str());
  if (cd == reinterpret_cast<iconv_t>(-1))
    throw std::invalid_argument("code page " + std::to_string(code_page) +
                                " cannot be decoded here");
  handle_ = cd;
}

CodePageDecoder::~CodePageDecoder() { ::iconv_close(static_cast<iconv_t>(handle_)); }

void CodePageDecoder::Append(std::string_view bytes, std::string& out) {
  iconv_t cd = static_cast<iconv_t>(handle_);
  char buffer[1024];
  char* in = const_cast<char*>(bytes.data());
  std::size_t in_left = bytes.size();
  while (in_left > 0) {
    char* to = buffer;
    std::size_t to_left = sizeof buffer;
    const std::size_t r = ::iconv(cd, &in, &in_left, &to, &to_left);
    out.append(buffer, to - buffer);
    if (r == static_cast<std::size_t>(-1) && errno != E2BIG) {
      out += "\xEF\xBF\xBD";  // a byte the code page lacks (or a cut multi-byte character)
      ++in;
      --in_left;
      ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
}

}  // namespace kvr::platform
