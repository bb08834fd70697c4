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
                                     "&A; B ;C", "--payment-codes", "1:2,104,-104:255", "--control",
                                     "0,/db", "8", "3", "1", "-1"});
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
  EXPECT_EQ(ParseCommandLine({"-V"}).mode, Invocation::Mode::kVersion);
  Invocation dbf = ParseCommandLine({"dbf", "x.dbf", "--ansi"});
  EXPECT_EQ(dbf.mode, Invocation::Mode::kDumpDbf);
  EXPECT_EQ(dbf.dbf.code_page, 1251);
  EXPECT_EQ(dbf.dbf.file, "x.dbf");
}

TEST(KvrhostCommandLine, DoubleDashEndsTheOptionsAndFlagsAreRead) {
  Invocation inv =
      ParseCommandLine({"--json", "--no-progress", "--station", "S", "--", "6", "-1", "-5"});
  EXPECT_TRUE(inv.json);
  EXPECT_EQ(inv.progress, ProgressMode::kOff);
  EXPECT_EQ(inv.report_code, '6');
  ASSERT_EQ(inv.params.size(), 2u);
  EXPECT_EQ(inv.params[0].integer, -1);
  EXPECT_EQ(inv.params[1].integer, -5);
  EXPECT_TRUE(inv.check);
  EXPECT_EQ(ParseCommandLine({"--progress", "--no-check", "8", "0"}).progress, ProgressMode::kOn);
  EXPECT_FALSE(ParseCommandLine({"--no-check", "8", "0"}).check);  // unchecked: reaches the library
  // getopt_long takes an unambiguous prefix and the --key=value form.
  EXPECT_EQ(ParseCommandLine({"--host-k=3", "8", "2"}).settings.host_kind, 3);
  EXPECT_TRUE(AsksForJson({"--bogus", "--json"}));
  EXPECT_FALSE(AsksForJson({"--", "--json"}));
  EXPECT_FALSE(AsksForJson({"dbf", "--json"}));

  Invocation dbf = ParseCommandLine({"dbf", "--csv", "-n", "7", "--", "-odd.dbf"});
  EXPECT_EQ(dbf.dbf.layout, DbfOptions::Layout::kCsv);
  EXPECT_EQ(dbf.dbf.limit, 7u);
  EXPECT_EQ(dbf.dbf.file, "-odd.dbf");
  EXPECT_EQ(ParseCommandLine({"dbf", "-x", "f.dbf"}).dbf.layout, DbfOptions::Layout::kVertical);
  EXPECT_EQ(ParseCommandLine({"dbf", "--code-page", "850", "f.dbf"}).dbf.code_page, 850);
  EXPECT_EQ(ParseCommandLine({"dbf", "f.dbf"}).dbf.code_page, 0);  // the mark decides
}

// Every report's parameters, named as the library's dispatch converts them.
TEST(KvrhostCommandLine, EachReportNamesItsParameters) {
  struct Case {
    std::vector<std::string> args;
    const char* message;
  };
  const Case cases[] = {
      {{"0", "2024-03-01"},
       "report 0 needs: begin, end, first number[, second number[, shop database directory]] (1 "
       "given)"},
      {{"1"}, "report 1 needs: begin, end (0 given)"},
      {{"2", "2024-03-01"}, "report 2 needs: begin, end (1 given)"},
      {{"6", "6"}, "report 6 needs: last shift, first shift (1 given)"},
      {{"8", "1", "0", "0", "2024-03-01"},
       "report 8 sub-code 1 needs: sub-code, first number, second number, begin, end (4 given)"},
      {{"8", "2", "1"}, "report 8 sub-code 2 takes at most 1 parameters: sub-code (2 given)"},
      {{"8", "3", "1"}, "report 8 sub-code 3 needs: sub-code, first shift, last shift (2 given)"},
      {{"8", "4"}, "report 8 sub-code 4 needs: sub-code, begin, end (1 given)"},
      {{"8", "5", "2024-03-01"}, "report 8 sub-code 5 needs: sub-code, begin, end (2 given)"},
      {{"#", "1000"},
       "control command 1000 needs: command, office reports (0 allows them)[, database directory[, "
       "station name[, sale log mode]]] (1 given)"},
      {{"1", "2024-03-01", "2024-03-02", "5"},
       "report 1 takes at most 2 parameters: begin, end (3 given)"},
      {{"6", "6", "x"}, "report 6, first shift: 'x' is not an integer"},
      {{"6", "9999999999", "1"},
       "report 6, last shift: '9999999999' is outside the 32-bit integer range"
       ""},
      {{"1", "2026-13-01", "2026-12-02"},
       "report 1, begin: '2026-13-01' is not a date-time (yyyy-mm-dd[Thh:nn[:ss[.zzz]]])"},
      {{"8", "4", "2024-03-01", "5"},
       "report 8 sub-code 4, end: '5' is not a date-time (yyyy-mm-dd[Thh:nn[:ss[.zzz]]])"},
      {{"0", "2024-03-01", "2024-03-02", "0", "0", "2024-03-03"},
       "report 0, shop database directory: '2024-03-03' is not a text (write s:TEXT)"},
      {{"8"},
       "report 8 needs a sub-code: 1 payment types, 2 discount cards, 3 dispenser information, "
       "4 cash receipts, 5 sale discounts (none given)"},
      {{"8", "6"},
       "report 8 needs a sub-code: 1 payment types, 2 discount cards, 3 dispenser "
       "information, 4 cash receipts, 5 sale discounts ('6' given)"},
      {{"5"},
       "unknown report '5' (the reports are 0, 1, 2, 6 and 8; # sends control command 1000)"},
      {{"#", "5"},
       "the only command of '#' is 1000 (control command 1000 needs: command, office "
       "reports (0 allows them)[, database directory[, station name[, sale log mode]]])"},
      {{"--control", "0,/db,АЗС,x", "1", "2024-03-01", "2024-03-02"},
       "control command 1000, sale log mode: 'x' is not an integer"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0]);
    try {
      ParseCommandLine(c.args);
      ADD_FAILURE() << "no error for " << c.message;
    } catch (const UsageError& e) {
      EXPECT_EQ(std::string(e.what()), c.message);
    }
  }
}

