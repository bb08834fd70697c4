// The progress line on standard error while a library call runs longer than a second. On a
// terminal it is one line rewritten ten times a second and cleared at the end; elsewhere
// (--progress into a file or pipe) a line per second. The library runs on the calling
// thread, so the progress line has a thread of its own.
#pragma once

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "command_line.h"

namespace kvr::host {

class Spinner {
 public:
  Spinner(std::string label, ProgressMode mode);
  ~Spinner();
  Spinner(const Spinner&) = delete;
  Spinner& operator=(const Spinner&) = delete;

 private:
  void Run();

  std::string label_;
  bool terminal_ = false;
  std::mutex mutex_;
  std::condition_variable done_signal_;
  bool done_ = false;
  bool shown_ = false;
  std::thread thread_;
};

}  // namespace kvr::host
