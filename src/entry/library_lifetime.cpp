// Start-up and shut-down of the library, run when the host loads and unloads it. The units
// start in this order and stop in the reverse one: logging, format settings, database helper
// binding, progress window class, and last this main unit (the module logger). Units whose
// folder is not part of the build are skipped (KVR_HAVE_<UNIT> is defined for those that are).
#include "entry/host_context.h"
#include "entry/payment_catalogue.h"

#if KVR_HAVE_LOG
#include "log/module_loggers.h"
#endif
#if KVR_HAVE_FORMAT
#include "format/format_settings.h"
#endif
#if KVR_HAVE_UI
#include "ui/progress_viewer.h"
#endif
#if KVR_HAVE_DB
#include "common/exceptions.h"
#include "db/helper_binding.h"
#include "platform/ui_sinks.h"
#endif

namespace kvr {
namespace {

class LibraryLifetime {
 public:
  LibraryLifetime() {
#if KVR_HAVE_LOG
    log::InitializeLogging();
#endif
#if KVR_HAVE_FORMAT
    format::InitializeFormatSettings();
#endif
#if KVR_HAVE_DB
    LoadHelper();
#endif
#if KVR_HAVE_UI
    ui::InitializeProgressViewer();
#endif
    // Main unit. The process-wide state is created now, so that it is destroyed after this
    // object (statics die in reverse order of construction) and the release below finds it.
    TheHostContext();
    PaymentNames();
#if KVR_HAVE_LOG
    log::CreateReportsLog();
#endif
  }

  ~LibraryLifetime() {
    // Main unit: the module logger, the payment catalogue and the host texts.
#if KVR_HAVE_LOG
    log::FreeReportsLog();
#endif
    ReleasePaymentCatalogue();
    ReleaseHostTexts();
#if KVR_HAVE_UI
    ui::FinalizeProgressViewer();
#endif
#if KVR_HAVE_DB
    db::UnloadHelperBinding();
#endif
#if KVR_HAVE_LOG
    log::FinalizeLogging();
#endif
  }

 private:
#if KVR_HAVE_DB
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
#endif
};

const LibraryLifetime g_library_lifetime;

}  // namespace
}  // namespace kvr
