#include "platform/windows/wide_text.h"

#include "codepage/code_page.h"
#include "platform/system_error.h"
#include "platform/windows/win32.h"

namespace kvr::platform {

std::wstring WideText(std::string_view cp1251) {
  const std::string utf8 = codepage::Cp1251ToUtf8(cp1251);
  if (utf8.empty()) return std::wstring();
  const int size =
      ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size > 0 ? size : 0), L'\0');
  if (size > 0)
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                          size);
  return wide;
}

std::string NarrowText(const wchar_t* units, std::size_t count) {
  static_assert(sizeof(wchar_t) == sizeof(std::uint16_t));
  return codepage::Cp1251FromUtf16(reinterpret_cast<const std::uint16_t*>(units), count);
}

std::uint32_t SetLastErrorFromSystem() {
  const std::uint32_t code = ::GetLastError();
  SetLastError(code);
  return code;
}

}  // namespace kvr::platform
