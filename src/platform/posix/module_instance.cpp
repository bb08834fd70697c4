#include "platform/module_instance.h"

#include <dlfcn.h>

namespace kvr::platform {

InstanceHandle ModuleInstance(const void* address) {
  Dl_info info{};
  if (dladdr(address, &info) == 0) return 0;
  return reinterpret_cast<InstanceHandle>(info.dli_fbase);
}

}  // namespace kvr::platform
