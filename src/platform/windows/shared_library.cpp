#include "platform/shared_library.h"

#include "platform/system_error.h"
#include "platform/windows/wide_text.h"
#include "platform/windows/win32.h"

namespace kvr::platform {

std::unique_ptr<SharedLibrary> SharedLibrary::Open(const std::string& path, std::string* error) {
  const HMODULE module = ::LoadLibraryW(WideText(path).c_str());
  if (!module) {
    if (error) *error = path + ": " + SysErrorMessage(::GetLastError());
    return nullptr;
  }
  return std::unique_ptr<SharedLibrary>(new SharedLibrary(module, path));
}

SharedLibrary::~SharedLibrary() { ::FreeLibrary(static_cast<HMODULE>(handle_)); }

void* SharedLibrary::Symbol(const char* name) const {
  return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(handle_), name));
}

std::string LibraryFileName(std::string_view name) { return std::string(name) + ".dll"; }

}  // namespace kvr::platform
