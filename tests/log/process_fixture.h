// A scratch directory per test for the log and INI suites, with a lock directory of its own that
// the processes a test starts inherit, and small file helpers. Children are ChildProcess objects
// (tests/support), killed and reaped if a test ends while they still run.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/environment.h"
#include "platform/process_environment.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

namespace kvr::test {

namespace fs = std::filesystem;

class ScratchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    temp_ = std::make_unique<TempDir>("kvr-logini");
    dir_ = temp_->path();
    fs::create_directories(dir_ / "locks");
    saved_lock_dir_ = platform::GetEnvironmentVariable("KVR_LOCK_DIR").value_or("");
    platform::SetEnvironmentVariable("KVR_LOCK_DIR", (dir_ / "locks").string());
  }
  void TearDown() override {
    children_.clear();                                                  // kills what still runs
    platform::SetEnvironmentVariable("KVR_LOCK_DIR", saved_lock_dir_);  // the caller's own
    temp_.reset();
  }

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

  // Starts `program` with `args`; its output goes to `output_file` (none: discarded).
  ChildProcess& Start(const std::string& program, std::vector<std::string> args,
                      const std::string& output_file = "") {
    ProcessOptions options;
    options.args = std::move(args);
    options.args.insert(options.args.begin(), program);
    options.output_file = output_file;
    children_.push_back(std::make_unique<ChildProcess>(options));
    return *children_.back();
  }

  // Exit status (128 + signal when killed), or -1 when still running after `limit`.
  static int Finish(ChildProcess& child,
                    std::chrono::milliseconds limit = std::chrono::seconds(60)) {
    std::optional<int> code = child.WaitFor(limit);
    return code ? *code : -1;
  }

  static void Kill(ChildProcess& child) {
    child.Kill();
    child.WaitFor(std::chrono::seconds(10));
  }

  static bool WaitForFile(const std::string& file) {
    for (int i = 0; i < 2000 && !fs::exists(file); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return fs::exists(file);
  }

  static std::string ReadFile(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  static void WriteFile(const std::string& file, const std::string& data) {
    std::ofstream(file, std::ios::binary | std::ios::trunc) << data;
  }

  // The lines of a text, split at CR LF; `complete` tells whether it ended with one.
  static std::vector<std::string> Lines(const std::string& text, bool* complete = nullptr) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
      lines.push_back(text.substr(start, end - start));
    if (complete) *complete = start == text.size();
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
  }

  fs::path dir_;
  std::string saved_lock_dir_;

 private:
  std::unique_ptr<TempDir> temp_;
  std::vector<std::unique_ptr<ChildProcess>> children_;
};

}  // namespace kvr::test
