#include "ui/progress_viewer.h"

#include <memory>

#include "platform/module_instance.h"
#include "platform/system_error.h"
#include "ui/progress_viewer_window.h"
#include "ui/window_class.h"

namespace kvr::ui {
namespace {

// Load and unload run on the thread that loads the library, before and after any viewer.
// A plain pointer: a static with a destructor could be destroyed before the library's unload
// step runs (static destruction order across files), which then freed it a second time.
ViewerRegistry* g_viewers = nullptr;
bool g_class_registered = false;
bool g_class_owned = false;  // this load registered the class and must take it back

const char kModuleAnchor = 0;  // any address inside this module

WindowClass ViewerClass() {
  WindowClass c;
  c.style = kClassHRedraw | kClassVRedraw;
  c.procedure = &ProgressViewerWindowProcedure;
  c.class_extra_bytes = 0;
  c.window_extra_bytes = 0;
  c.instance = ProgressViewerInstance();
  c.icon = LoadSystemIcon(kIconApplication);
  c.cursor = LoadSystemCursor(kCursorArrow);
  c.background = SystemColorBrush(kColorWindow);
  c.class_name = std::string(kProgressViewerClassName);
  return c;
}

}  // namespace

void InitializeProgressViewer() {
  if (!g_viewers) g_viewers = new ViewerRegistry();
  if (RegisterWindowClass(ViewerClass()) != 0) {
    g_class_registered = true;
    g_class_owned = true;
  } else {
    g_class_registered = platform::GetLastError() == kErrorClassAlreadyExists;
  }
}

void FinalizeProgressViewer() {
  delete g_viewers;
  g_viewers = nullptr;
  if (g_class_owned) {
    UnregisterWindowClass(kProgressViewerClassName, ProgressViewerInstance());
  }
  g_class_owned = false;
  g_class_registered = false;
}

bool ProgressViewerClassRegistered() { return g_class_registered; }

platform::InstanceHandle ProgressViewerInstance() {
  return platform::ModuleInstance(&kModuleAnchor);
}

ViewerRegistry* ProgressViewers() { return g_viewers; }

}  // namespace kvr::ui
