#include "ini/safe_ini_file.h"

#include <gtest/gtest.h>

#include "common/text.h"
#include "ini/multi_part_value.h"
#include "ini/private_profile.h"
#include "log/process_fixture.h"

namespace kvr::ini {
namespace {

using namespace kvr::literals;

class SafeIniFileTest : public test::ScratchTest {
 protected:
  void SetUp() override {
    ScratchTest::SetUp();
    file_ = Path("safe.ini");
  }
  // What the file holds under a key, as any profile reader sees it.
  std::string Raw(std::string_view key, std::string_view section = "S") {
    return GetProfileString(section, key, "<none>", 65'535, file_);
  }
  std::string file_;
};

TEST_F(SafeIniFileTest, IniHashOfKnownTexts) {
  EXPECT_EQ(IniHash("abc"), 397824173);
  EXPECT_EQ(IniHash(""), 0);
  EXPECT_NE(IniHash("abd"), IniHash("abc"));
}

TEST_F(SafeIniFileTest, MutexNameCollapsesDoubledBackslashes) {
  EXPECT_EQ(TSafeIniFile::MutexNameFor("C:\\\\WINDOWS\\\\\\\\cnf.INI"),
            "ini file lock mutexc__windows_cnf.ini");
  EXPECT_EQ(TSafeIniFile::MutexNameFor("/a/B.ini"), "ini file lock mutex_a_b.ini");
  TSafeIniFile ini(file_);
  EXPECT_TRUE(ini.HasMutex());
}

TEST_F(SafeIniFileTest, LongValueIsSplitWithCountAndHash) {
  std::string value;
  for (int i = 0; i < 70'000; ++i) value += static_cast<char>('a' + i % 26);
  TSafeIniFile ini(file_);
  ini.WriteString("S", "K", value);
  const std::string part1 = value.substr(0, 65'532);
  EXPECT_EQ(Raw("K"), part1);
  EXPECT_EQ(Raw("K__$Line2"), value.substr(65'532));
  EXPECT_EQ(Raw("K__$Line2").size(), 4'468u);
  EXPECT_EQ(Raw("K__$Count"), "2");
  EXPECT_EQ(Raw("K__$Hash"), std::to_string(IniHash(part1)));
  EXPECT_EQ(ini.ReadString("S", "k", ""), value);

  // Exactly one part's worth needs no companions.
  ini.WriteString("S", "K", value.substr(0, 65'532));
  EXPECT_EQ(Raw("K__$Count"), "<none>");
  EXPECT_EQ(Raw("K__$Line2"), "<none>");
  EXPECT_EQ(ini.ReadString("S", "K", ""), value.substr(0, 65'532));
}

TEST_F(SafeIniFileTest, LineBreaksAndBlanksSurviveTheRoundTrip) {
  TSafeIniFile ini(file_);
  const struct {
    std::string written, stored, read;
  } cases[] = {
      {"a\r\nb", "a<@\\n@>b", "a\r\nb"},
      {"a\nb", "a<@\\n@>b", "a\r\nb"},
      {"a\rb", "ab", "ab"},
      {" leading", " leading", " leading"},
      {"trailing\t", "trailing\t", "trailing\t"},
      {"\"quoted\"", "\"quoted\"", "\"quoted\""},
      {"\"", "\"", "\""},
      {"\n", "<@\\n@>", "\r\n"},
      {"", "", ""},
  };
  for (const auto& c : cases) {
    ini.WriteString("S", "K", c.written);
    EXPECT_EQ(Raw("K"), c.stored) << c.written;
    EXPECT_EQ(ini.ReadString("S", "K", "def"), c.read) << c.written;
  }
  // A quoted part is written with its quotes.
  ini.WriteString("S", "K", " x ");
  EXPECT_NE(ReadFile(file_).find("K=\" x \"\r\n"), std::string::npos);
}

TEST_F(SafeIniFileTest, LineBreakEscapesNeverStraddleParts) {
  std::string value(65'530, 'v');
  value += "\nend";  // the escape would pass 65,532: it starts part 2
  TSafeIniFile ini(file_);
  ini.WriteString("S", "K", value);
  EXPECT_EQ(Raw("K"), std::string(65'530, 'v'));
  EXPECT_EQ(Raw("K__$Line2"), "<@\\n@>end");
  EXPECT_EQ(ini.ReadString("S", "K", ""), std::string(65'530, 'v') + "\r\nend");
}

TEST_F(SafeIniFileTest, ValueRewrittenByAnotherProgramReadsAlone) {
  TSafeIniFile ini(file_);
  ini.WriteString("S", "K", std::string(100'000, 'q'));
  ASSERT_TRUE(WriteProfileString("S", "K", "short", file_));  // a program without the scheme
  EXPECT_EQ(Raw("K__$Line2"), std::string(34'468, 'q'));
  EXPECT_EQ(ini.ReadString("S", "K", ""), "short");
  ini.SetCheckHash(false);  // without the check the old parts are appended anyway
  EXPECT_EQ(ini.ReadString("S", "K", ""), "short" + std::string(34'468, 'q'));
}

TEST_F(SafeIniFileTest, CompanionKeysGoWithTheirKey) {
  TSafeIniFile ini(file_);
  ini.WriteString("S", "Other", "stays");
  ini.WriteString("S", "K", std::string(140'000, 'z'));
  EXPECT_EQ(Raw("K__$Count"), "3");
  ini.WriteString("S", "K", "now short");
  TStrings keys;
  ini.ReadSection("S", keys);
  EXPECT_EQ(keys, (TStrings{"Other", "K"}));
  ini.WriteString("S", "K", std::string(70'000, 'z'));
  ini.DeleteKey("S", "k");
  ini.ReadSection("S", keys);
  EXPECT_EQ(keys, (TStrings{"Other"}));
}

TEST_F(SafeIniFileTest, DamagedCountNeitherHangsNorLosesTheValue) {
  TSafeIniFile ini(file_);
  ini.WriteString("S", "K", std::string(70'000, 'd'));
  ASSERT_TRUE(WriteProfileString("S", "K__$Count", "2000000000", file_));
  EXPECT_EQ(ini.ReadString("S", "K", ""), std::string(70'000, 'd'));
  ini.DeleteKey("S", "K");
  TStrings keys;
  ini.ReadSection("S", keys);
  EXPECT_TRUE(keys.empty());
}

// Parts written by another program, in any letter case and with look-alikes around them: the
// first section of the name and the first key of each name count, as for a single value.
TEST_F(SafeIniFileTest, PartsComeFromTheFirstSectionAndTheFirstKeyOfEachName) {
  constexpr int kParts = 5'000;
  std::string text = "[Other]\r\nMany__$Line2=wrong\r\n[s]\r\nmany=p1;\r\n";
  text += "MANY__$COUNT=" + std::to_string(kParts) +
          "\r\nMany__$Hash=" + std::to_string(IniHash("p1;")) + "\r\n";
  std::string expected = "p1;";
  for (int i = kParts; i >= 2; --i) {  // in reverse order: lookups must not depend on it
    text += "many__$line" + std::to_string(i) + " = \"p" + std::to_string(i) + ";\"\r\n";
  }
  for (int i = 2; i <= kParts; ++i) expected += "p" + std::to_string(i) + ";";
  text += "Many__$Line2=second copy\r\n[S]\r\nMany__$Line3=later section\r\n";
  WriteFile(file_, text);
  TSafeIniFile ini(file_);
  EXPECT_EQ(ini.ReadString("S", "Many", ""), expected);
  ini.SetCheckHash(false);
  EXPECT_EQ(ini.ReadString("S", "Many", ""), expected);
  ASSERT_TRUE(WriteProfileString("S", "Many", "rewritten", file_));
  ini.SetCheckHash(true);
  EXPECT_EQ(ini.ReadString("S", "Many", ""), "rewritten");
  ini.SetCheckHash(false);  // then the parts are appended whatever part 1 holds
  EXPECT_EQ(ini.ReadString("S", "Many", "").substr(0, 12), "rewrittenp2;");
  EXPECT_EQ(ini.ReadString("S", "Missing", " default  "), " default");
}

TEST_F(SafeIniFileTest, PlainModeCutsLongValues) {
  TSafeIniFile ini(file_);
  ini.SetPlainMode(true);
  ini.WriteString("S", "K", std::string(70'000, 'p') + "\n");
  EXPECT_EQ(Raw("K").size(), 65'532u);
  EXPECT_EQ(Raw("K__$Count"), "<none>");
  EXPECT_EQ(ini.ReadString("S", "K", ""), std::string(65'532, 'p'));
}

TEST_F(SafeIniFileTest, TypedValuesUseTheIniFormat) {
  TSafeIniFile ini(file_);
  const TDateTime moment = EncodeDateTime(2026, 12, 7, 13, 18, 46, 123);
  ini.WriteDate("S", "D", moment);
  ini.WriteDateTime("S", "DT", moment);
  ini.WriteTime("S", "T", moment);
  ini.WriteFloat("S", "F", 1234.5);
  ini.WriteInteger("S", "I", -42);
  ini.WriteBool("S", "B", true);
  EXPECT_EQ(Raw("D"), "07.12.2026");
  EXPECT_EQ(Raw("DT"), "07.12.2026 13:18:46.123");
  EXPECT_EQ(Raw("T"), "13:18:46.123");
  EXPECT_EQ(Raw("F"), "1234.5");
  EXPECT_EQ(Raw("B"), "1");
  EXPECT_EQ(ini.ReadDate("S", "D", 0), EncodeDate(2026, 12, 7));
  EXPECT_EQ(ini.ReadDateTime("S", "DT", 0), moment);
  EXPECT_EQ(ini.ReadTime("S", "T", 0), EncodeTime(13, 18, 46, 123));
  EXPECT_EQ(ini.ReadFloat("S", "F", 0), 1234.5);
  EXPECT_EQ(ini.ReadInteger("S", "I", 0), -42);
  EXPECT_TRUE(ini.ReadBool("S", "B", false));

  // Texts that do not convert give the default.
  ini.WriteString("S", "Bad", "31.02.2024");
  EXPECT_EQ(ini.ReadDate("S", "Bad", 7.0), 7.0);
  EXPECT_EQ(ini.ReadDateTime("S", "Bad", 7.0), 7.0);
  ini.WriteString("S", "Comma", "1,5");
  EXPECT_EQ(ini.ReadFloat("S", "Comma", -1), -1);
  EXPECT_EQ(ini.ReadTime("S", "Missing", 0.5), 0.5);
  ini.WriteString("S", "Hex", "0x1F");
  EXPECT_EQ(ini.ReadInteger("S", "Hex", 0), 31);
  ini.WriteString("S", "Word", "True");
  EXPECT_FALSE(ini.ReadBool("S", "Word", false));  // not an integer: the default
  EXPECT_TRUE(ini.ReadBool("S", "Word", true));
}

TEST_F(SafeIniFileTest, SectionOperations) {
  TSafeIniFile ini(file_);
  ini.WriteString("One", "a", "1");
  ini.WriteString("One", "b", "x\ny");
  ini.WriteString("Two", "c", "3");
  ini.WriteString("Two\\Sub", "d", "4");
  TStrings list;
  ini.ReadSections(list);
  EXPECT_EQ(list, (TStrings{"One", "Two", "Two\\Sub"}));
  ini.ReadSubSections("two", list);
  EXPECT_EQ(list, (TStrings{"Sub"}));
  ini.ReadSectionValues("One", list);
  EXPECT_EQ(list, (TStrings{"a=1", "b=x\r\ny"}));
  EXPECT_TRUE(ini.ValueExists("one", "B"));
  EXPECT_FALSE(ini.ValueExists("one", "c"));
  ini.EraseSection("One");
  EXPECT_FALSE(ini.SectionExists("One"));
  EXPECT_EQ(ini.ReadString("Two", "c", ""), "3");
  ini.UpdateFile();
}

TEST_F(SafeIniFileTest, HooksAnswerOnlyWhenAssigned) {
  TSafeIniFile ini(file_);
  EXPECT_EQ(ini.Query("a", "b", "c"), 0);
  ini.SetQueryHook([](std::string_view a, std::string_view, std::string_view) {
    return static_cast<int>(a.size());
  });
  EXPECT_EQ(ini.Query("abc", "", ""), 3);
  std::string seen;
  ini.SetNotifyHook([&](std::string_view a, std::string_view b, std::string_view c) {
    seen = std::string(a) + b.data() + c.data();
  });
  ini.Notify("x", "y", "z");
  EXPECT_EQ(seen, "xyz");
  EXPECT_EQ(ini.ItemWord(), "Item");
}

}  // namespace
}  // namespace kvr::ini
