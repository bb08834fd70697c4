// The whole way of a report call through the loaded library: host -> GetReportsInStringEx ->
// export creator (settings, station connection) -> dispatch -> export -> DBF file -> log line
// -> answer. Report "8"/1 (payment types) is the export under test; the others appear where the
// dispatch table itself is the subject.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <functional>
#include <iostream>
#include <limits>
#include <regex>
#include <string>
#include <vector>

#include "codepage/code_page.h"
#include "export_harness.h"
#include "firebird/firebird_test_util.h"
#include "platform/file_system.h"
#include "scripted_host.h"

namespace kvr::test {
namespace {

std::string U(std::string_view cp1251) { return codepage::Cp1251ToUtf8(cp1251); }

// Parameters of "8"/1 as the host sends them: sub-code, two integers, two date-times.
std::vector<host_param> PaymentTypeParams() {
  return {Int(1), Int(0), Int(0), Date(DataBegin()), Date(DataEnd())};
}

const std::vector<std::string> kDefaultNames = {
    "Наличные", "Платеж. терминал", "Товарные карты", "Безналичные", "Ведомость +",      "Мерник",
    "ЛНР",      "Самообслуживание", "Договорной",     "Талоны",      "Дисконтные карты", "Переливы",
    "ЛБР"};

class DispatchTest : public ExportFixture {
 protected:
  static std::string LogPath() { return Root() + "/C/MOLT/LogFiles/Reports.log"; }
  // The log records written since the last call (UTF-8, line ends removed, each checked to
  // end with CR LF).
  std::vector<std::string> NewLogLines() {
    const std::string log =
        platform::FileExists(LogPath()) ? platform::ReadWholeFile(LogPath()) : "";
    const std::string added = log.size() >= log_mark_ ? log.substr(log_mark_) : log;
    log_mark_ = log.size();
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < added.size()) {
      const std::size_t end = added.find("\r\n", start);
      EXPECT_NE(end, std::string::npos) << "a record without CR LF";
      if (end == std::string::npos) break;
      lines.push_back(U(added.substr(start, end - start)));
      start = end + 2;
    }
    return lines;
  }
  void SetUp() override {
    ExportFixture::SetUp();
    NewLogLines();  // earlier tests' records are not ours
  }
  // Other attachments to the station database than the probe's own.
  int OtherAttachments() {
    auto db = MakeDatabase(Station());
    db->Open();
    auto query = MakeQuery(*db,
                           "SELECT COUNT(*) FROM MON$ATTACHMENTS WHERE MON$SYSTEM_FLAG = 0 "
                           "AND MON$ATTACHMENT_ID <> CURRENT_CONNECTION");
    query->Open();
    const int count = query->Fields(0).AsInteger();
    query->Close();
    db->Close();
    return count;
  }

