// Bounds every call a connection makes to a database server. The client library has a
// time-out for connecting (isc_dpb_connect_timeout) but none for a server that stops
// answering later: a stalled server keeps the TCP connection open, so a fetch waits forever.
// The watchdog's thread looks at the call in progress; one that has run longer than the
// time-out has the client cut the connection (cancelOperation with fb_cancel_abort), and the
// waiting call then fails with the client's own network error.
//
// Internal to this folder. Begin/End are two atomic operations (cheap enough for every fetch).
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

namespace Firebird {
class IAttachment;
}

namespace kvr::firebird {

class CallWatchdog {
 public:
  // Holds its own reference to `attachment` until destroyed, so that a cut after a detach
  // never reaches a freed object.
  CallWatchdog(Firebird::IAttachment* attachment, std::chrono::milliseconds timeout);
  ~CallWatchdog();
  CallWatchdog(const CallWatchdog&) = delete;
  CallWatchdog& operator=(const CallWatchdog&) = delete;

  void Begin() noexcept;
  void End() noexcept;
  // True once the watchdog cut the connection.
  bool Fired() const noexcept { return fired_.load(std::memory_order_acquire); }

 private:
  void Watch();

  Firebird::IAttachment* attachment_;
  const std::chrono::milliseconds timeout_;
  std::atomic<int> calls_{0};                 // calls in progress
  std::atomic<std::int64_t> last_change_{0};  // steady-clock ticks of the last Begin or End
  std::atomic<bool> fired_{false};
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  std::thread thread_;
};

// Marks one server call of a connection (nothing when the connection has no watchdog).
class ServerCall {
 public:
  explicit ServerCall(CallWatchdog* watchdog) noexcept : watchdog_(watchdog) {
    if (watchdog_ != nullptr) watchdog_->Begin();
  }
  ~ServerCall() {
    if (watchdog_ != nullptr) watchdog_->End();
  }
  ServerCall(const ServerCall&) = delete;
  ServerCall& operator=(const ServerCall&) = delete;

 private:
  CallWatchdog* watchdog_;
};

}  // namespace kvr::firebird
