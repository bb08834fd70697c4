#include "firebird/fb_api.h"

#include "common/exceptions.h"

namespace kvr::firebird {

Firebird::IUtil* Util() {
  static Firebird::IUtil* const util = Master()->getUtilInterface();
  return util;
}

std::string FormatStatus(Firebird::IStatus* status) {
  char buffer[8192];
  unsigned length = Util()->formatStatus(buffer, sizeof buffer, status);
  if (length > sizeof buffer) length = sizeof buffer;
  std::string text(buffer, length);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == '\0'))
    text.pop_back();
  return text;
}

void RaiseFirebirdError(Firebird::IStatus* status) {
  std::string message = FormatStatus(status);
  if (message.empty()) message = "Unknown Firebird error";
  throw EIBInterBaseError(std::move(message));
}

}  // namespace kvr::firebird