  std::size_t log_mark_ = 0;
};

// "dd.mm.yyyy hh:nn:ss.zzz [tag] [KVRExportCreator9] message".
const std::regex kRecord(
    R"(^(\d\d)\.(\d\d)\.(\d{4}) (\d\d):(\d\d):(\d\d)\.(\d{3}) \[(инф|ошиб)\] \[KVRExportCreator9\] (.*)$)");

TEST_F(DispatchTest, PaymentTypesFromTheDefaultCatalogue) {
  UseStation(StationVariant::kMinimal);
  RunOk('8', PaymentTypeParams(), "ExportVidOpl.dbf");
  const DbfContent dbf = ReadDbf(ExportFile("ExportVidOpl.dbf"));
  EXPECT_EQ(Layout(dbf),
            (std::vector<std::string>{"VIDOPLNUM N 11", "VIDOPLNAME C 30", "CHECKTYPE N 11"}));
  ASSERT_EQ(dbf.rows.size(), kDefaultNames.size());
  for (std::size_t i = 0; i < kDefaultNames.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(dbf.At(i, "VIDOPLNUM"), std::to_string(i));
    EXPECT_EQ(U(dbf.At(i, "VIDOPLNAME")), kDefaultNames[i]) << "the '&' is gone";
    EXPECT_EQ(dbf.At(i, "CHECKTYPE"), "-1");
  }
  // The file holds the names in code page 866: "Наличные" byte by byte.
  EXPECT_NE(dbf.raw_records[0].find("\x8D\xA0\xAB\xA8\xE7\xAD\xEB\xA5"), std::string::npos);
  EXPECT_EQ(dbf.raw_records[0].find(W("Наличные")), std::string::npos);

  const std::vector<std::string> lines = NewLogLines();
  ASSERT_EQ(lines.size(), 1u);
  std::smatch m;
  ASSERT_TRUE(std::regex_match(lines[0], m, kRecord)) << lines[0];
  EXPECT_EQ(m[8], "инф");
  EXPECT_TRUE(std::regex_match(
      m[9].str(), std::regex(R"re(Документ "Экспорт видов оплаты" подготовлен за \d+ ms)re")))
      << lines[0];
}

TEST_F(DispatchTest, PaymentTypesFromTheHostsCatalogue) {
  UseStation(StationVariant::kMinimal);
  TestCatalogue catalogue({{104, 2}, {-7, 0}, {5, 255}});
  Host().answers[23] = AnswerNames({"&Наличные", "&&Карта", "Талоны с длинным названием для поля"});
  Host().answers[57] = AnswerPointer(catalogue.Object());
  RunOk('8', PaymentTypeParams(), "ExportVidOpl.dbf");
  const DbfContent dbf = ReadDbf(ExportFile("ExportVidOpl.dbf"));
  ASSERT_EQ(dbf.rows.size(), 3u);
  EXPECT_EQ(dbf.Values("VIDOPLNUM"), (std::vector<std::string>{"104", "-7", "5"}));
  EXPECT_EQ(dbf.Values("CHECKTYPE"), (std::vector<std::string>{"2", "0", "255"}));
  EXPECT_EQ(U(dbf.At(0, "VIDOPLNAME")), "Наличные");
  EXPECT_EQ(U(dbf.At(1, "VIDOPLNAME")), "&Карта");
  EXPECT_EQ(U(dbf.At(2, "VIDOPLNAME")), "Талоны с длинным названием для");  // 30 characters
}

TEST_F(DispatchTest, AnExistingFileIsReplaced) {
  UseStation(StationVariant::kMinimal);
  platform::ForceDirectories(ExportFile(""));
  platform::WriteWholeFile(ExportFile("ExportVidOpl.dbf"), "not a DBF file at all");
  Host().answers[23] = AnswerNames({"&Наличные", "&Талоны"});
  RunOk('8', PaymentTypeParams(), "ExportVidOpl.dbf");
  EXPECT_EQ(ReadDbf(ExportFile("ExportVidOpl.dbf")).rows.size(), 2u);
  Host().answers.erase(23);  // back to the default list
  RunOk('8', PaymentTypeParams(), "ExportVidOpl.dbf");
  EXPECT_EQ(ReadDbf(ExportFile("ExportVidOpl.dbf")).rows.size(), 13u);
}

// The old file cannot be deleted: the export fails with its delete message under its context,
// the dispatch logs it with the report's character code and still answers true.
TEST_F(DispatchTest, AnOldFileThatCannotBeDeleted) {
  UseStation(StationVariant::kMinimal);
  const std::string target = ExportFile("ExportVidOpl.dbf");
  struct Case {
    const char* name;
    std::function<bool()> arrange;  // false: the case cannot be run here
    std::function<void()> restore;
  };
  const Case cases[] = {
      {"a directory in its place", [&] { return platform::ForceDirectories(target + "/inside"); },
       [&] { std::filesystem::remove_all(target); }},
      {"a read-only export directory",
       [&] {
         // Permissions do not stop root (tests run as root in CI): then this case proves
         // nothing and is left out.
         if (::geteuid() == 0) return false;
         platform::WriteWholeFile(target, "old export");
         return ::chmod(ExportFile("").c_str(), 0555) == 0;
       },
       [&] { ::chmod(ExportFile("").c_str(), 0755); }},
  };
  int ran = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    platform::ForceDirectories(ExportFile(""));
    if (!c.arrange()) continue;
    ++ran;
    const ReportResult r = Run('8', PaymentTypeParams());
    c.restore();
    EXPECT_TRUE(r.result);
    const std::string text = U(r.text);
    const std::string head =
        "Ошибка при формировании отчета: #ERROR# ExportVO -> "
        "Не удалось удалить старый экспортный файл \"" +
        target + "\": ";
    EXPECT_EQ(text.substr(0, head.size()), head) << text;
    EXPECT_GT(text.size(), head.size() + std::string(" <# Exception #>").size())
        << "the system's error text follows the path";
    EXPECT_EQ(text.substr(text.size() - 16), " <# Exception #>") << text;
    EXPECT_EQ(text.find(" <# "), text.rfind(" <# ")) << "one class marker: " << text;

    const std::vector<std::string> lines = NewLogLines();
    ASSERT_EQ(lines.size(), 1u);
    std::smatch m;
    ASSERT_TRUE(std::regex_match(lines[0], m, kRecord)) << lines[0];
    EXPECT_EQ(m[8], "ошиб");
    EXPECT_EQ(m[9], "Ошибка формирования отчета №56: " +
                        text.substr(std::string("Ошибка при формировании отчета: ").size()));
  }
  if (ran < 2)
    std::cout << "[  NOTE    ] the read-only directory case is left out when running as root\n";
}

