// Shared pieces of the entry tests: UTF-8 <-> Windows-1251 for expectations, the host's text
// variable, and a scope that resets the library's process-wide state for internal tests.
#pragma once

#include <cstdlib>
#include <string>

#include "codepage/code_page.h"

namespace kvr::test {

inline std::string W(const std::string& utf8) { return codepage::Utf8ToCp1251(utf8); }

// The host's char* text variable: NULL or malloc'd; freed at the end of the scope.
class HostText {
 public:
  HostText() = default;
  explicit HostText(const char* initial) : value_(initial ? strdup(initial) : nullptr) {}
  ~HostText() { std::free(value_); }
  HostText(const HostText&) = delete;
  HostText& operator=(const HostText&) = delete;
  char** Slot() { return &value_; }
  bool IsNull() const { return value_ == nullptr; }
  std::string Text() const { return value_ ? value_ : ""; }

 private:
  char* value_ = nullptr;
};

}  // namespace kvr::test
