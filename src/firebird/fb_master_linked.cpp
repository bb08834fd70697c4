// The client's master interface where the build links the client library (Linux).
#include "firebird/fb_api.h"

namespace kvr::firebird {

Firebird::IMaster* Master() {
  static Firebird::IMaster* const master = Firebird::fb_get_master_interface();
  return master;
}

}  // namespace kvr::firebird