TEST_F(DispatchTest, UnknownReportsReturnFalseAndLogNothing) {
  UseStation(StationVariant::kMinimal);
  {
    auto held = MakeDatabase(Station());  // the probe below sees a connection that is open
    held->Open();
    ASSERT_EQ(OtherAttachments(), 1);
  }
  struct Case {
    char code;
    std::vector<host_param> params;
  };
  const Case cases[] = {
      {'8', {Int(0), Int(0), Int(0), Date(DataBegin()), Date(DataEnd())}},
      {'8', {Int(6), Int(0), Int(0), Date(DataBegin()), Date(DataEnd())}},
      {'8', {Int(-1)}},
      {'3', {Date(DataBegin()), Date(DataEnd())}},
      {'9', {Int(1)}},
      {'#', {Int(5)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(1, c.code) + " " + std::to_string(c.params[0].integer));
    const ReportResult r = Run(c.code, c.params);
    EXPECT_FALSE(r.result);
    EXPECT_EQ(r.text, "");
    EXPECT_TRUE(NewLogLines().empty());
    EXPECT_FALSE(platform::FileExists(ExportFile("ExportVidOpl.dbf")));
    EXPECT_EQ(OtherAttachments(), 0) << "the creator disconnected";
  }
}

// The dispatcher converts elements 1 to 4 of "8"/1 although the export uses none of them: a
// missing or unconvertible element is an export failure (true, the report error text, logged).
TEST_F(DispatchTest, PaymentTypeParametersThatDoNotConvert) {
  UseStation(StationVariant::kMinimal);
  struct Case {
    const char* name;
    std::vector<host_param> params;
    const char* message;
  };
  const host_param null{HP_NULL, 0, nullptr, 0};
  const Case cases[] = {
      {"sub-code only", {Int(1)}, "Variant or safe array index out of bounds"},
      {"four elements",
       {Int(1), Int(0), Int(0), Date(DataBegin())},
       "Variant or safe array index out of bounds"},
      {"text for an integer",
       {Int(1), Text("abc"), Int(0), Date(DataBegin()), Date(DataEnd())},
       "Could not convert variant of type (String) into type (Integer)"},
      {"text for a date",
       {Int(1), Int(0), Int(0), Text("yesterday"), Date(DataEnd())},
       "Could not convert variant of type (String) into type (Date)"},
      {"null for a date",
       {Int(1), Int(0), Int(0), Date(DataBegin()), null},
       "Could not convert variant of type (Null) into type (Date)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const ReportResult r = Run('8', c.params);
    EXPECT_TRUE(r.result);
    const std::string text = U(r.text);
    const std::string head = "Ошибка при формировании отчета: ";
    EXPECT_EQ(text, head + c.message) << "the conversion error's own text, unwrapped";
    EXPECT_FALSE(platform::FileExists(ExportFile("ExportVidOpl.dbf")));
    const std::vector<std::string> lines = NewLogLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("[ошиб] [KVRExportCreator9] Ошибка формирования отчета №56: " +
                            text.substr(head.size())),
              std::string::npos)
        << lines[0];
    EXPECT_EQ(OtherAttachments(), 0);
  }
}

// A date-time parameter that is no date of the years 1 to 9999 fails the report before the
// export runs: the old file stays, the message names the parameter and its value.
TEST_F(DispatchTest, DateTimeParametersOutsideTheYearsOneToNineThousandNineHundredNinetyNine) {
  UseStation(StationVariant::kFull);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const host_param float_nan{HP_FLOAT, 0, nullptr, nan};
  struct Case {
    const char* name;
    char code;
    std::vector<host_param> params;
    const char* file;
    const char* message;
  };
  const Case cases[] = {
      // every kind of bad value, on the receipts export
      {"NaN",
       '8',
       {Int(4), Date(nan), Date(DataEnd())},
       "ExportBCheck.dbf",
       "Параметр 1 (начало периода) не является датой с 1 по 9999 год: NAN"},
      {"NaN as a float",
       '8',
       {Int(4), float_nan, Date(DataEnd())},
       "ExportBCheck.dbf",
       "Параметр 1 (начало периода) не является датой с 1 по 9999 год: NAN"},
      {"infinity",
       '8',
       {Int(4), Date(DataBegin()), Date(inf)},
       "ExportBCheck.dbf",
       "Параметр 2 (конец периода) не является датой с 1 по 9999 год: INF"},
      {"minus infinity",
       '8',
       {Int(4), Date(-inf), Date(DataEnd())},
       "ExportBCheck.dbf",
       "Параметр 1 (начало периода) не является датой с 1 по 9999 год: -INF"},
      {"1e308",
       '8',
       {Int(4), Date(1e308), Date(DataEnd())},
       "ExportBCheck.dbf",
       "Параметр 1 (начало периода) не является датой с 1 по 9999 год: 1E308"},
      {"-1e308",
       '8',
       {Int(4), Date(DataBegin()), Date(-1e308)},
       "ExportBCheck.dbf",
       "Параметр 2 (конец периода) не является датой с 1 по 9999 год: -1E308"},
      {"1e9",
       '8',
       {Int(4), Date(DataBegin()), Date(1e9)},
       "ExportBCheck.dbf",
       "Параметр 2 (конец периода) не является датой с 1 по 9999 год: 1000000000"},
      {"year 0",
       '8',
       {Int(4), Date(-693594.0), Date(DataEnd())},
       "ExportBCheck.dbf",
       "Параметр 1 (начало периода) не является датой с 1 по 9999 год: -693594"},
      {"year 10000",
       '8',
       {Int(4), Date(DataBegin()), Date(2958466.0)},
       "ExportBCheck.dbf",
       "Параметр 2 (конец периода) не является датой с 1 по 9999 год: 2958466"},
      // every report that takes date-times
      {"sale log",
       '0',
       {Date(DataBegin()), Date(nan), Int(0), Int(0)},
       "SaleLog.dbf",
       "Параметр 1 (конец периода) не является датой с 1 по 9999 год: NAN"},
      {"tank events",
       '1',
       {Date(inf), Date(DataEnd())},
       "RezLog.dbf",
       "Параметр 0 (начало периода) не является датой с 1 по 9999 год: INF"},
      {"fuel receipts",
       '2',
       {Date(DataBegin()), Date(1e9)},
       "PrxLog.dbf",
       "Параметр 1 (конец периода) не является датой с 1 по 9999 год: 1000000000"},
      {"payment types",
       '8',
       {Int(1), Int(0), Int(0), Date(DataBegin()), Date(nan)},
       "ExportVidOpl.dbf",
       "Параметр 4 (конец периода) не является датой с 1 по 9999 год: NAN"},
      {"sale discounts",
       '8',
       {Int(5), Date(-1e308), Date(DataEnd())},
       "ExportRsxDsc.dbf",
       "Параметр 1 (начало периода) не является датой с 1 по 9999 год: -1E308"},
  };
  platform::ForceDirectories(ExportFile(""));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    platform::WriteWholeFile(ExportFile(c.file), "the file of an earlier export");
    NewLogLines();
    const ReportResult r = Run(c.code, c.params);
    EXPECT_TRUE(r.result);
    const std::string text = U(r.text);
    const std::string head = "Ошибка при формировании отчета: ";
    EXPECT_EQ(text, head + c.message);
    EXPECT_EQ(platform::ReadWholeFile(ExportFile(c.file)), "the file of an earlier export");
    const std::vector<std::string> lines = NewLogLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("Ошибка формирования отчета №" + std::to_string(int{c.code}) + ": " +
                            c.message),
              std::string::npos)
        << lines[0];
  }
  // The first and the last moment of the range are dates: the export runs.
  const ReportResult r = Run('1', {Date(-693593.5), Date(2958465.999)});
  EXPECT_TRUE(r.result);
  EXPECT_EQ(U(r.text), "");
  EXPECT_FALSE(ReadDbf(ExportFile("RezLog.dbf")).rows.empty());
}

