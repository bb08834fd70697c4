// Reports by shift range: "6" (tank remains, "RezEnd.dbf") and "8"/3 (dispenser information,
// "ExportTRKInfo.dbf"), through the library's entry point on the station database.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "export_harness.h"
#include "platform/file_system.h"

namespace kvr::test {
namespace {

class ShiftExportsTest : public ExportFixture {
 protected:
  // Office-reports mode as a host that is not of kind 3 turns it on: allowed by control
  // command 1000 and answered true to query 8.
  void OfficeMode(bool on) {
    ControlCommand(on);
    AnswerOfficeMode(on);
  }
};

const std::vector<std::string> kRezEndLayout = {
    "SMNUM N 11",    "BEGTIME C 30", "ENDTIME C 30", "OPERATOR C 30",
    "NOMERREZ N 11", "GSMNAME C 20", "KODGSM N 11",  "LITER N 20.4",
    "PLOTN N 20.4",  "EMKOST N 11",  "LEVEL N 20.4", "CALCLITER N 20.4"};

std::string RezEndQuery(int first, int last, bool office) {
  return "SELECT s.SMNUM, sm.BEGTIME, sm.ENDTIME, sm.OPERATOR, s.SILONUM + 1, s.GSMNAME, "
         "s.KODGSM, s.SILOENDL, s.UDVES, s.MAXVOLUME, s.SILOEND, " +
         std::string(office ? "s.SILOENDCALCREVL" : "s.SILOENDCALCL") +
         " FROM SMSILO s LEFT JOIN SMLOG sm ON sm.SMNUM = s.SMNUM WHERE s.SMNUM BETWEEN " +
         std::to_string(first) + " AND " + std::to_string(last) + " ORDER BY 1, 5";
}

const std::vector<std::string> kRezEndColumns = {"SMNUM",    "BEGTIME", "ENDTIME", "OPERATOR",
                                                 "NOMERREZ", "GSMNAME", "KODGSM",  "LITER",
                                                 "PLOTN",    "EMKOST",  "LEVEL",   "CALCLITER"};

TEST_F(ShiftExportsTest, TankRemainsTakeTheLastShiftFirst) {
  UseStation(StationVariant::kFull);
  struct Case {
    int element0, element1;
    int first, last;  // the shifts expected
    std::size_t records;
  };
  const Case cases[] = {{5, 3, 3, 5, 12}, {3, 5, 5, 3, 0}, {4, 4, 4, 4, 4}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.element0) + ", " + std::to_string(c.element1));
    RunOk('6', {Int(c.element0), Int(c.element1)});
    const DbfContent dbf = ReadDbf(ExportFile("RezEnd.dbf"));
    EXPECT_EQ(Layout(dbf), kRezEndLayout);
    EXPECT_EQ(dbf.rows.size(), c.records);
    ExpectMatchesQuery(dbf, Station(), RezEndQuery(c.first, c.last, false), kRezEndColumns);
  }
}

TEST_F(ShiftExportsTest, OfficeModeChangesOnlyTheCalculatedLitres) {
  UseStation(StationVariant::kFull);
  for (bool office : {false, true}) {
    SCOPED_TRACE(office);
    OfficeMode(office);
    RunOk('6', {Int(2), Int(1)});
    const DbfContent dbf = ReadDbf(ExportFile("RezEnd.dbf"));
    ExpectMatchesQuery(dbf, Station(), RezEndQuery(1, 2, office), kRezEndColumns);
    // Shift 1, tank 2: 17982.221 by the counters, 17982.921 revised.
    EXPECT_EQ(dbf.At(1, "CALCLITER"), office ? "17982.9210" : "17982.2210");
    EXPECT_EQ(dbf.At(1, "BEGTIME"), "03/01/2024 08:00:00 AM");
    EXPECT_EQ(dbf.At(1, "ENDTIME"), "03/01/2024 07:59:59 PM");
  }
}

