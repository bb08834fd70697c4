// The export creator's settings from "cnf.ini" (which keys are read under which switches, the
// fuel-name map and its width), StrToHex, and the two host option predicates, against a real
// settings file and a scripted host.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "codepage/code_page.h"
#include "common/text.h"
#include "entry/export_creator.h"
#include "entry/host_context.h"
#include "entry/host_options.h"
#include "entry/payment_catalogue.h"
#include "platform/file_system.h"
#include "scripted_host.h"
#include "support/temp_dir.h"

namespace kvr::test {
namespace {

using namespace kvr::literals;

std::string W(std::string_view utf8) { return codepage::Utf8ToCp1251(utf8); }
std::vector<std::string> W(const std::vector<std::string>& utf8) {
  std::vector<std::string> out;
  for (const std::string& line : utf8) out.push_back(W(line));
  return out;
}

// The settings file lives in a private Windows directory (KVR_WINDIR); the host is scripted.
class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::setenv("KVR_WINDIR", windows_.path().c_str(), 1);
    TheHostContext() = HostContext{};
    TheHostContext().callback = &HostCallback;
    Host().Reset();
    Host().answers[46] = AnswerInteger(0);
    Host().answers[13] = AnswerText("АЗС №1");
  }
  void TearDown() override {
    ::unsetenv("KVR_WINDIR");
    TheHostContext() = HostContext{};
    Host().Reset();
    ReleasePaymentCatalogue();
  }

  // Writes cnf.ini from UTF-8 lines (stored in Windows-1251, as the station keeps it).
  void WriteSettings(const std::vector<std::string>& utf8_lines) {
    std::string text;
    for (const std::string& line : utf8_lines) text += W(line) + "\r\n";
    platform::WriteWholeFile(SettingsFilePath(), text);
  }
  reports::ExportSettings Read() { return ReadExportSettings(SettingsFilePath()); }

  TempDir windows_{"kvr-windir"};
};

TEST(StrToHexTest, TwoUpperCaseDigitsPerByteInByteOrder) {
  EXPECT_EQ(StrToHex("ВСЕ АЗС"_w), "C2D1C520C0C7D1");
  EXPECT_EQ(StrToHex(""), "");
  EXPECT_EQ(StrToHex(std::string("\x00\x0f\xff", 3)), "000FFF");
  EXPECT_EQ(StrToHex("az"), "617A");
}

TEST_F(SettingsTest, SettingsFileIsCnfIniInTheWindowsDirectory) {
  EXPECT_EQ(SettingsFilePath(), windows_.path() + "\\cnf.ini");
  WriteSettings({"[REPORTS]", "UseDBETime=0"});
  EXPECT_TRUE(platform::FileExists(windows_.File("cnf.ini")));
  EXPECT_FALSE(Read().use_dbe_time);
}

TEST_F(SettingsTest, MissingFileGivesTheDefaultsAndAsksTheHostNothing) {
  const reports::ExportSettings s = Read();
  EXPECT_TRUE(s.use_dbe_time);
  EXPECT_FALSE(s.export_tide_zero);
  EXPECT_FALSE(s.gsm_tbl);
  EXPECT_EQ(s.fuel_name_width, 20);
  EXPECT_TRUE(s.fuel_name_map.empty());
  EXPECT_TRUE(Host().asked.empty());
}