// The parameters each report accepts pass the check, the shortest and the longest form.
TEST(KvrhostCommandLine, CompleteParametersPass) {
  const std::vector<std::vector<std::string>> good = {
      {"0", "2024-03-01", "2024-03-05", "0"},
      {"0", "2024-03-01", "2024-03-05", "0", "0", "s:D:\\SHOP\\"},
      {"1", "2024-03-01", "d:2024-03-05 12:00"},
      {"2", "f:45352.5", "2024-03-05"},
      {"6", "6", "1"},
      {"8", "1", "0", "0", "2024-03-01", "2024-03-05"},
      {"8", "2"},
      {"8", "3", "1", "6"},
      {"8", "4", "2024-03-01", "2024-03-05"},
      {"8", "5", "2024-03-01", "2024-03-05"},
      {"#", "1000", "0", "/srv/station", "s:АЗС 1", "1"},
  };
  for (const auto& args : good) EXPECT_NO_THROW(ParseCommandLine(args)) << args[0];
}

TEST(KvrhostCommandLine, OptionMistakesNameTheOption) {
  struct Case {
    std::vector<std::string> args;
    const char* message;
  };
  const Case cases[] = {
      {{"--bogus", "8"}, "unknown or ambiguous option '--bogus'"},
      {{"--bogus=1", "8"}, "unknown or ambiguous option '--bogus'"},
      {{"-q", "8"}, "unknown or ambiguous option '-q'"},
      {{"--host-kind"}, "option '--host-kind' needs a value"},
      {{"--no"}, "unknown or ambiguous option '--no'"},  // --no-init, --no-progress, --no-check
      {{"dbf", "-n"}, "dbf: option '-n' needs a value"},
      {{"dbf", "-n", "ten", "f.dbf"}, "dbf: -n needs a record count, not 'ten'"},
      {{"dbf", "a.dbf", "b.dbf"}, "dbf: unexpected argument 'b.dbf'"},
      {{"--json", "dbf", "f.dbf"}, "dbf comes first: kvrhost dbf [OPTIONS] FILE"},
  };
  for (const Case& c : cases) {
    try {
      ParseCommandLine(c.args);
      ADD_FAILURE() << "no error for " << c.message;
    } catch (const UsageError& e) {
      EXPECT_EQ(std::string(e.what()), c.message);
    }
  }
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
      {"8", "0"},  // an unknown sub-code is told before the library is called
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
  Invocation inv = ParseCommandLine({"--host-kind", "1", "--settings", file.string(), "8", "2"});
  EXPECT_EQ(inv.settings.station, "Station One");
  EXPECT_EQ(inv.settings.host_kind, 1);  // the option wins, wherever it stands
  EXPECT_TRUE(inv.settings.office_mode);
  EXPECT_EQ(inv.settings.payment_names->size(), 2u);

  {
    std::ofstream out(file);
    out << "station = ok\nthis line has no equals sign\n";
  }
  try {
    ParseCommandLine({"--settings", file.string(), "8", "2"});
    ADD_FAILURE() << "no error";
  } catch (const UsageError& e) {
    EXPECT_NE(std::string(e.what()).find(":2:"), std::string::npos) << e.what();
  }
  std::filesystem::remove(file);
}

}  // namespace
}  // namespace kvr::host
