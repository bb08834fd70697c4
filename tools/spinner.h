// A progress line on standard error while a library call runs longer than a second, when a
// person watches (standard error is a terminal). The library runs on the calling thread, so
// the spinner has a thread of its own.
#pragma once

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace kvr::host {

class Spinner {
 public:
  explicit Spinner(std::string label);
  ~Spinner();
  Spinner(const Spinner&) = delete;
  Spinner& operator=(const Spinner&) = delete;

 private:
  void Run();

  std::string label_;
  std::mutex mutex_;
  std::condition_variable done_signal_;
  bool done_ = false;
  bool shown_ = false;
  std::thread thread_;
};

}  // namespace kvr::host
