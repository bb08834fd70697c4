#include "platform/module_instance.h"

#include <dlfcn.h>

namespace kvr::platform {

InstanceHandle ModuleInstance(const void* address) {
  Dl_info info{};
  if (dladdr(address, &info) == 0) return 0;
  return reinterpret_cast<InstanceHandle>(info.dli_fbase);
}

bool KeepModuleLoaded(const void* address) {
  Dl_info info{};
  if (dladdr(address, &info) == 0 || info.dli_fname == nullptr) return false;
  // Marks the loaded module as never unloaded; the handle stays open on purpose.
  return dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE) != nullptr;
}

}  // namespace kvr::platform
