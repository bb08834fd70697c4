// Paths on Windows are native: the drive paths the system composes are used as they stand.
#include "platform/paths.h"

#include <vector>

#include "platform/windows/wide_text.h"
#include "platform/windows/win32.h"

namespace kvr::platform {
namespace {

std::string WithoutTrailingSeparator(std::string s) {
  while (s.size() > 1 && (s.back() == '\\' || s.back() == '/') && s[s.size() - 2] != ':')
    s.pop_back();
  return s;
}

// The full path of `module` (null: the program), however long it is.
std::string ModuleFileName(HMODULE module) {
  std::vector<wchar_t> buffer(MAX_PATH);
  while (true) {
    const DWORD n = ::GetModuleFileNameW(module, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return std::string();
    if (n < buffer.size()) return NarrowText(buffer.data(), n);
    if (buffer.size() >= 32768) return std::string();
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace

// There are real drives here; the root only matters where drives are stood in for.
std::string RootDirectory() { return std::string(); }

std::string MapPath(std::string_view path) { return std::string(path); }

std::string WindowsDirectory() {
  wchar_t buffer[MAX_PATH + 1];
  const UINT n = ::GetWindowsDirectoryW(buffer, MAX_PATH + 1);
  if (n == 0 || n > MAX_PATH) return "C:\\WINDOWS";
  return WithoutTrailingSeparator(NarrowText(buffer, n));
}

std::string TempDirectory() {
  wchar_t buffer[MAX_PATH + 2];
  const DWORD n = ::GetTempPathW(MAX_PATH + 2, buffer);
  if (n == 0 || n > MAX_PATH + 1) return "C:\\WINDOWS\\TEMP\\";
  return IncludeTrailingPathDelimiter(NarrowText(buffer, n));
}

std::string HostExecutablePath() { return ModuleFileName(nullptr); }

std::string ModulePath(const void* address) {
  HMODULE module = nullptr;
  if (!::GetModuleHandleExW(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          static_cast<LPCWSTR>(address), &module))
    return HostExecutablePath();
  return ModuleFileName(module);
}

}  // namespace kvr::platform
