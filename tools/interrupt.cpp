#include "interrupt.h"

#include "platform/interrupt.h"

namespace kvr::host {

void ExitOnInterrupt(bool json) {
  platform::ExitOnInterrupt(
      json ? "\n{\"error\":\"interrupted\",\"exit_status\":130}\n" : "\nkvrhost: interrupted\n",
      130);
}

}  // namespace kvr::host
