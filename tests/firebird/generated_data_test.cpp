// The benchmark's data generator: every table an export reads grows with the number of sales.
#include <gtest/gtest.h>

#include "firebird/firebird_test_util.h"
#include "support/firebird_fixture.h"

namespace kvr {
namespace {

long long Count(TIBDatabase& db, const std::string& table) {
  auto q = test::MakeQuery(db, "SELECT COUNT(*) AS N FROM " + table);
  q->Open();
  return q->FieldByName("N").AsLargeInt();
}

TEST(GeneratedDataTest, TablesScaleWithTheSales) {
  test::TempDir dir("generated");
  const std::string station = dir.File("GARVEN.FDB");
  test::GenerateLargeStationDatabase(station, 1001);  // five shifts, the last one short
  test::GenerateLargeOfficeDatabase(dir.File("OFFICE.FDB"), 50);
  test::GenerateLargeShopDatabase(dir.File("SHOP.FDB"), 250);
  struct Case {
    const char* table;
    long long rows;
  };
  const Case station_tables[] = {{"LOGTRAN", 1001}, {"BCHECK", 501}, {"LOGTRANDSC", 101},
                                 {"SMLOG", 5},      {"SMSILO", 20},  {"SMTRK", 20},
                                 {"LSILO", 40},     {"PRX", 5},      {"PRXSILO", 5}};
  auto db = test::MakeDatabase(station);
  db->Open();
  for (const Case& c : station_tables) EXPECT_EQ(Count(*db, c.table), c.rows) << c.table;
  // office.sql and shop.sql keep their own rows: 4 cards, 5 documents with 7 lines.
  auto office = test::MakeDatabase(dir.File("OFFICE.FDB"));
  office->Open();
  EXPECT_EQ(Count(*office, "DSCCARDS"), 54);
  auto shop = test::MakeDatabase(dir.File("SHOP.FDB"));
  shop->Open();
  EXPECT_EQ(Count(*shop, "DOCUMENTS"), 255);
  EXPECT_EQ(Count(*shop, "GOODSMOTION"), 257);
}

}  // namespace
}  // namespace kvr
