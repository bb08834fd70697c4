#include "version_text.h"

#include "kvr/host_abi.h"

namespace kvr::host {

std::string VersionText() {
  return std::string("kvrhost ") + KVR_VERSION_STRING + " (libKVRExportCreator9.so host interface)";
}

}  // namespace kvr::host
