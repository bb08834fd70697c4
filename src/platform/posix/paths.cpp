#include "platform/paths.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace kvr::platform {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

std::string EnvOr(const char* name, std::string_view fallback) {
  const char* v = std::getenv(name);
  return v && *v ? std::string(v) : std::string(fallback);
}

std::string WithoutTrailingSlash(std::string s) {
  while (s.size() > 1 && s.back() == '/') s.pop_back();
  return s;
}

}  // namespace

std::string RootDirectory() { return WithoutTrailingSlash(EnvOr("KVR_ROOT", kDefaultRoot)); }

std::string MapPath(std::string_view path) {
  std::string out;
  bool drive = path.size() >= 2 && path[1] == ':' &&
               ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
  if (drive) {
    out = RootDirectory();
    out += '/';
    out += static_cast<char>(path[0] & ~0x20);
    path.remove_prefix(2);
    if (!path.empty() && !IsSeparator(path[0])) out += '/';
  }
  out.reserve(out.size() + path.size());
  for (char c : path) out += c == '\\' ? '/' : c;
  return out;
}

std::string WindowsDirectory() {
  const char* v = std::getenv("KVR_WINDIR");
  if (v && *v) return WithoutTrailingSlash(v);
  return "C:\\WINDOWS";
}

std::string TempDirectory() {
  std::string dir = WithoutTrailingSlash(EnvOr("TMPDIR", "/tmp"));
  if (dir.empty() || dir.back() != '/') dir += '/';
  return dir;
}

std::string HostExecutablePath() {
  std::vector<char> buf(4096);
  ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size() - 1);
  return n > 0 ? std::string(buf.data(), static_cast<std::size_t>(n)) : std::string();
}

std::string ModulePath(const void* address) {
  Dl_info info{};
  if (dladdr(address, &info) && info.dli_fname && *info.dli_fname) {
    char* real = realpath(info.dli_fname, nullptr);
    if (real) {
      std::string out(real);
      std::free(real);
      return out;
    }
    return info.dli_fname;
  }
  return HostExecutablePath();
}

}  // namespace kvr::platform
