#include "ui/painting.h"

#include <algorithm>
#include <array>
#include <mutex>

#include "platform/system_error.h"
#include "ui/window_class.h"

namespace kvr::ui {

using platform::kErrorNotEnoughMemory;
using platform::SetLastError;

namespace {

enum class ContextKind { kPaint, kWindow };

struct OpenContext {
  DeviceContext dc;
  WindowHandle window;
  ContextKind kind;
};

struct Contexts {
  std::mutex lock;
  std::vector<OpenContext> open;
  DeviceContext next = 0x1000;
  bool exhausted = false;
};

Contexts& TheContexts() {
  static Contexts contexts;
  return contexts;
}

struct Journal {
  std::mutex lock;
  std::array<PaintRecord, kPaintJournalCapacity> records{};
  std::size_t next = 0;   // slot written next
  std::size_t count = 0;  // slots in use
};

Journal& TheJournal() {
  static Journal journal;
  return journal;
}

// Opens a context; 0 when the bookkeeping itself cannot grow.
DeviceContext Open(WindowHandle window, ContextKind kind) noexcept {
  Contexts& contexts = TheContexts();
  std::lock_guard guard(contexts.lock);
  if (kind == ContextKind::kWindow && contexts.exhausted) return 0;
  try {
    DeviceContext dc = contexts.next++;
    contexts.open.push_back({dc, window, kind});
    return dc;
  } catch (...) {
    SetLastError(kErrorNotEnoughMemory);
    return 0;
  }
}

bool Close(WindowHandle window, DeviceContext dc, ContextKind kind) noexcept {
  Contexts& contexts = TheContexts();
  std::lock_guard guard(contexts.lock);
  auto& open = contexts.open;
  auto found = std::find_if(open.begin(), open.end(), [&](const OpenContext& c) {
    return c.dc == dc && c.window == window && c.kind == kind;
  });
  if (found == open.end()) return false;
  open.erase(found);
  return true;
}

}  // namespace

DeviceContext BeginPaint(WindowHandle window, PaintStruct& paint) noexcept {
  paint = PaintStruct{};
  if (window == 0) {
    SetLastError(kErrorInvalidWindowHandle);
    return 0;
  }
  paint.dc = Open(window, ContextKind::kPaint);
  if (paint.dc != 0) RecordPaintStep({window, PaintStep::kBeginPaint, paint.dc});
  return paint.dc;
}

bool EndPaint(WindowHandle window, const PaintStruct& paint) noexcept {
  if (!Close(window, paint.dc, ContextKind::kPaint)) return false;
  RecordPaintStep({window, PaintStep::kEndPaint, paint.dc});
  return true;
}

DeviceContext GetDC(WindowHandle window) noexcept {
  DeviceContext dc = Open(window, ContextKind::kWindow);
  if (dc != 0) RecordPaintStep({window, PaintStep::kGetDC, dc});
  return dc;
}

bool ReleaseDC(WindowHandle window, DeviceContext dc) noexcept {
  if (!Close(window, dc, ContextKind::kWindow)) return false;
  RecordPaintStep({window, PaintStep::kReleaseDC, dc});
  return true;
}

WindowHandle WindowFromDC(DeviceContext dc) noexcept {
  Contexts& contexts = TheContexts();
  std::lock_guard guard(contexts.lock);
  for (const OpenContext& c : contexts.open) {
    if (c.dc == dc) return c.window;
  }
  return 0;
}

std::size_t OpenDeviceContextCount() noexcept {
  Contexts& contexts = TheContexts();
  std::lock_guard guard(contexts.lock);
  return contexts.open.size();
}

void SetDeviceContextsExhausted(bool exhausted) noexcept {
  Contexts& contexts = TheContexts();
  std::lock_guard guard(contexts.lock);
  contexts.exhausted = exhausted;
}

void RecordPaintStep(const PaintRecord& record) noexcept {
  Journal& journal = TheJournal();
  std::lock_guard guard(journal.lock);
  journal.records[journal.next] = record;
  journal.next = (journal.next + 1) % kPaintJournalCapacity;
  journal.count = std::min(journal.count + 1, kPaintJournalCapacity);
}

std::vector<PaintRecord> PaintJournal(WindowHandle window) {
  Journal& journal = TheJournal();
  std::lock_guard guard(journal.lock);
  std::vector<PaintRecord> steps;
  std::size_t first =
      (journal.next + kPaintJournalCapacity - journal.count) % kPaintJournalCapacity;
  for (std::size_t i = 0; i < journal.count; ++i) {
    const PaintRecord& record = journal.records[(first + i) % kPaintJournalCapacity];
    if (record.window == window) steps.push_back(record);
  }
  return steps;
}

void ClearPaintJournal() noexcept {
  Journal& journal = TheJournal();
  std::lock_guard guard(journal.lock);
  journal.next = 0;
  journal.count = 0;
}

}  // namespace kvr::ui
