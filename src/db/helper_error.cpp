#include "db/helper_error.h"

#include <cstring>
#include <string>

#include "common/exceptions.h"

namespace kvr::db {
namespace {

template <class E>
[[noreturn]] void Raise(std::string message) {
  throw E(std::move(message));
}

struct KnownClass {
  const char* name;
  void (*raise)(std::string);
};

// The classes the Firebird components and the helper raise; any other name arrives as
// Exception with the same message.
constexpr KnownClass kKnownClasses[] = {
    {"EIBInterBaseError", &Raise<EIBInterBaseError>},
    {"EIBClientError", &Raise<EIBClientError>},
    {"EIBError", &Raise<EIBError>},
    {"EDatabaseError", &Raise<EDatabaseError>},
    {"EConvertError", &Raise<EConvertError>},
};

}  // namespace

void RaiseHelperError(const CorvaneError& error) {
  if (error.class_name[0] == '\0') return;
  std::string message(error.message, strnlen(error.message, sizeof error.message));
  const std::string class_name(error.class_name,
                               strnlen(error.class_name, sizeof error.class_name));
  if (class_name == "EOSError") throw EOSError(std::move(message), error.os_error);
  for (const KnownClass& known : kKnownClasses)
    if (class_name == known.name) known.raise(std::move(message));
  throw Exception(std::move(message));
}

}  // namespace kvr::db
