#include "ini/private_profile.h"

#include <gtest/gtest.h>

#include "common/text.h"
#include "log/process_fixture.h"
#include "platform/system_error.h"

namespace kvr::ini {
namespace {

using namespace kvr::literals;

class PrivateProfileTest : public test::ScratchTest {
 protected:
  std::string Get(std::string_view section, std::string_view key, std::string_view def = "?") {
    return GetProfileString(section, key, def, 65'535, file_);
  }
  void SetUp() override {
    ScratchTest::SetUp();
    file_ = Path("p.ini");
  }
  std::string file_;
};

TEST_F(PrivateProfileTest, ReadsWithTheWindowsRules) {
  WriteFile(file_,
            "; comment=not a key\r\n"
            "[Main]\r\n"
            "  Plain =  value with blanks  \r\n"
            "quoted=\"  kept blanks  \"\r\n"
            "single='kept quotes'\r\n"
            "half=\"open only\r\n"
            "empty=\r\n"
            "dup=first\r\n"
            "dup=second\r\n"
            "[main]\n"
            "other=in the second section of that name\n" +
                std::string("[Секция]\nКлюч=значение\n"_w));
  EXPECT_EQ(Get("main", "PLAIN"), "value with blanks");
  EXPECT_EQ(Get(" MAIN ", " plain "), "value with blanks");
  EXPECT_EQ(Get("Main", "quoted"), "  kept blanks  ");
  EXPECT_EQ(Get("Main", "single"), "'kept quotes'");
  EXPECT_EQ(Get("Main", "half"), "\"open only");
  EXPECT_EQ(Get("Main", "empty"), "");
  EXPECT_EQ(Get("Main", "dup"), "first");
  EXPECT_EQ(Get("Main", "other"), "?");  // only the first section of a name counts
  EXPECT_EQ(Get("Main", "; comment"), "?");
  EXPECT_EQ(Get("СЕКЦИЯ"_w, "ключ"_w), std::string("значение"_w));
  EXPECT_EQ(Get("Nope", "plain", "default  "), "default");
  EXPECT_EQ(GetProfileString("Main", "x", "d", 65'535, Path("missing.ini")), "d");
  EXPECT_EQ((GetProfileSectionNames(file_)),
            (std::vector<std::string>{"Main", "main", "Секция"_w.data()}));
  EXPECT_EQ(GetProfileSectionKeys("MAIN", file_),
            (std::vector<std::string>{"Plain", "quoted", "single", "half", "empty", "dup", "dup"}));
}

TEST_F(PrivateProfileTest, ReadBufferCutsLongValues) {
  WriteFile(file_, "[s]\r\nk=" + std::string(70'000, 'x') + "\r\n");
  EXPECT_EQ(Get("s", "k").size(), 65'534u);
  EXPECT_EQ(GetProfileString("s", "k", "", 5, file_), "xxxx");
}

TEST_F(PrivateProfileTest, WritesKeepEverythingElse) {
  const std::string before =
      "; settings\r\n"
      "[A]\r\n"
      "one=1\r\n"
      "two = 2\n"
      "\r\n"
      "[B]\r\n"
      "x=y\r\n";
  WriteFile(file_, before);
  ASSERT_TRUE(WriteProfileString("a", "TWO", "22", file_));
  ASSERT_TRUE(WriteProfileString("A", "three", "3", file_));
  ASSERT_TRUE(WriteProfileString("C", "new", "", file_));
  EXPECT_EQ(ReadFile(file_),
            "; settings\r\n"
            "[A]\r\n"
            "one=1\r\n"
            "TWO=22\r\n"
            "three=3\r\n"
            "\r\n"
            "[B]\r\n"
            "x=y\r\n"
            "[C]\r\n"
            "new=\r\n");
  ASSERT_TRUE(DeleteProfileKey("A", "one", file_));
  ASSERT_TRUE(DeleteProfileKey("A", "absent", file_));
  ASSERT_TRUE(DeleteProfileSection("b", file_));
  EXPECT_EQ(ReadFile(file_),
            "; settings\r\n"
            "[A]\r\n"
            "TWO=22\r\n"
            "three=3\r\n"
            "\r\n"
            "[C]\r\n"
            "new=\r\n");
}

TEST_F(PrivateProfileTest, WriteCreatesTheFileButDeletesDoNot) {
  ASSERT_TRUE(DeleteProfileKey("s", "k", file_));
  ASSERT_TRUE(DeleteProfileSection("s", file_));
  EXPECT_FALSE(test::fs::exists(file_));
  ASSERT_TRUE(WriteProfileString("s", "k", "v", file_));
  EXPECT_EQ(ReadFile(file_), "[s]\r\nk=v\r\n");
  WriteFile(file_, "[s]\r\nk=v");  // no final line break
  ASSERT_TRUE(WriteProfileString("t", "k", "w", file_));
  EXPECT_EQ(ReadFile(file_), "[s]\r\nk=v\r\n[t]\r\nk=w\r\n");
  ASSERT_TRUE(FlushProfile(file_));
}

TEST_F(PrivateProfileTest, FailingWritesReportTheWindowsCode) {
  struct Case {
    const char* section;
    const char* key;
    const char* value;
    std::string file;
    std::uint32_t code;
  } cases[] = {
      {"s", "k", "v", Path("no/such/dir/x.ini"), platform::kErrorPathNotFound},
      {"s", "k", "v", Path("bad*name.ini"), platform::kErrorInvalidName},
      {"s", "k", "v", Path(std::string(300, 'n') + ".ini"), platform::kErrorBufferOverflow},
      {"s", "k=1", "v", Path("x.ini"), platform::kErrorInvalidName},
      {"s]", "k", "v", Path("x.ini"), platform::kErrorInvalidName},
      {"s", "k", "line\nbreak", Path("x.ini"), platform::kErrorInvalidName},
      {"s", "[k", "v", Path("x.ini"), platform::kErrorInvalidName},
      {"", "k", "v", Path("x.ini"), platform::kErrorInvalidName},
  };
  for (const Case& c : cases) {
    platform::SetLastError(0);
    EXPECT_FALSE(WriteProfileString(c.section, c.key, c.value, c.file)) << c.key << c.file;
    EXPECT_EQ(platform::GetLastError(), c.code) << c.key << c.file;
  }
  EXPECT_FALSE(test::fs::exists(Path("x.ini")));
}

TEST_F(PrivateProfileTest, ArbitraryBytesNeitherCrashNorLoseTheWrite) {
  std::uint32_t seed = 12345;
  auto next = [&] { return seed = seed * 1103515245u + 12345u; };
  const char alphabet[] = "[]=; \t\r\n\"'ab\0\xE0\xFF";
  for (int round = 0; round < 50; ++round) {
    std::string junk;
    for (int i = 0; i < 400; ++i) junk += alphabet[next() % (sizeof alphabet - 1)];
    WriteFile(file_, junk);
    (void)Get("a", "b");
    (void)GetProfileSectionNames(file_);
    (void)GetProfileSectionKeys("a", file_);
    ASSERT_TRUE(WriteProfileString("Fresh", "key", "value", file_)) << round;
    EXPECT_EQ(Get("fresh", "KEY"), "value") << round;
    ASSERT_TRUE(DeleteProfileSection("a", file_));
    EXPECT_EQ(Get("fresh", "KEY"), "value") << round;
  }
}

}  // namespace
}  // namespace kvr::ini
