#include "platform/module_instance.h"

#include "platform/windows/win32.h"

namespace kvr::platform {

InstanceHandle ModuleInstance(const void* address) {
  HMODULE module = nullptr;
  if (!::GetModuleHandleExW(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          static_cast<LPCWSTR>(address), &module))
    return 0;
  return reinterpret_cast<InstanceHandle>(module);
}

bool KeepModuleLoaded(const void* address) {
  // A pinned module stays loaded until the process ends, whatever FreeLibrary calls follow.
  HMODULE module = nullptr;
  return ::GetModuleHandleExW(
             GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
             static_cast<LPCWSTR>(address), &module) != 0;
}

}  // namespace kvr::platform
