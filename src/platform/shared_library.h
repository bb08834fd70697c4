// A dynamically loaded library (LoadLibrary/GetProcAddress/FreeLibrary): loaded on Open,
// unloaded when the object goes.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace kvr::platform {

class SharedLibrary {
 public:
  // Loads the library; on failure returns null and puts the loader's message in *error.
  static std::unique_ptr<SharedLibrary> Open(const std::string& path, std::string* error);
  ~SharedLibrary();
  SharedLibrary(const SharedLibrary&) = delete;
  SharedLibrary& operator=(const SharedLibrary&) = delete;

  // The address of an exported symbol, or null.
  void* Symbol(const char* name) const;
  const std::string& Path() const { return path_; }

 private:
  SharedLibrary(void* handle, std::string path) : handle_(handle), path_(std::move(path)) {}
  void* handle_;
  std::string path_;
};

// The file of the library called `name` on this system ("libNAME.so"; Windows: "NAME.dll").
std::string LibraryFileName(std::string_view name);

}  // namespace kvr::platform
