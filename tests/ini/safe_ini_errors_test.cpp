// Errors of TSafeIniFile: messages naming the operation, the write retry, the lock afterwards.
#include <gtest/gtest.h>

#include <future>

#include "common/exceptions.h"
#include "common/text.h"
#include "ini/safe_ini_file.h"
#include "log/process_fixture.h"
#include "platform/file_stream.h"

namespace kvr::ini {
namespace {

using namespace kvr::literals;
using Clock = std::chrono::steady_clock;

class SafeIniErrorsTest : public test::ScratchTest {};

template <typename F>
std::string MessageOf(F&& action, std::string* class_name = nullptr) {
  try {
    action();
  } catch (const Exception& e) {
    if (class_name) *class_name = e.ClassName();
    return e.Message();
  }
  return "<no error>";
}

TEST_F(SafeIniErrorsTest, MissingDirectoryFailsAtOnceWithSystemError3) {
  const std::string file = Path("missing/dir/x.ini");
  TSafeIniFile ini(file);
  std::string class_name;
  const auto start = Clock::now();
  const std::string message = MessageOf([&] { ini.WriteString("S", "K", "v"); }, &class_name);
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(200));
  EXPECT_EQ(message,
            "TSafeIniFile.WriteString -> The system cannot find the path specified -> "
            "Unable to write to " +
                file);
  EXPECT_EQ(class_name, "EIniFileException");
  EXPECT_EQ(MessageOf([&] { ini.WriteDate("S", "K", 1.0); }),
            "TSafeIniFile.WriteDate -> TSafeIniFile.WriteString -> The system cannot find the path "
            "specified -> Unable to write to " +
                file);
  // Reading a file that cannot exist is no error.
  EXPECT_EQ(ini.ReadString("S", "K", "def"), "def");
}

TEST_F(SafeIniErrorsTest, EmptyNamesAreRefusedWithTheFileName) {
  const std::string file = Path("x.ini");
  TSafeIniFile ini(file);
  const std::string no_section = std::string("Не указано название секции. Имя файла: "_w) + file;
  const std::string no_key = std::string("Не указано название переменной. Имя файла: "_w) + file;
  EXPECT_EQ(MessageOf([&] { ini.ReadString("", "K", ""); }),
            "TSafeIniFile.ReadString -> " + no_section);
  EXPECT_EQ(MessageOf([&] { ini.ReadString("S", "", ""); }),
            "TSafeIniFile.ReadString -> " + no_key);
  EXPECT_EQ(MessageOf([&] { ini.WriteString("S", "", ""); }),
            "TSafeIniFile.WriteString -> " + no_key);
  EXPECT_EQ(MessageOf([&] { ini.DeleteKey("", "K"); }), "TSafeIniFile.DeleteKey -> " + no_section);
  EXPECT_EQ(MessageOf([&] { ini.EraseSection(""); }), "TSafeIniFile.EraseSection -> " + no_section);
  TStrings list;
  EXPECT_EQ(MessageOf([&] { ini.ReadSection("", list); }),
            "TSafeIniFile.ReadSection -> " + no_section);
  EXPECT_EQ(MessageOf([&] { ini.ReadSectionValues("", list); }),
            "TSafeIniFile.ReadSectionValues -> " + no_section);
  EXPECT_EQ(MessageOf([&] { ini.ReadDate("S", "", 0); }),
            "TSafeIniFile.ReadDate -> TSafeIniFile.ReadString -> " + no_key);
  EXPECT_EQ(MessageOf([&] { ini.ReadFloat("", "K", 0); }),
            "TSafeIniFile.ReadFloat -> TSafeIniFile.ReadString -> " + no_section);
  EXPECT_EQ(MessageOf([&] { ini.WriteTime("S", "", 0); }),
            "TSafeIniFile.WriteTime -> TSafeIniFile.WriteString -> " + no_key);
  EXPECT_FALSE(test::fs::exists(file));
}

TEST_F(SafeIniErrorsTest, SharingErrorsAreRetriedForASecond) {
  const std::string file = Path("busy.ini");
  WriteFile(file, "[S]\r\nK=old\r\n");
  TSafeIniFile ini(file);
  {
    platform::FileStream holder;
    ASSERT_TRUE(
        holder.Open(file, platform::FileOpenMode::kReadWrite, platform::FileShare::kExclusive));
    const auto start = Clock::now();
    const std::string message = MessageOf([&] { ini.WriteString("S", "K", "new"); });
    const auto waited = Clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(1000));
    EXPECT_LT(waited, std::chrono::milliseconds(3000));
    EXPECT_EQ(message,
              "TSafeIniFile.WriteString -> The process cannot access the file because it "
              "is being used by another process -> Unable to write to " +
                  file);
  }
  auto holder = std::make_unique<platform::FileStream>();
  ASSERT_TRUE(
      holder->Open(file, platform::FileOpenMode::kReadWrite, platform::FileShare::kExclusive));
  auto release = std::async(std::launch::async, [&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    holder.reset();
  });
  ini.WriteString("S", "K", "new");
  release.get();
  EXPECT_EQ(ini.ReadString("S", "K", ""), "new");
}

TEST_F(SafeIniErrorsTest, LockIsReleasedAfterAnError) {
  TSafeIniFile ini(Path("missing/x.ini"));
  EXPECT_THROW(ini.WriteString("S", "K", "v"), EIniFileException);
  auto other = std::async(std::launch::async, [&] {
    TSafeIniFile same(Path("MISSING/X.INI"));  // same mutex in other letter case
    same.Lock();
    same.Unlock();
    return true;
  });
  ASSERT_EQ(other.wait_for(std::chrono::seconds(5)), std::future_status::ready);
  EXPECT_TRUE(other.get());
}

}  // namespace
}  // namespace kvr::ini
