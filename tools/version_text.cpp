#include "version_text.h"

#include "kvr/host_abi.h"

namespace kvr::host {

std::string VersionText() {
#ifdef KVR_VERSION_STRING
  return std::string("kvrhost ") + KVR_VERSION_STRING + " (libKVRExportCreator9.so host interface)";
#else
  return "kvrhost (version unknown: built without the version macros)";
#endif
}

}  // namespace kvr::host
