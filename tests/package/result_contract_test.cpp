// The table of results that kvr/host_abi.h and docs/calling.md state, case by case, through the
// loaded library: the result, the text, and the prefixes a host compares with.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "export_harness.h"
#include "kvr/host_abi.h"

namespace kvr::test {
namespace {

enum class Answer { kEmpty, kFileName, kExportFailed, kFailedBeforeExport };

struct Case {
  const char* name;
  char code;
  std::vector<host_param> params;
  int result;
  Answer text;
  const char* file_name = "";
};

class ResultContractTest : public ExportFixture {};

TEST_F(ResultContractTest, PrefixMacrosAreTheLibraryTexts) {
  EXPECT_EQ(std::string(KVR_EXPORT_FAILED_PREFIX), W("Ошибка при формировании отчета: "));
  EXPECT_EQ(std::string(KVR_FAILED_BEFORE_EXPORT_PREFIX),
            W("Ошибка при формировании экспортного отчета: "));
}

TEST_F(ResultContractTest, EveryCaseOfTheTable) {
  UseStation(StationVariant::kFull);
  UseOffice();
  const Case cases[] = {
      {"report 6 written", '6', {Int(5), Int(3)}, 1, Answer::kEmpty},
      {"report 1 written", '1', {Date(DataBegin()), Date(DataEnd())}, 1, Answer::kEmpty},
      {"report 8/2 written", '8', {Int(2)}, 1, Answer::kFileName, "AllDscCardExport.dbf"},
      {"report 8/3 written",
       '8',
       {Int(3), Int(1), Int(2)},
       1,
       Answer::kFileName,
       "ExportTRKInfo.dbf"},
      {"report 6 without its first shift", '6', {Int(5)}, 1, Answer::kExportFailed},
      {"report 1 with a text for a date",
       '1',
       {Text("завтра"), Date(DataEnd())},
       1,
       Answer::kExportFailed},
      {"report 8 with a text for the sub-code", '8', {Text("два")}, 1, Answer::kExportFailed},
      {"report 6 with an empty array", '6', {}, 1, Answer::kExportFailed},
      {"unknown report code", 'Z', {Int(1)}, 0, Answer::kEmpty},
      {"unknown sub-code of 8", '8', {Int(9)}, 0, Answer::kEmpty},
      {"a control code other than 1000", '#', {Int(999)}, 0, Answer::kEmpty},
      {"element 0 of # not an integer", '#', {Text("тысяча")}, 0, Answer::kFailedBeforeExport},
      {"control command 1000", '#', {Int(1000), Int(0)}, 0, Answer::kEmpty},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const ReportResult r = Run(c.code, c.params);
    EXPECT_EQ(r.result ? 1 : 0, c.result);
    switch (c.text) {
      case Answer::kEmpty: EXPECT_EQ(r.text, ""); break;
      case Answer::kFileName: EXPECT_EQ(r.text, c.file_name); break;
      case Answer::kExportFailed:
        EXPECT_TRUE(r.text.starts_with(KVR_EXPORT_FAILED_PREFIX)) << r.text;
        EXPECT_GT(r.text.size(), std::string(KVR_EXPORT_FAILED_PREFIX).size()) << "a message";
        break;
      case Answer::kFailedBeforeExport:
        EXPECT_TRUE(r.text.starts_with(KVR_FAILED_BEFORE_EXPORT_PREFIX)) << r.text;
        EXPECT_GT(r.text.size(), std::string(KVR_FAILED_BEFORE_EXPORT_PREFIX).size());
        break;
    }
  }
}

// Unknown report codes are looked up after the station database is opened: on a station that
// cannot be reached they fail before the export like every other code.
TEST_F(ResultContractTest, UnknownCodeOnAStationThatCannotBeReached) {
  ControlCommand(true, Root() + "/no-station-here/");
  const ReportResult r = Run('Z', {Int(1)});
  EXPECT_FALSE(r.result);
  EXPECT_TRUE(r.text.starts_with(KVR_FAILED_BEFORE_EXPORT_PREFIX)) << r.text;
}

}  // namespace
}  // namespace kvr::test
