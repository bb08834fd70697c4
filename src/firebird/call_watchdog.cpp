#include "firebird/call_watchdog.h"

#include <algorithm>

#include "firebird/fb_api.h"

namespace kvr::firebird {
namespace {

using Clock = std::chrono::steady_clock;

std::int64_t Now() noexcept { return Clock::now().time_since_epoch().count(); }

}  // namespace

CallWatchdog::CallWatchdog(Firebird::IAttachment* attachment, std::chrono::milliseconds timeout)
    : attachment_(attachment), timeout_(timeout) {
  attachment_->addRef();
  thread_ = std::thread([this] { Watch(); });
}

CallWatchdog::~CallWatchdog() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_one();
  thread_.join();
  attachment_->release();
}

// A dataset reading ahead makes calls on its own thread, so calls may overlap: the clock
// restarts whenever a call begins or ends, and the connection is cut when calls are in
// progress and none has begun or ended for the whole time-out. For one call at a time that
// is the call's own duration; a thread that begins a call behind a stalled one stalls too,
// so each thread delays the cut once at most.
void CallWatchdog::Begin() noexcept {
  last_change_.store(Now(), std::memory_order_relaxed);
  calls_.fetch_add(1, std::memory_order_release);
}

void CallWatchdog::End() noexcept {
  last_change_.store(Now(), std::memory_order_relaxed);
  calls_.fetch_sub(1, std::memory_order_release);
}

void CallWatchdog::Watch() {
  // Checked a few times per time-out: a stall is noticed within a quarter of it.
  const auto period = std::clamp<std::chrono::milliseconds>(
      timeout_ / 4, std::chrono::milliseconds(10), std::chrono::seconds(1));
  const std::int64_t limit = std::chrono::duration_cast<Clock::duration>(timeout_).count();
  std::unique_lock lock(mutex_);
  while (!wake_.wait_for(lock, period, [this] { return stopping_; })) {
    if (calls_.load(std::memory_order_acquire) == 0 || Fired()) continue;
    if (Now() - last_change_.load(std::memory_order_relaxed) < limit) continue;
    Status status;
    attachment_->cancelOperation(status.get(), fb_cancel_abort);
    fired_.store(true, std::memory_order_release);
  }
}

}  // namespace kvr::firebird
