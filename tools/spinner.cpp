#include "spinner.h"

#include <chrono>
#include <cstdio>

#include "platform/terminal.h"

namespace kvr::host {

using namespace std::chrono_literals;

Spinner::Spinner(std::string label, ProgressMode mode) : label_(std::move(label)) {
  terminal_ = platform::StandardErrorIsTerminal();
  const bool show = mode == ProgressMode::kOn || (mode == ProgressMode::kAuto && terminal_);
  if (show) thread_ = std::thread([this] { Run(); });
}

Spinner::~Spinner() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard lock(mutex_);
    done_ = true;
  }
  done_signal_.notify_one();
  thread_.join();
  if (shown_ && terminal_) std::fputs("\r\033[K", stderr);
}

void Spinner::Run() {
  static constexpr char kFrames[] = {'|', '/', '-', '\\'};
  const auto start = std::chrono::steady_clock::now();
  std::unique_lock lock(mutex_);
  if (done_signal_.wait_for(lock, 1s, [this] { return done_; })) return;
  for (unsigned frame = 0; !done_; ++frame) {
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (terminal_)
      std::fprintf(stderr, "\r%c %s running... %.1f s", kFrames[frame % 4], label_.c_str(),
                   seconds);
    else
      std::fprintf(stderr, "%s running... %.0f s\n", label_.c_str(), seconds);
    std::fflush(stderr);
    shown_ = true;
    done_signal_.wait_for(lock, terminal_ ? 100ms : 1s, [this] { return done_; });
  }
}

}  // namespace kvr::host
