// The helper variants the binding tests load, and a scope that loads one and unloads it.
#pragma once

#include <string>

#include "db/helper_binding.h"

namespace kvr::test {

inline const std::string kFullHelper = KVR_CORVANE_FULL;
inline const std::string kConnectOnlyHelper = KVR_CORVANE_CONNECT_ONLY;
inline const std::string kWithoutConnectHelper = KVR_CORVANE_WITHOUT_CONNECT;
inline const std::string kWithoutRead2Helper = KVR_CORVANE_WITHOUT_READ2;

class ScopedHelper {
 public:
  explicit ScopedHelper(const std::string& library) { db::LoadHelperBindingFrom({library}); }
  ~ScopedHelper() { db::UnloadHelperBinding(); }
  ScopedHelper(const ScopedHelper&) = delete;
  ScopedHelper& operator=(const ScopedHelper&) = delete;
};

// Sets an environment variable for a scope (the helper reads its settings on every call).
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old, had_ = true;
    setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() { had_ ? (void)setenv(name_, old_.c_str(), 1) : (void)unsetenv(name_); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::string old_;
  bool had_ = false;
};

}  // namespace kvr::test
