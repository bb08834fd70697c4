// The message of the exception an action raises, or "(no error)": lets a table of cases
// compare error texts in one expectation.
#pragma once

#include <functional>
#include <string>

#include "common/exceptions.h"

namespace kvr::test {

inline std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const Exception& e) {
    return e.Message();
  }
  return "(no error)";
}

}  // namespace kvr::test