// With GSMTbl off the fuel keys are not read: whatever they hold has no effect, and the host
// is not asked for its kind or the station name.
TEST_F(SettingsTest, GSMTblOffReadsNoneOfTheFuelKeys) {
  for (const char* gsm_tbl : {"", "GSMTbl=0", "GSMTbl=garbage"}) {
    SCOPED_TRACE(gsm_tbl);
    Host().asked.clear();
    WriteSettings({"[REPORTS]", "UseDBETime=0", "ExportTideZero=1", gsm_tbl, "FixGSMFld=0",
                   "GSMOneTbl=1", "GSMFldLen=33",
                   "GSMNames2C2D1C520C0C7D1=Аи-92=Бензин Аи-92 с очень длинным названием",
                   "GSMNames2C0C7D120B931=Аи-92=Регуляр"});
    const reports::ExportSettings s = Read();
    EXPECT_FALSE(s.use_dbe_time) << "the keys read always are read";
    EXPECT_TRUE(s.export_tide_zero);
    EXPECT_FALSE(s.gsm_tbl);
    EXPECT_EQ(s.fuel_name_width, 20);
    EXPECT_TRUE(s.fuel_name_map.empty());
    EXPECT_EQ(Host().TimesAsked(46), 0);
    EXPECT_EQ(Host().TimesAsked(13), 0);
  }
}

// The width of fuel-name fields: GSMFldLen when FixGSMFld is on, else the longest replacement
// (text after the first "=") but never less than 20.
TEST_F(SettingsTest, FuelNameWidthFollowsFixGSMFld) {
  const std::string twenty_five = "Дизельное топливо летнее.";  // 25 characters
  const std::string twelve = "Регуляр Аи92";                    // 12 characters
  ASSERT_EQ(W(twenty_five).size(), 25u);
  ASSERT_EQ(W(twelve).size(), 12u);
  struct Case {
    const char* name;
    std::vector<std::string> keys;
    int width;
  };
  const std::string key = "GSMNames2C0C7D120B931=";  // "АЗС №1", the host's station name
  const Case cases[] = {
      {"longest replacement 25",
       {"FixGSMFld=0", key + "ДТ=" + twenty_five + "|Аи-92=" + twelve},
       25},
      {"longest replacement 12", {"FixGSMFld=0", key + "ДТ=" + twelve + "|Аи-92=Регуляр"}, 20},
      {"value part after the first =", {"FixGSMFld=0", key + "ДТ=" + twelve + "=" + twelve}, 25},
      {"no map", {"FixGSMFld=0"}, 20},
      {"fixed, GSMFldLen", {"GSMFldLen=33", key + "ДТ=" + twenty_five}, 33},
      {"fixed, default 20", {key + "ДТ=" + twenty_five}, 20},
      {"fixed, smaller GSMFldLen", {"FixGSMFld=1", "GSMFldLen=12", key + "ДТ=" + twenty_five}, 12},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> lines = {"[REPORTS]", "GSMTbl=1"};
    lines.insert(lines.end(), c.keys.begin(), c.keys.end());
    WriteSettings(lines);
    const reports::ExportSettings s = Read();
    EXPECT_TRUE(s.gsm_tbl);
    EXPECT_EQ(s.fuel_name_width, c.width);
  }
}

