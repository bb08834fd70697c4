// One INI file shared by real processes: readers never see a value that was never written, and a
// dead lock holder blocks nobody.
#include <gtest/gtest.h>

#include "ini/safe_ini_file.h"
#include "log/process_fixture.h"

namespace kvr::ini {
namespace {

const std::string kProcess = KVR_BINARY_DIR "/bin/ini_test_process";

class IniProcessTest : public test::ScratchTest {};

TEST_F(IniProcessTest, ReaderSeesOnlyWrittenValuesWhileTwoWritersRewrite) {
  const std::string file = Path("shared.ini");
  TSafeIniFile(file).WriteString("S", "K", "initial");
  test::ChildProcess& reader = Start(kProcess, {"read", file, Path("stop")}, Path("reader.txt"));
  test::ChildProcess& writer1 = Start(kProcess, {"write", file, "1", "150"});
  test::ChildProcess& writer2 = Start(kProcess, {"write", file, "2", "150"});
  EXPECT_EQ(Finish(writer1, std::chrono::seconds(120)), 0);
  EXPECT_EQ(Finish(writer2, std::chrono::seconds(120)), 0);
  WriteFile(Path("stop"), "");
  EXPECT_EQ(Finish(reader, std::chrono::seconds(60)), 0) << ReadFile(Path("reader.txt"));
  // Both writers' companions are consistent at the end: the value reads whole.
  const std::string last = TSafeIniFile(file).ReadString("S", "K", "");
  EXPECT_TRUE(last.rfind("w1:149:", 0) == 0 || last.rfind("w2:149:", 0) == 0) << last.substr(0, 20);
}

TEST_F(IniProcessTest, HolderKilledWhileLockedBlocksNobody) {
  const std::string ready = Path("ready");
  test::ChildProcess& holder = Start(kProcess, {"hold", Path("Settings.ini"), ready});
  ASSERT_TRUE(WaitForFile(ready));
  test::ChildProcess& writer =
      Start(kProcess, {"write", Path("SETTINGS.INI"), "1", "1"});  // same mutex
  EXPECT_EQ(Finish(writer, std::chrono::milliseconds(300)), -1) << "the writer did not wait";
  Kill(holder);
  EXPECT_EQ(Finish(writer, std::chrono::seconds(10)), 0);
  EXPECT_EQ(TSafeIniFile(Path("SETTINGS.INI")).ReadString("S", "K", "").substr(0, 5), "w1:0:");
}

}  // namespace
}  // namespace kvr::ini
