// The path pieces of paths.h: plain string work on both separators, the same on every port.
#include "platform/paths.h"

namespace kvr::platform {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

}  // namespace

std::string ExtractFileName(std::string_view path) {
  std::size_t i = path.size();
  while (i > 0 && !IsSeparator(path[i - 1]) && path[i - 1] != ':') --i;
  return std::string(path.substr(i));
}

std::string ExtractFilePath(std::string_view path) {
  std::size_t i = path.size();
  while (i > 0 && !IsSeparator(path[i - 1]) && path[i - 1] != ':') --i;
  return std::string(path.substr(0, i));
}

std::string ExtractFileExt(std::string_view path) {
  for (std::size_t i = path.size(); i > 0; --i) {
    char c = path[i - 1];
    if (c == '.') return std::string(path.substr(i - 1));
    if (IsSeparator(c) || c == ':') break;
  }
  return std::string();
}

std::string ChangeFileExt(std::string_view path, std::string_view ext) {
  std::string current = ExtractFileExt(path);
  std::string out(path.substr(0, path.size() - current.size()));
  out += ext;
  return out;
}

std::string IncludeTrailingPathDelimiter(std::string_view path) {
  std::string out(path);
  if (out.empty() || !IsSeparator(out.back())) out += '\\';
  return out;
}

}  // namespace kvr::platform
