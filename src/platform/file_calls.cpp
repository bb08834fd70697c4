#include "platform/file_calls.h"

#include <algorithm>
#include <atomic>
#include <vector>

#include "platform/system_error.h"

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

std::uint32_t WritePieces(FileCalls& calls, FileHandle handle,
                          std::span<const std::string_view> pieces) {
  constexpr std::size_t kMaxPiecesPerWrite = 1024;  // the port writes at most IOV_MAX at once
  std::vector<WriteBuffer> batch;
  batch.reserve(std::min<std::size_t>(pieces.size(), kMaxPiecesPerWrite));
  std::size_t next = 0;
  std::size_t skip = 0;  // bytes of pieces[next] already written
  while (next < pieces.size()) {
    batch.clear();
    for (std::size_t i = next; i < pieces.size() && batch.size() < kMaxPiecesPerWrite; ++i) {
      std::string_view piece = pieces[i].substr(i == next ? skip : 0);
      if (!piece.empty()) batch.push_back({piece.data(), piece.size()});
    }
    if (batch.empty()) break;
    std::size_t written = 0;
    if (const std::uint32_t code = calls.Write(handle, batch.data(), batch.size(), written))
      return code;
    while (next < pieces.size() && written >= pieces[next].size() - skip) {
      written -= pieces[next].size() - skip;
      skip = 0;
      ++next;
    }
    skip += written;
  }
  return kErrorSuccess;
}

}  // namespace kvr::platform
