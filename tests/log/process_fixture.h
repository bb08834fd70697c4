// Scratch directories and child processes for the log and INI suites. Each fixture gets a
// directory of its own (removed afterwards) and its own lock directory, which the processes it
// starts inherit; children still running at the end are killed.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace kvr::test {

namespace fs = std::filesystem;

class ScratchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = fs::temp_directory_path() / ("kvr-" + std::string(info->test_suite_name()) + "-" +
                                        info->name() + "-" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "locks");
    ::setenv("KVR_LOCK_DIR", (dir_ / "locks").c_str(), 1);
  }
  void TearDown() override {
    for (pid_t pid : children_) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, nullptr, 0);
    }
    children_.clear();
    ::unsetenv("KVR_LOCK_DIR");
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

  pid_t Start(const std::string& program, std::vector<std::string> args) {
    args.insert(args.begin(), program);
    pid_t pid = ::fork();
    if (pid == 0) {
      std::vector<char*> argv;
      for (std::string& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      ::execv(program.c_str(), argv.data());
      ::_exit(127);
    }
    children_.push_back(pid);
    return pid;
  }

  // Exit status of a child (128 + signal when killed), or -1 when it is still running at the
  // end of the time limit.
  int Finish(pid_t pid, std::chrono::milliseconds limit = std::chrono::seconds(60)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    do {
      int status = 0;
      if (::waitpid(pid, &status, WNOHANG) == pid) {
        std::erase(children_, pid);
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    } while (std::chrono::steady_clock::now() < deadline);
    return -1;
  }

  void Kill(pid_t pid) {
    ::kill(pid, SIGKILL);
    Finish(pid);
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
    while (true) {
      std::size_t end = text.find("\r\n", start);
      if (end == std::string::npos) break;
      lines.push_back(text.substr(start, end - start));
      start = end + 2;
    }
    if (complete) *complete = start == text.size();
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
  }

  fs::path dir_;
  std::vector<pid_t> children_;
};

}  // namespace kvr::test
