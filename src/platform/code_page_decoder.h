// Decodes the text of one code page to UTF-8, for showing files written in code pages other than
// the library's own (iconv on POSIX, MultiByteToWideChar on Windows).
#pragma once

#include <string>
#include <string_view>

namespace kvr::platform {

class CodePageDecoder {
 public:
  // Raises std::invalid_argument for a code page this system cannot decode.
  explicit CodePageDecoder(int code_page);
  ~CodePageDecoder();
  CodePageDecoder(const CodePageDecoder&) = delete;
  CodePageDecoder& operator=(const CodePageDecoder&) = delete;

  int CodePage() const { return code_page_; }
  // Appends the UTF-8 text of `bytes` to `out`; bytes the code page lacks become U+FFFD.
  void Append(std::string_view bytes, std::string& out);
  std::string ToUtf8(std::string_view bytes) {
    std::string out;
    Append(bytes, out);
    return out;
  }

 private:
  int code_page_;
  void* handle_ = nullptr;  // the port's converter, if it needs one
};

}  // namespace kvr::platform
