// The progress viewer unit: at library load it prepares the viewer registry and registers the
// window class "ProgressViewerFormClass"; at unload it frees the registry. The library opens
// no viewer itself; whoever opens one creates a window of this class and adds it to the
// registry, and removes it when the window closes.
#pragma once

#include <string_view>

#include "ui/viewer_registry.h"
#include "ui/window_types.h"

namespace kvr::ui {

inline constexpr std::string_view kProgressViewerClassName = "ProgressViewerFormClass";

// Called once when the library loads. Calling it again keeps the registry and its entries.
void InitializeProgressViewer();
// Called once when the library unloads. Unregisters the class only if this load registered
// it, so that no class outlives the window procedure it points to.
void FinalizeProgressViewer();

// True when this load registered the class or found it already registered by this module.
bool ProgressViewerClassRegistered();
// The instance the class is registered for: the module that holds this library.
platform::InstanceHandle ProgressViewerInstance();
// The registry of open viewers; null before load and after unload. Load and unload happen
// while no viewer window receives messages.
ViewerRegistry* ProgressViewers();

}  // namespace kvr::ui
