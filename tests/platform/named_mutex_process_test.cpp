// Named mutexes between real processes: mutex_contender started with fork/exec.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/named_mutex.h"
#include "support/child_process.h"

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
    children_.clear();  // kills and reaps what still runs
    ::unsetenv("KVR_LOCK_DIR");
    fs::remove_all(dir_);
  }

  test::ChildProcess& Start(std::vector<std::string> args) {
    args.insert(args.begin(), kContender);
    test::ProcessOptions options;
    options.args = std::move(args);
    children_.push_back(std::make_unique<test::ChildProcess>(options));
    return *children_.back();
  }

  // Exit status of a child (128 + signal when killed), or -1 when it still runs after `limit`.
  static int Finish(test::ChildProcess& child,
                    std::chrono::milliseconds limit = std::chrono::seconds(60)) {
    return child.WaitFor(limit).value_or(-1);
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
      WaitResult result = mutex.Wait(kNoTimeLimit);
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
  std::vector<std::unique_ptr<test::ChildProcess>> children_;
};

TEST_F(NamedMutexProcessTest, TwoProcessesNeverHoldItAtOnce) {
  const std::string marker = (dir_ / "inside").string();
  test::ChildProcess& a = Start({"Global\\kvr-contended", "loop", "200", marker});
  test::ChildProcess& b =
      Start({"kvr-contended", "loop", "200", marker});  // the same mutex without "Global\"
  EXPECT_EQ(Finish(a), 0);
  EXPECT_EQ(Finish(b), 0);
}

TEST_F(NamedMutexProcessTest, ProcessAndThreadsOfThisProcessContendToo) {
  const std::string marker = (dir_ / "inside").string();
  test::ChildProcess& other = Start({"kvr-mixed", "loop", "150", marker});
  auto mutex = NamedMutex::Open("Global\\kvr-mixed");
  ASSERT_NE(mutex, nullptr);
  std::atomic<int> overlaps{0};
  auto worker = [&] {
    for (int i = 0; i < 75; ++i) {
      NamedMutexLock lock(*mutex, kNoTimeLimit);
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
  test::ChildProcess& holder = Start({"Global\\kvr-abandoned", "hold", ready.string()});
  ASSERT_TRUE(WaitForFile(ready));
  auto mutex = NamedMutex::Open("Global\\kvr-abandoned");
  ASSERT_NE(mutex, nullptr);
  ::kill(holder.pid(), SIGKILL);
  EXPECT_EQ(Finish(holder), 128 + SIGKILL);
  EXPECT_EQ(AcquireAndRelease(*mutex), WaitResult::kAbandoned);
  EXPECT_EQ(AcquireAndRelease(*mutex), WaitResult::kAcquired);  // released properly this time
}

TEST_F(NamedMutexProcessTest, WaiterBlocksWhileTheHolderLives) {
  const fs::path ready = dir_ / "ready";
  test::ChildProcess& holder = Start({"kvr-held", "hold", ready.string()});
  ASSERT_TRUE(WaitForFile(ready));
  auto mutex = NamedMutex::Open("kvr-held");
  ASSERT_NE(mutex, nullptr);
  auto waiter = std::async(std::launch::async, [&] { return mutex->Wait(kNoTimeLimit); });
  EXPECT_EQ(waiter.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout);
  ::kill(holder.pid(), SIGKILL);
  ASSERT_EQ(waiter.wait_for(std::chrono::seconds(20)), std::future_status::ready);
  EXPECT_EQ(waiter.get(), WaitResult::kAbandoned);
  // Ownership belongs to the thread that waited; it is gone, so release from here fails.
  EXPECT_FALSE(mutex->Release());
}

TEST_F(NamedMutexProcessTest, LetterCaseNamesDifferentMutexes) {
  // Kernel object names are case-sensitive; callers that want one mutex per file spell the
  // name in one case (the log and INI units lower-case theirs).
  const fs::path ready = dir_ / "ready";
  test::ChildProcess& holder = Start({"Global\\KVR-Case", "hold", ready.string()});
  ASSERT_TRUE(WaitForFile(ready));
  auto lower = NamedMutex::Open("Global\\kvr-case");
  ASSERT_NE(lower, nullptr);
  EXPECT_EQ(AcquireAndRelease(*lower), WaitResult::kAcquired);  // not held by the other process

  auto same = NamedMutex::Open("KVR-Case");
  auto waiter = std::async(std::launch::async, [&] { return same->Wait(kNoTimeLimit); });
  EXPECT_EQ(waiter.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout);
  ::kill(holder.pid(), SIGKILL);
  ASSERT_EQ(waiter.wait_for(std::chrono::seconds(20)), std::future_status::ready);
}

TEST_F(NamedMutexProcessTest, RecursiveForTheOwningThread) {
  auto mutex = NamedMutex::Open("kvr-recursive");
  ASSERT_NE(mutex, nullptr);
  EXPECT_NE(mutex->Wait(kNoTimeLimit), WaitResult::kFailed);
  EXPECT_EQ(mutex->Wait(kNoTimeLimit), WaitResult::kAcquired);
  const std::string marker = (dir_ / "inside").string();
  test::ChildProcess& other = Start({"kvr-recursive", "loop", "1", marker});
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(Finish(other, std::chrono::milliseconds(0)), -1);
  EXPECT_TRUE(mutex->Release());
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(Finish(other, std::chrono::milliseconds(0)), -1);  // still held once
  EXPECT_TRUE(mutex->Release());
  EXPECT_EQ(Finish(other), 0);
  EXPECT_FALSE(mutex->Release());  // not owned any more
}

}  // namespace
}  // namespace kvr::platform
