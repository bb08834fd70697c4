#include "firebird/call_watchdog.h"

#include <algorithm>

#include "firebird/fb_api.h"

namespace kvr::firebird {
namespace {

using Clock = std::chrono::steady_clock;

std::int64_t Now() noexcept {
  // Never 0, which means "no call".
  return std::max<std::int64_t>(1, Clock::now().time_since_epoch().count());
}

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

void CallWatchdog::Begin() noexcept { call_started_.store(Now(), std::memory_order_relaxed); }

void CallWatchdog::End() noexcept { call_started_.store(0, std::memory_order_relaxed); }

void CallWatchdog::Watch() {
  // Checked a few times per time-out: a stall is noticed within a quarter of it.
  const auto period = std::clamp<std::chrono::milliseconds>(
      timeout_ / 4, std::chrono::milliseconds(10), std::chrono::seconds(1));
  const std::int64_t limit = std::chrono::duration_cast<Clock::duration>(timeout_).count();
  std::unique_lock lock(mutex_);
  while (!wake_.wait_for(lock, period, [this] { return stopping_; })) {
    const std::int64_t started = call_started_.load(std::memory_order_relaxed);
    if (started == 0 || Fired() || Now() - started < limit) continue;
    Status status;
    attachment_->cancelOperation(status.get(), fb_cancel_abort);
    fired_.store(true, std::memory_order_release);
  }
}

}  // namespace kvr::firebird