int UnusedLoopbackPort() {
  const int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
  ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
  ::close(s);  // nobody listens there now
  return ntohs(address.sin_port);
}

// A failure before the dispatch (the station database) comes back as false with the
// "export report" text and Firebird's message; the log gets one error record with exactly
// that text, and no export is written.
TEST_F(DispatchTest, AStationDatabaseThatCannotBeReached) {
  struct Case {
    const char* name;
    std::function<void(const std::string& dir)> arrange;
    const char* firebird_message;
  };
  const Case cases[] = {
      {"no database file", [](const std::string&) {}, "I/O error during \"open\" operation"},
      {"not a database",
       [](const std::string& dir) {
         platform::WriteWholeFile(dir + "/GARVEN.FDB", std::string(16384, 'x'));
       },
       "not a valid database"},
      {"no server on the port",
       [](const std::string&) {
         ::setenv("CORVANE_FB_PORT", std::to_string(UnusedLoopbackPort()).c_str(), 1);
       },
       "Unable to complete network request to host \"127.0.0.1\""},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string dir = Root() + "/nowhere-" + std::to_string(++n);
    platform::ForceDirectories(dir);
    c.arrange(dir);
    Host().answers[5] = AnswerText(dir + "/");
    const ReportResult r = Run('8', PaymentTypeParams());
    ::unsetenv("CORVANE_FB_PORT");
    EXPECT_FALSE(r.result);
    const std::string text = U(r.text);
    const std::string head = "Ошибка при формировании экспортного отчета: ";
    EXPECT_EQ(text.substr(0, head.size()), head) << text;
    EXPECT_NE(text.find(c.firebird_message), std::string::npos) << text;
    // Firebird's message has line breaks of its own: the record is matched up to the first.
    const std::vector<std::string> lines = NewLogLines();
    ASSERT_EQ(lines.size(), 1u);
    std::smatch m;
    const std::string first_line = lines[0].substr(0, lines[0].find('\n'));
    ASSERT_TRUE(std::regex_match(first_line, m, kRecord)) << lines[0];
    EXPECT_EQ(m[8], "ошиб");
    const std::string tag = "[ошиб] [KVRExportCreator9] ";
    EXPECT_EQ(lines[0].substr(lines[0].find(tag) + tag.size()), text);
    EXPECT_FALSE(platform::DirectoryExists(ExportFile(""))) << "the dispatch never ran";
  }
}

