// Start-up and shut-down of the library, run when the host loads and unloads it. The units
// start in this order and stop in the reverse one: logging, format settings, database helper
// binding, progress window class, and last this main unit. Units whose folder is not part of
// the build are skipped (KVR_HAVE_<UNIT> is defined for those that are).
#include "entry/host_context.h"
#include "entry/payment_catalogue.h"

namespace kvr {
namespace {

class LibraryLifetime {
 public:
  LibraryLifetime() {
    // Logging, format settings, helper binding and the progress window class start here as
    // their units join the build.

    // Main unit. The process-wide state is created now, so that it is destroyed after this
    // object (statics die in reverse order of construction) and the release below finds it.
    TheHostContext();
    PaymentNames();
  }

  ~LibraryLifetime() {
    // Main unit: the payment catalogue and the host texts go first.
    ReleasePaymentCatalogue();
    ReleaseHostTexts();
  }
};

const LibraryLifetime g_library_lifetime;

}  // namespace
}  // namespace kvr
