// Named mutexes between real processes: fork/exec of mutex_contender.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "platform/named_mutex.h"

namespace kvr::platform {
namespace {

namespace fs = std::filesystem;

const char* const kContender = KVR_BINARY_DIR "/bin/mutex_contender";

// Each test gets its own lock directory, inherited by the processes it starts.
class NamedMutexProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("kvr-mutex-test-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    ::setenv("KVR_LOCK_DIR", (dir_ / "locks").c_str(), 1);
  }
  void TearDown() override {
    for (pid_t pid : children_) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, nullptr, 0);
    }
    ::unsetenv("KVR_LOCK_DIR");
    fs::remove_all(dir_);
  }

  pid_t Start(std::vector<std::string> args) {
    args.insert(args.begin(), kContender);
    pid_t pid = ::fork();
    if (pid == 0) {
      std::vector<char*> argv;
      for (std::string& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      ::execv(kContender, argv.data());
      ::_exit(127);
    }
    children_.push_back(pid);
    return pid;
  }

  // Exit status of a child, or -1 when it did not end within the time limit.
  int Finish(pid_t pid, std::chrono::seconds limit = std::chrono::seconds(60)) {
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

  static bool WaitForFile(const fs::path& file) {
    for (int i = 0; i < 2000 && !fs::exists(file); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return fs::exists(file);
  }

  // Takes and releases `mutex` on another thread, so that a deadlock fails the test instead of
  // hanging it. kFailed also stands for a failed release.
  static WaitResult AcquireAndRelease(NamedMutex& mutex) {
    auto waiter = std::async(std::launch::async, [&mutex] {
      WaitResult result = mutex.Wait();
      if (result != WaitResult::kFailed && !mutex.Release()) result = WaitResult::kFailed;
      return result;
    });
    if (waiter.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
      ADD_FAILURE() << "the mutex was never acquired";
      std::quick_exit(1);
    }
    return waiter.get();
  }

  fs::path dir_;
  std::vector<pid_t> children_;
};

TEST_F(NamedMutexProcessTest, TwoProcessesNeverHoldItAtOnce) {
  const std::string marker = (dir_ / "inside").string();
  pid_t a = Start({"Global\\kvr-contended", "loop", "200", marker});
  pid_t b = Start({"kvr-contended", "loop", "200", marker});  // the same mutex without "Global\"
  EXPECT_EQ(Finish(a), 0);
  EXPECT_EQ(Finish(b), 0);
}

TEST_F(NamedMutexProcessTest, ProcessAndThreadsOfThisProcessContendToo) {
  const std::string marker = (dir_ / "inside").string();
  pid_t other = Start({"kvr-mixed", "loop", "150", marker});
  auto mutex = NamedMutex::Open("Global\\kvr-mixed");
  ASSERT_NE(mutex, nullptr);
  std::atomic<int> overlaps{0};
  auto worker = [&] {
    for (int i = 0; i < 75; ++i) {
      NamedMutexLock lock(*mutex);
      if (fs::exists(marker)) ++overlaps;
      std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
  };
  std::thread t1(worker), t2(worker);
  t1.join();
  t2.join();
  EXPECT_EQ(Finish(other), 0);
  EXPECT_EQ(overlaps.load(), 0);
}

TEST_F(NamedMutexProcessTest, HolderKilledWithSigkillDoesNotBlockTheNext) {
  const fs::path ready = dir_ / "ready";
  pid_t holder = Start({"Global\\kvr-abandoned", "hold", ready.string()});
  ASSERT_TRUE(WaitForFile(ready));
  auto mutex = NamedMutex::Open("Global\\kvr-abandoned");
  ASSERT_NE(mutex, nullptr);
  ::kill(holder, SIGKILL);
  EXPECT_EQ(Finish(holder), 128 + SIGKILL);
  EXPECT_EQ(AcquireAndRelease(*mutex), WaitResult::kAbandoned);
  EXPECT_EQ(AcquireAndRelease(*mutex), WaitResult::kAcquired);  // released properly this time
}

TEST_F(NamedMutexProcessTest, WaiterBlocksWhileTheHolderLives) {
  const fs::path ready = dir_ / "ready";
  pid_t holder = Start({"kvr-held", "hold", ready.string()});
  ASSERT_TRUE(WaitForFile(ready));
  auto mutex = NamedMutex::Open("kvr-held");
  ASSERT_NE(mutex, nullptr);
  auto waiter = std::async(std::launch::async, [&] { return mutex->Wait(); });
  EXPECT_EQ(waiter.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout);
  ::kill(holder, SIGKILL);
  ASSERT_EQ(waiter.wait_for(std::chrono::seconds(20)), std::future_status::ready);
  EXPECT_EQ(waiter.get(), WaitResult::kAbandoned);
  // Ownership belongs to the thread that waited; it is gone, so release from here fails.
  EXPECT_FALSE(mutex->Release());
}

TEST_F(NamedMutexProcessTest, LetterCaseNamesDifferentMutexes) {
  // Kernel object names are case-sensitive; callers that want one mutex per file spell the
  // name in one case (the log and INI units lower-case theirs).
  const fs::path ready = dir_ / "ready";
  pid_t holder = Start({"Global\\KVR-Case", "hold", ready.string()});
  ASSERT_TRUE(WaitForFile(ready));
  auto lower = NamedMutex::Open("Global\\kvr-case");
  ASSERT_NE(lower, nullptr);
  EXPECT_EQ(AcquireAndRelease(*lower), WaitResult::kAcquired);  // not held by the other process

  auto same = NamedMutex::Open("KVR-Case");
  auto waiter = std::async(std::launch::async, [&] { return same->Wait(); });
  EXPECT_EQ(waiter.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout);
  ::kill(holder, SIGKILL);
  ASSERT_EQ(waiter.wait_for(std::chrono::seconds(20)), std::future_status::ready);
}

TEST_F(NamedMutexProcessTest, RecursiveForTheOwningThread) {
  auto mutex = NamedMutex::Open("kvr-recursive");
  ASSERT_NE(mutex, nullptr);
  EXPECT_NE(mutex->Wait(), WaitResult::kFailed);
  EXPECT_EQ(mutex->Wait(), WaitResult::kAcquired);
  const std::string marker = (dir_ / "inside").string();
  pid_t other = Start({"kvr-recursive", "loop", "1", marker});
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(Finish(other, std::chrono::seconds(0)), -1);
  EXPECT_TRUE(mutex->Release());
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(Finish(other, std::chrono::seconds(0)), -1);  // still held once
  EXPECT_TRUE(mutex->Release());
  EXPECT_EQ(Finish(other), 0);
  EXPECT_FALSE(mutex->Release());  // not owned any more
}

}  // namespace
}  // namespace kvr::platform
