// The library's Windows-1251 texts and the system's UTF-16 ones. The "A" calls would read paths
// in the machine's own code page, which need not be 1251: this port uses the "W" calls and the
// library's own tables.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kvr::platform {

std::wstring WideText(std::string_view cp1251);
std::string NarrowText(const wchar_t* units, std::size_t count);
inline std::string NarrowText(const std::wstring& text) {
  return NarrowText(text.data(), text.size());
}

// Sets the last error from the system's last error and returns it: Windows codes are ours.
std::uint32_t SetLastErrorFromSystem();

}  // namespace kvr::platform
