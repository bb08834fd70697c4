// Lock files and the lock directory against another local account: links, FIFOs and files it
// plants, and directories it owns or may write. The attacker's part runs as "nobody".
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <sstream>
#include <string>

#include "platform/named_mutex.h"
#include "platform/system_error.h"
#include "support/other_account.h"
#include "support/temp_dir.h"

namespace kvr::platform {
namespace {

namespace fs = std::filesystem;

std::string ReadText(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

struct stat StatOf(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
  return st;
}

class SharedFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test::CanActAsAnotherAccount()) GTEST_SKIP() << "needs root to act as another account";
    ::chmod(temp_.path().c_str(), 0755);  // other accounts may reach the lock directory
    locks_ = temp_.File("locks");
    ::setenv("KVR_LOCK_DIR", locks_.c_str(), 1);
    victim_ = temp_.File("victim");
    std::ofstream(victim_) << "secret";
    ::chmod(victim_.c_str(), 0600);
  }
  void TearDown() override { ::unsetenv("KVR_LOCK_DIR"); }

  // Creates the lock directory the way the library does.
  void MakeLockDirectory() { ASSERT_NE(NamedMutex::Open("First"), nullptr); }
  std::string LockFile(const std::string& name) const { return locks_ + "/mutex-" + name; }

  void ExpectVictimUntouched() {
    EXPECT_EQ(ReadText(victim_), "secret");
    EXPECT_EQ(StatOf(victim_).st_mode & 07777, 0600u);
  }

  test::TempDir temp_{"kvr-shared"};
  std::string locks_, victim_;
};

TEST_F(SharedFileTest, EveryAccountMayUseTheLocksWhateverTheUmask) {
  const mode_t old_mask = ::umask(077);
  auto mutex = NamedMutex::Open("Open");
  ::umask(old_mask);
  ASSERT_NE(mutex, nullptr);
  EXPECT_EQ(StatOf(locks_).st_mode & 07777, 01777u);
  EXPECT_EQ(StatOf(LockFile("Open")).st_mode & 07777, 0666u);
  EXPECT_EQ(test::RunAsNobody([] {
              auto theirs = NamedMutex::Open("Open");
              return theirs && theirs->Wait(kNoTimeLimit) == WaitResult::kAcquired &&
                             theirs->Release()
                         ? 0
                         : 1;
            }),
            0);
}

TEST_F(SharedFileTest, PlantedLinksAreRefusedAndTheirTargetsUntouched) {
  MakeLockDirectory();
  ASSERT_EQ(test::RunAsNobody([&] {
              return ::symlink(victim_.c_str(), LockFile("Symlinked").c_str()) == 0 ? 0 : 1;
            }),
            0);
  // Hard links to other accounts' files are left to root here (the kernel protects them from
  // others), but a lock file must not be one either.
  ASSERT_EQ(::link(victim_.c_str(), LockFile("HardLinked").c_str()), 0);
  for (const char* name : {"Symlinked", "HardLinked"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(NamedMutex::Open(name), nullptr);
    EXPECT_EQ(GetLastError(), kErrorAccessDenied);
    ExpectVictimUntouched();
  }
}

TEST_F(SharedFileTest, FifoInPlaceOfALockFileIsRefusedAtOnce) {
  MakeLockDirectory();
  ASSERT_EQ(
      test::RunAsNobody([&] { return ::mkfifo(LockFile("Fifo").c_str(), 0666) == 0 ? 0 : 1; }), 0);
  auto opening = std::async(std::launch::async, [] { return NamedMutex::Open("Fifo") == nullptr; });
  ASSERT_EQ(opening.wait_for(std::chrono::seconds(10)), std::future_status::ready) << "blocked";
  EXPECT_TRUE(opening.get());
}

TEST_F(SharedFileTest, LockFileOfAnotherAccountIsUsedButNeitherEmptiedNorChanged) {
  MakeLockDirectory();
  const std::string file = LockFile("Theirs");
  const std::string content(100, 'x');
  ASSERT_EQ(test::RunAsNobody([&] {
              std::ofstream(file) << content;
              return ::chmod(file.c_str(), 0644) == 0 ? 0 : 1;
            }),
            0);
  auto mutex = NamedMutex::Open("Theirs");
  ASSERT_NE(mutex, nullptr);
  ASSERT_NE(mutex->Wait(kNoTimeLimit), WaitResult::kFailed);
  EXPECT_TRUE(mutex->Release());
  const struct stat st = StatOf(file);
  EXPECT_EQ(st.st_uid, test::kNobodyId);
  EXPECT_EQ(st.st_mode & 07777, 0644u);
  EXPECT_EQ(st.st_size, 100);
}

TEST_F(SharedFileTest, UnsafeLockDirectoriesAreRefusedWithAClearError) {
  const std::string good = temp_.File("good");
  ASSERT_EQ(::mkdir(good.c_str(), 0755), 0);
  struct Case {
    const char* what;
    std::function<void(const std::string&)> make;
    bool safe;
  } cases[] = {
      {"owned by another account",
       [](const std::string& dir) {
         ::mkdir(dir.c_str(), 0755);
         ASSERT_EQ(::chown(dir.c_str(), test::kNobodyId, test::kNobodyId), 0);
       },
       false},
      {"writable by all without the sticky bit",
       [](const std::string& dir) {
         ::mkdir(dir.c_str(), 0);
         ::chmod(dir.c_str(), 0777);
       },
       false},
      {"writable by the group without the sticky bit",
       [](const std::string& dir) {
         ::mkdir(dir.c_str(), 0);
         ::chmod(dir.c_str(), 0770);
       },
       false},
      {"a symbolic link to a safe directory",
       [&](const std::string& dir) { ASSERT_EQ(::symlink(good.c_str(), dir.c_str()), 0); }, false},
      {"sticky and writable by all",
       [](const std::string& dir) {
         ::mkdir(dir.c_str(), 0);
         ::chmod(dir.c_str(), 01777);
       },
       true},
      {"ours and closed to others", [](const std::string& dir) { ::mkdir(dir.c_str(), 0700); },
       true},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string dir = temp_.File("locks" + std::to_string(n++));
    c.make(dir);
    ::setenv("KVR_LOCK_DIR", dir.c_str(), 1);
    auto mutex = NamedMutex::Open("Probe");
    EXPECT_EQ(mutex != nullptr, c.safe);
    if (c.safe) continue;
    EXPECT_EQ(GetLastError(), kErrorUnsafeLockDirectory);
    EXPECT_EQ(SysErrorMessage(GetLastError()),
              "The lock directory is owned by another account or writable by others without the "
              "sticky bit");
    EXPECT_FALSE(fs::exists(good + "/mutex-Probe"));
  }
}

}  // namespace
}  // namespace kvr::platform
