// A fresh directory under the temporary directory, removed with its contents when the object
// goes away (also when the test fails).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kvr::test {

class TempDir {
 public:
  explicit TempDir(std::string_view prefix = "kvr");
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The directory, without a trailing '/'.
  const std::string& path() const { return path_; }
  // path() + "/" + name.
  std::string File(std::string_view name) const;

 private:
  std::string path_;
};

// The whole content of a file (empty when it cannot be read).
std::string ReadFileText(const std::string& path);
// The names of the entries of a directory, sorted (none when it cannot be read).
std::vector<std::string> NamesIn(const std::string& dir);

}  // namespace kvr::test