// Every report of the table through the dispatch: its result text, and one record in
// "Reports.log" with its title, in the documented format, stamped at the time of the call.
TEST_F(DispatchTest, EveryReportIsLoggedWithItsTitle) {
  UseStation(StationVariant::kFull);
  UseOffice();
  struct Case {
    char code;
    std::vector<host_param> params;
    const char* text;
    const char* title;
    const char* file;
  };
  const Case cases[] = {
      {'0',
       {Date(DataBegin()), Date(DataEnd()), Int(0), Int(0)},
       "",
       "Экспорт отливов",
       "SaleLog.dbf"},
      {'1', {Date(DataBegin()), Date(DataEnd())}, "", "События по резервуарам", "RezLog.dbf"},
      {'2', {Date(DataBegin()), Date(DataEnd())}, "", "Экспорт приходов", "PrxLog.dbf"},
      {'6', {Int(5), Int(3)}, "", "Остатки в резервуарах", "RezEnd.dbf"},
      {'8', PaymentTypeParams(), "ExportVidOpl.dbf", "Экспорт видов оплаты", "ExportVidOpl.dbf"},
      {'8',
       {Int(2)},
       "AllDscCardExport.dbf",
       "Общий список дисконтных карт",
       "AllDscCardExport.dbf"},
      {'8',
       {Int(3), Int(1), Int(2)},
       "ExportTRKInfo.dbf",
       "Экспорт информации о ТРК",
       "ExportTRKInfo.dbf"},
      {'8',
       {Int(4), Date(DataBegin()), Date(DataEnd())},
       "ExportBCheck.dbf",
       "Экспорт чеков ККМ",
       "ExportBCheck.dbf"},
      {'8',
       {Int(5), Date(DataBegin()), Date(DataEnd())},
       "ExportRsxDsc.dbf",
       "Экспорт скидок для отливов",
       "ExportRsxDsc.dbf"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    const auto before = std::chrono::system_clock::now();
    RunOk(c.code, c.params, c.text);
    const auto after = std::chrono::system_clock::now();
    EXPECT_TRUE(platform::FileExists(ExportFile(c.file)));
    EXPECT_EQ(OtherAttachments(), 0);

    const std::vector<std::string> lines = NewLogLines();
    ASSERT_EQ(lines.size(), 1u);
    std::smatch m;
    ASSERT_TRUE(std::regex_match(lines[0], m, kRecord)) << lines[0];
    EXPECT_EQ(m[8], "инф");
    std::smatch d;
    const std::string message = m[9];
    ASSERT_TRUE(
        std::regex_match(message, d, std::regex(R"re(Документ "(.*)" подготовлен за (\d+) ms)re")))
        << message;
    EXPECT_EQ(d[1], c.title);
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(after - before);
    EXPECT_LE(std::stoll(d[2]), elapsed.count() + 20) << "the duration is the export's";

    // The stamp is local time to the millisecond, between the two clock readings.
    std::tm local{};
    local.tm_mday = std::stoi(m[1]);
    local.tm_mon = std::stoi(m[2]) - 1;
    local.tm_year = std::stoi(m[3]) - 1900;
    local.tm_hour = std::stoi(m[4]);
    local.tm_min = std::stoi(m[5]);
    local.tm_sec = std::stoi(m[6]);
    local.tm_isdst = -1;
    const auto stamp = std::chrono::system_clock::from_time_t(std::mktime(&local)) +
                       std::chrono::milliseconds(std::stoi(m[7]));
    EXPECT_GE(stamp, std::chrono::time_point_cast<std::chrono::milliseconds>(before));
    EXPECT_LE(stamp, after + std::chrono::milliseconds(1));
  }
}

// A sequence of calls leaves one record per finished or failed export, one for a failure before
// the export (with the host's text), and none for the rest.
TEST_F(DispatchTest, ReportsLogHoldsOneRecordPerFinishedOrFailedExport) {
  UseStation(StationVariant::kMinimal);
  RunOk('8', PaymentTypeParams(), "ExportVidOpl.dbf");  // finished
  Run('8', {Int(7)});                                   // unknown
  Run('8', {Int(1)});                                   // failed (elements)
  Run('2', {Date(DataBegin())});                        // failed (elements)
  Host().answers[5] = AnswerText(Root() + "/no-such-station/");
  const ReportResult failed = Run('8', PaymentTypeParams());  // creator failed
  const std::vector<std::string> lines = NewLogLines();
  ASSERT_EQ(lines.size(), 4u);
  for (const std::string& line : lines)  // a record keeps the line breaks of the engine's text
    EXPECT_TRUE(std::regex_match(line.substr(0, line.find('\n')), kRecord)) << line;
  EXPECT_NE(lines[0].find("[инф] [KVRExportCreator9] Документ \"Экспорт видов оплаты\""),
            std::string::npos);
  EXPECT_NE(lines[1].find("[ошиб] [KVRExportCreator9] Ошибка формирования отчета №56: "),
            std::string::npos);
  EXPECT_NE(lines[2].find("[ошиб] [KVRExportCreator9] Ошибка формирования отчета №50: "),
            std::string::npos);
  EXPECT_FALSE(failed.result);
  const std::string first_line_of_text = U(failed.text).substr(0, U(failed.text).find('\n'));
  EXPECT_NE(lines[3].find("[ошиб] [KVRExportCreator9] " + first_line_of_text), std::string::npos)
      << lines[3];
}

}  // namespace
}  // namespace kvr::test
