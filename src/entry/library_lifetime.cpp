// Start-up and shut-down of the library, run when the host loads and unloads it. The units
// start in this order and stop in the reverse one: logging, format settings, database helper
// binding, progress window class, and last this main unit (the module logger).
#include "common/exceptions.h"
#include "db/helper_binding.h"
#include "entry/host_context.h"
#include "entry/payment_catalogue.h"
#include "format/format_settings.h"
#include "log/module_loggers.h"
#include "platform/ui_sinks.h"
#include "ui/progress_viewer.h"

namespace kvr {
namespace {

class LibraryLifetime {
 public:
  LibraryLifetime() {
    log::InitializeLogging();
    format::InitializeFormatSettings();
    LoadHelper();
    ui::InitializeProgressViewer();
    // Main unit. The process-wide state is created now, so that it is destroyed after this
    // object (statics die in reverse order of construction) and the release below finds it.
    TheHostContext();
    PaymentNames();
    log::CreateReportsLog();
  }

  ~LibraryLifetime() {
    // Main unit: the module logger, the payment catalogue and the host texts.
    log::FreeReportsLog();
    ReleasePaymentCatalogue();
    ReleaseHostTexts();
    ui::FinalizeProgressViewer();
    db::UnloadHelperBinding();
    log::FinalizeLogging();
  }

 private:
  // A helper that cannot be found ends the host process inside the load step. An error that
  // stops the binding earlier (its mutex cannot be created) must not escape a constructor
  // that runs while the host loads the library: it is shown, and the library stays loaded
  // without the helper, so that each report call fails with its error text instead.
  static void LoadHelper() noexcept {
    try {
      db::LoadHelperBinding();
    } catch (...) {
      try {
        platform::ShowMessageBox(CurrentExceptionMessage(), "KVRExportCreator9",
                                 platform::MessageBoxIcon::kError);
      } catch (...) {
      }
    }
  }
};

const LibraryLifetime g_library_lifetime;

}  // namespace
}  // namespace kvr
