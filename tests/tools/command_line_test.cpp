#include "command_line.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "common/date_time.h"

namespace kvr::host {
namespace {

using Kind = HostParam::Kind;

TEST(KvrhostParams, PrefixesAndGuesses) {
  struct Case {
    const char* text;
    Kind kind;
    std::int64_t integer;
    double real;
    const char* str;
  };
  const double dec7 = EncodeDate(2026, 12, 7);
  const Case cases[] = {
      {"42", Kind::kInteger, 42, 0, ""},
      {"-5", Kind::kInteger, -5, 0, ""},
      {"i:7", Kind::kInteger, 7, 0, ""},
      {"s:15", Kind::kText, 0, 0, "15"},
      {"f:1.5", Kind::kFloat, 0, 1.5, ""},
      {"b:true", Kind::kBoolean, 1, 0, ""},
      {"b:false", Kind::kBoolean, 0, 0, ""},
      {"null", Kind::kNull, 0, 0, ""},
      {"empty", Kind::kEmpty, 0, 0, ""},
      {"2026-12-07", Kind::kDateTime, 0, dec7, ""},
      {"2026-12-07T12:00", Kind::kDateTime, 0, dec7 + 0.5, ""},
      {"d:2026-12-07 06:00:00.000", Kind::kDateTime, 0, dec7 + 0.25, ""},
      {"/srv/station", Kind::kText, 0, 0, "/srv/station"},
      {"2026-13-01", Kind::kText, 0, 0, "2026-13-01"},  // no date, so a text
      {"АЗС", Kind::kText, 0, 0, "АЗС"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    HostParam p = ParseParam(c.text);
    EXPECT_EQ(p.kind, c.kind);
    EXPECT_EQ(p.integer, c.integer);
    EXPECT_DOUBLE_EQ(p.real, c.real);
    EXPECT_EQ(p.text, c.str);
  }
  for (const char* bad : {"i:x", "f:", "d:tomorrow", "d:2026-02-30", "b:yes"})
    EXPECT_THROW(ParseParam(bad), UsageError) << bad;
}

TEST(KvrhostCommandLine, OptionsReportAndParameters) {
  Invocation inv = ParseCommandLine({"--host-kind", "3", "--station=АЗС 5", "--payment-names",
                                     "&A; B ;C", "--payment-codes", "1:2,104,-104:255",
                                     "--control", "0,/db", "8", "4", "2026-12-01", "-1"});
  EXPECT_EQ(inv.mode, Invocation::Mode::kReport);
  EXPECT_EQ(inv.report_code, '8');
  ASSERT_EQ(inv.params.size(), 3u);
  EXPECT_EQ(inv.params[2].integer, -1);  // after the report code nothing is an option
  EXPECT_EQ(inv.settings.host_kind, 3);
  EXPECT_EQ(inv.settings.station, "АЗС 5");
  EXPECT_EQ(*inv.settings.payment_names, (std::vector<std::string>{"&A", "B", "C"}));
  ASSERT_EQ(inv.settings.payment_codes->size(), 3u);
  EXPECT_EQ((*inv.settings.payment_codes)[1].code, 104);
  EXPECT_EQ((*inv.settings.payment_codes)[2].check_type, 255);
  EXPECT_EQ(*inv.settings.control, (std::vector<std::string>{"0", "/db"}));

  EXPECT_EQ(ParseCommandLine({"--control", "1"}).mode, Invocation::Mode::kControlOnly);
  EXPECT_EQ(ParseCommandLine({"--help"}).mode, Invocation::Mode::kHelp);
  Invocation dbf = ParseCommandLine({"dbf", "x.dbf", "--ansi"});
  EXPECT_EQ(dbf.mode, Invocation::Mode::kDumpDbf);
  EXPECT_TRUE(dbf.dbf_ansi);
}

TEST(KvrhostCommandLine, UsageErrors) {
  const std::vector<std::vector<std::string>> bad = {
      {},
      {"--bogus", "8"},
      {"--host-kind"},
      {"--host-kind", "three", "8"},
      {"--office-mode", "maybe", "8"},
      {"--payment-codes", "1:256", "8"},
      {"--control", "1,2,3,4,5"},
      {"88"},
      {"dbf"},
      {"--settings", "/nonexistent/kvrhost.conf", "8"},
  };
  for (const auto& args : bad) EXPECT_THROW(ParseCommandLine(args), UsageError);
}

TEST(KvrhostCommandLine, SettingsFileThenOptions) {
  const std::filesystem::path file =
      std::filesystem::path(::testing::TempDir()) / "kvrhost-settings-test.conf";
  {
    std::ofstream out(file);
    out << "# host answers\n\nstation = Station One\nhost-kind = 3\r\noffice-mode = yes\n"
           "; another comment\npayment-names = X;Y\n";
  }
  Invocation inv = ParseCommandLine({"--host-kind", "1", "--settings", file.string(), "1"});
  EXPECT_EQ(inv.settings.station, "Station One");
  EXPECT_EQ(inv.settings.host_kind, 1);  // the option wins, wherever it stands
  EXPECT_TRUE(inv.settings.office_mode);
  EXPECT_EQ(inv.settings.payment_names->size(), 2u);

  {
    std::ofstream out(file);
    out << "station = ok\nthis line has no equals sign\n";
  }
  try {
    ParseCommandLine({"--settings", file.string(), "1"});
    ADD_FAILURE() << "no error";
  } catch (const UsageError& e) {
    EXPECT_NE(std::string(e.what()).find(":2:"), std::string::npos) << e.what();
  }
  std::filesystem::remove(file);
}

}  // namespace
}  // namespace kvr::host
