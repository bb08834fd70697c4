#include "platform/shared_library.h"

#include <dlfcn.h>

namespace kvr::platform {

std::unique_ptr<SharedLibrary> SharedLibrary::Open(const std::string& path, std::string* error) {
  void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    if (error) {
      const char* message = ::dlerror();
      *error = message ? message : "cannot load " + path;
    }
    return nullptr;
  }
  return std::unique_ptr<SharedLibrary>(new SharedLibrary(handle, path));
}

SharedLibrary::~SharedLibrary() { ::dlclose(handle_); }

void* SharedLibrary::Symbol(const char* name) const { return ::dlsym(handle_, name); }

std::string LibraryFileName(std::string_view name) { return "lib" + std::string(name) + ".so"; }

}  // namespace kvr::platform
