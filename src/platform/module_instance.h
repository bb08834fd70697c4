// The instance handle of a loaded module, as Windows hands it to a DLL: the address the module
// was loaded at. Window classes are registered per instance.
#pragma once

#include <cstdint>

namespace kvr::platform {

using InstanceHandle = std::uintptr_t;  // HINSTANCE: the load address of a module

// The instance of the module (shared library or program) that holds `address`; 0 if none does.
InstanceHandle ModuleInstance(const void* address);

// Keeps the module that holds `address` loaded until the process ends, whatever its loader
// asks later (for code that a thread left running may still execute). False if that cannot be.
bool KeepModuleLoaded(const void* address);

}  // namespace kvr::platform
