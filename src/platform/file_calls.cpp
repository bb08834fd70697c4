#include "platform/file_calls.h"

#include <atomic>

namespace kvr::platform {
namespace {
std::atomic<FileCalls*> g_installed{nullptr};
}

FileCalls& CurrentFileCalls() {
  FileCalls* calls = g_installed.load(std::memory_order_acquire);
  return calls ? *calls : PortFileCalls();
}

ScopedFileCalls::ScopedFileCalls(FileCalls& calls)
    : previous_(g_installed.exchange(&calls, std::memory_order_acq_rel)) {}

ScopedFileCalls::~ScopedFileCalls() { g_installed.store(previous_, std::memory_order_release); }

}  // namespace kvr::platform