// Which "GSMNames2" key is read: "ВСЕ АЗС" for one map of all stations (host kind 3 and
// GSMOneTbl), else the station name of control command 1000, else the host's name (query 13).
TEST_F(SettingsTest, FuelNameMapKeyFollowsHostKindAndStationName) {
  struct Case {
    const char* name;
    int host_kind;
    std::optional<const char*> one_table;  // GSMOneTbl line, when present
    const char* station_name;              // of control command 1000 (UTF-8)
    const char* map_line;
    int asked_13;
  };
  const Case cases[] = {
      {"kind 3, GSMOneTbl default", 3, std::nullopt, "АЗС 7", "all=ВСЕ", 0},
      {"kind 3, GSMOneTbl on", 3, "GSMOneTbl=1", "", "all=ВСЕ", 0},
      {"kind 3, GSMOneTbl off, own name", 3, "GSMOneTbl=0", "АЗС 7", "seven=7", 0},
      {"kind 3, GSMOneTbl off, host's name", 3, "GSMOneTbl=0", "", "host=1", 1},
      {"kind 0 ignores GSMOneTbl", 0, "GSMOneTbl=1", "АЗС 7", "seven=7", 0},
      {"kind 0, host's name", 0, std::nullopt, "", "host=1", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> lines = {"[REPORTS]", "GSMTbl=1",
                                      "GSMNames2" + StrToHex("ВСЕ АЗС"_w) + "=all=ВСЕ",
                                      "GSMNames2" + StrToHex(W("АЗС 7")) + "=seven=7",
                                      "GSMNames2" + StrToHex(W("АЗС №1")) + "=host=1"};
    if (c.one_table) lines.push_back(*c.one_table);
    WriteSettings(lines);
    Host().Reset();
    Host().answers[46] = AnswerInteger(c.host_kind);
    Host().answers[13] = AnswerText("АЗС №1");
    TheHostContext().station_name = W(c.station_name);
    const reports::ExportSettings s = Read();
    EXPECT_EQ(s.fuel_name_map, std::vector<std::string>{W(c.map_line)});
    EXPECT_EQ(Host().TimesAsked(46), 1) << "the creator asks the host kind again";
    EXPECT_EQ(Host().TimesAsked(13), c.asked_13);
  }
}

TEST_F(SettingsTest, FuelNameMapSplitsAtBarsAndTrimsTheWholeText) {
  const std::string key = "GSMNames2" + StrToHex(W("АЗС №1")) + "=";
  struct Case {
    std::string value;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"Аи-92=Регуляр|Аи-95 = Премиум |ДТ=Дизель",
       {"Аи-92=Регуляр", "Аи-95 = Премиум ", "ДТ=Дизель"}},
      {"\"  Аи-92=Регуляр| ДТ=Дизель  \"", {"Аи-92=Регуляр", " ДТ=Дизель"}},
      {"Аи-92=Регуляр||ДТ=Дизель", {"Аи-92=Регуляр", "", "ДТ=Дизель"}},
      {"Аи-92=Регуляр|", {"Аи-92=Регуляр"}},
      {"", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    WriteSettings({"[REPORTS]", "GSMTbl=1", key + c.value});
    EXPECT_EQ(Read().fuel_name_map, W(c.lines));
  }
}

// OfficeReportsMode and KAColumnEnabled ask the settings file or the host on every call.
TEST_F(SettingsTest, HostOptionPredicates) {
  struct Case {
    const char* name;
    bool kind3, allowed;
    const char* office_type;  // "Misc" / "OfficeReportsType" line, or ""
    bool answer8, answer17;
    bool office_mode, ka_column;
  };
  const Case cases[] = {
      {"kind 3, allowed, type on", true, true, "OfficeReportsType=1", false, false, true, true},
      {"kind 3, allowed, type absent", true, true, "", true, true, false, false},
      {"kind 3, allowed, type off", true, true, "OfficeReportsType=0", true, true, false, false},
      {"kind 3, not allowed", true, false, "OfficeReportsType=1", true, true, false, false},
      {"host, allowed, answers yes", false, true, "OfficeReportsType=0", true, false, true, false},
      {"host, allowed, answers no", false, true, "OfficeReportsType=1", false, true, false, true},
      {"host, not allowed", false, false, "", true, true, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteSettings({"[Misc]", c.office_type});
    TheHostContext().host_kind3 = c.kind3;
    TheHostContext().office_reports_allowed = c.allowed;
    Host().answers[8] = [&c](kvr_variant* v) { kvr_variant_set_bool(v, c.answer8); };
    Host().answers[17] = [&c](kvr_variant* v) { kvr_variant_set_bool(v, c.answer17); };
    EXPECT_EQ(OfficeReportsMode(), c.office_mode);
    EXPECT_EQ(KAColumnEnabled(), c.ka_column);
  }
  // No cache: a changed file counts at the next call.
  TheHostContext().host_kind3 = true;
  TheHostContext().office_reports_allowed = true;
  WriteSettings({"[Misc]", "OfficeReportsType=1"});
  EXPECT_TRUE(OfficeReportsMode());
  WriteSettings({"[Misc]", "OfficeReportsType=0"});
  EXPECT_FALSE(OfficeReportsMode());
  EXPECT_FALSE(MakeHostOptions().ka_column_enabled());
}

}  // namespace
}  // namespace kvr::test