std::vector<std::string> TrkInfoLayout(bool second_counters) {
  std::vector<std::string> layout = {"SMNUM N 11",    "BEGTIME C 30",  "ENDTIME C 30",
                                     "OPERATOR C 30", "TRKINDEX N 11", "PISTOLET N 11",
                                     "GSMNAME C 20",  "SILONUM N 11",  "GSMPRICE N 20.4",
                                     "TRKBEG N 20.4", "TRKEND N 20.4", "TRKSMENA N 20.4"};
  if (second_counters) layout.insert(layout.end(), {"TRKBEG2 N 20.4", "TRKEND2 N 20.4"});
  layout.insert(layout.end(), {"TRKSMENAM N 20.4", "TRKBEGEL N 20.4", "TRKENDEL N 20.4",
                               "OPERATOR2 C 30", "OPERATOR3 C 30"});
  return layout;
}

TEST_F(ShiftExportsTest, DispenserInformationWithAndWithoutSecondCounters) {
  for (StationVariant variant : {StationVariant::kMinimal, StationVariant::kFull}) {
    const bool second = variant == StationVariant::kFull;
    SCOPED_TRACE(second);
    UseStation(variant);
    for (bool office : {false, true}) {
      SCOPED_TRACE(office);
      OfficeMode(office);
      RunOk('8', {Int(3), Int(2), Int(4)}, "ExportTRKInfo.dbf");
      const DbfContent dbf = ReadDbf(ExportFile("ExportTRKInfo.dbf"));
      EXPECT_EQ(Layout(dbf), TrkInfoLayout(second));
      const std::string correction = office ? " + t.TRKSMENACOR" : "";
      std::vector<std::string> columns = {"SMNUM",    "BEGTIME",  "ENDTIME", "OPERATOR",
                                          "TRKINDEX", "PISTOLET", "GSMNAME", "SILONUM",
                                          "GSMPRICE", "TRKBEG",   "TRKEND",  "TRKSMENA"};
      std::string sql =
          "SELECT t.SMNUM, sm.BEGTIME, sm.ENDTIME, sm.OPERATOR, t.TRKINDEX, "
          "t.PISTOLET, t.GSMNAME, t.SILONUM + 1, t.GSMPRICE, t.TRKBEG, t.TRKEND" +
          correction + ", t.TRKSMENA" + correction;
      if (second) {
        sql += ", t.TRK2BEG, t.TRK2END";
        columns.insert(columns.end(), {"TRKBEG2", "TRKEND2"});
      }
      sql +=
          ", t.TRKSMENAM, t.BEGELCOUNTER, t.ENDELCOUNTER, sm.OPERATOR2, sm.OPERATOR3 FROM SMTRK "
          "t LEFT JOIN SMLOG sm ON sm.SMNUM = t.SMNUM WHERE t.SMNUM BETWEEN 2 AND 4 "
          "ORDER BY t.SMNUM, t.TRKINDEX, t.PISTOLET";
      columns.insert(columns.end(),
                     {"TRKSMENAM", "TRKBEGEL", "TRKENDEL", "OPERATOR2", "OPERATOR3"});
      ExpectMatchesQuery(dbf, Station(), sql, columns);
      ASSERT_EQ(dbf.rows.size(), 12u);
      // Shift 3, dispenser 1, nozzle 1 carries a correction of 0.50.
      EXPECT_EQ(dbf.At(4, "TRKEND"), office ? "203801.1900" : "203800.6900");
      EXPECT_EQ(dbf.At(4, "TRKSMENA"), office ? "1690.7900" : "1690.2900");
    }
  }
}

TEST_F(ShiftExportsTest, DispenserInformationForAFirstShiftAboveTheLastIsEmpty) {
  UseStation(StationVariant::kFull);
  platform::ForceDirectories(ExportFile(""));
  platform::WriteWholeFile(ExportFile("ExportTRKInfo.dbf"), "an old export");
  RunOk('8', {Int(3), Int(5), Int(2)}, "ExportTRKInfo.dbf");
  const DbfContent dbf = ReadDbf(ExportFile("ExportTRKInfo.dbf"));
  EXPECT_EQ(Layout(dbf), TrkInfoLayout(true));
  EXPECT_TRUE(dbf.rows.empty());
}

}  // namespace
}  // namespace kvr::test
