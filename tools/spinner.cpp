#include "spinner.h"

#include <chrono>
#include <cstdio>

#include "platform/terminal.h"

namespace kvr::host {

using namespace std::chrono_literals;

Spinner::Spinner(std::string label) : label_(std::move(label)) {
  if (platform::StandardErrorIsTerminal()) thread_ = std::thread([this] { Run(); });
}

Spinner::~Spinner() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard lock(mutex_);
    done_ = true;
  }
  done_signal_.notify_one();
  thread_.join();
  if (shown_) std::fputs("\r\033[K", stderr);
}

void Spinner::Run() {
  static constexpr char kFrames[] = {'|', '/', '-', '\\'};
  const auto start = std::chrono::steady_clock::now();
  std::unique_lock lock(mutex_);
  if (done_signal_.wait_for(lock, 1s, [this] { return done_; })) return;
  for (unsigned frame = 0; !done_; ++frame) {
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::fprintf(stderr, "\r%c %s running... %.1f s", kFrames[frame % 4], label_.c_str(), seconds);
    std::fflush(stderr);
    shown_ = true;
    done_signal_.wait_for(lock, 100ms, [this] { return done_; });
  }
}

}  // namespace kvr::host
