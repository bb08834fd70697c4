// CopyDataSet from a source dataset into an in-memory DBF table made from the source's field
// definitions: pairing by name, nulls, date-time texts, restored states and error chaining.
#include "reports/copy_dataset.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "common/date_time.h"
#include "common/exceptions.h"
#include "common/text.h"
#include "dataset/vector_data_set.h"
#include "format/date_time_text.h"
#include "reports/date_time_texts.h"
#include "support/temp_dir.h"

namespace kvr::test {
namespace {

using namespace kvr::literals;

using Row = std::vector<Variant>;
using Columns = std::vector<VectorDataSet::Column>;

Variant Null() { return Variant::Null(); }
Variant At(int y, int mo, int d, int h, int mi, int s) {
  return Variant::FromDateTime(EncodeDateTime(y, mo, d, h, mi, s, 0));
}

// The table as an export makes it: the source's field definitions copied, created, opened.
void CreateFrom(TMemDBFTable& table, VectorDataSet& source) {
  const bool was_open = source.Active();
  source.Open();
  table.FieldDefs().Assign(source.FieldDefs());
  if (!was_open) source.Close();
  table.CreateTable();
  table.Open();
}

// Every record of the table as field texts (blank fields give "").
std::vector<std::vector<std::string>> Records(TMemDBFTable& table) {
  std::vector<std::vector<std::string>> records;
  for (table.First(); !table.Eof(); table.Next()) {
    std::vector<std::string> record;
    for (int i = 0; i < table.FieldCount(); ++i) record.push_back(table.Fields(i).AsString());
    records.push_back(record);
  }
  return records;
}

TEST(DateTimeTextsTest, USAndDottedForms) {
  struct Case {
    int hour, minute, second;
    const char* us;
    const char* dotted;
  };
  const Case cases[] = {
      {0, 5, 0, "12/07/2026 12:05:00 AM", "07.12.2026 00:05:00"},
      {0, 0, 0, "12/07/2026 12:00:00 AM", "07.12.2026 00:00:00"},
      {12, 0, 0, "12/07/2026 12:00:00 PM", "07.12.2026 12:00:00"},
      {13, 19, 5, "12/07/2026 01:19:05 PM", "07.12.2026 13:19:05"},
      {23, 59, 59, "12/07/2026 11:59:59 PM", "07.12.2026 23:59:59"},
  };
  for (const Case& c : cases) {
    const TDateTime value = EncodeDateTime(2026, 12, 7, c.hour, c.minute, c.second, 0);
    EXPECT_EQ(reports::DateTimeToUSText(value), c.us);
    EXPECT_EQ(reports::DateTimeToDotText(value), c.dotted);
  }
  // Milliseconds are not shown and do not round up.
  EXPECT_EQ(reports::DateTimeToDotText(EncodeDateTime(2026, 1, 2, 3, 4, 5, 999)),
            "02.01.2026 03:04:05");
}

// The prepared forms write what the format functions write from the same settings.
TEST(DateTimeTextsTest, SameTextsAsFormatDateTime) {
  const format::TFormatSettings& us = format::USFormatSettings();
  std::mt19937_64 random(42);
  std::uniform_real_distribution<double> any(EncodeDate(1, 1, 1), EncodeDate(9999, 12, 31));
  std::string text;
  for (int i = 0; i < 2000; ++i) {
    const TDateTime value = i == 0 ? EncodeDateTime(2024, 2, 29, 23, 59, 59, 999) : any(random);
    reports::DateTimeToUSText(value, text);
    EXPECT_EQ(text, format::FormatDateTime(us.ShortDateFormat, value, us) + ' ' +
                        format::FormatDateTime(us.LongTimeFormat, value, us))
        << value;
    EXPECT_EQ(reports::DateTimeToDotText(value),
              format::FormatDateTime("dd/mm/yyyy hh:nn:ss", value, format::IniFormatSettings()))
        << value;
  }
}

TEST(CopyDataSetTest, NullRowsAddNothingAndOneValueAddsARecord) {
  VectorDataSet source({{"NUM", FieldType::Integer, 0},
                        {"NAME", FieldType::String, 10},
                        {"QTY", FieldType::Float, 0}},
                       {{Null(), Null(), Null()},
                        {Null(), Variant("Аи"_w), Null()},
                        {Variant(), Null(), Variant()},  // unassigned counts as null
                        {Variant(std::int32_t{7}), Null(), Variant(2.5)}});
  TMemDBFTable table;
  CreateFrom(table, source);
  reports::CopyDataSet(source, table, true);
  ASSERT_EQ(table.RecordCount(), 2);
  table.First();
  EXPECT_TRUE(table.FieldByName("NUM").IsNull());
  EXPECT_EQ(table.FieldByName("NAME").AsString(), "Аи"_w);
  EXPECT_TRUE(table.FieldByName("QTY").IsNull());
  table.Next();
  EXPECT_EQ(table.FieldByName("NUM").AsInteger(), 7);
  EXPECT_EQ(table.FieldByName("NAME").AsString(), "");
  EXPECT_DOUBLE_EQ(table.FieldByName("QTY").AsFloat(), 2.5);
}

TEST(CopyDataSetTest, FieldsPairByNameWithoutRegardToCase) {
  // The table's KODGSM comes from the source's KodGsm; EXTRA has no partner and stays blank;
  // the source's Unused has no table field and is ignored.
  VectorDataSet source({{"Unused", FieldType::String, 5},
                        {"KodGsm", FieldType::Integer, 0},
                        {"gsmname", FieldType::String, 20}},
                       {{Variant("u"), Variant(std::int32_t{95}), Variant("Аи-95"_w)},
                        {Variant("u"), Variant(std::int32_t{92}), Variant("Аи-92"_w)}});
  TMemDBFTable table;
  table.FieldDefs().Add("GSMNAME", FieldType::String, 20);
  table.FieldDefs().Add("EXTRA", FieldType::String, 5);
  table.FieldDefs().Add("KODGSM", FieldType::Integer);
  table.CreateTable();
  table.Open();
  reports::CopyDataSet(source, table, true);
  EXPECT_EQ(Records(table),
            (std::vector<std::vector<std::string>>{{std::string("Аи-95"_w), "", "95"},
                                                   {std::string("Аи-92"_w), "", "92"}}));
}

TEST(CopyDataSetTest, DateTimesBecomeTextInTheChosenForm) {
  VectorDataSet source({{"STAMP", FieldType::DateTime, 0}, {"DAY", FieldType::Date, 0}},
                       {{At(2026, 12, 7, 0, 5, 0), Variant::FromDateTime(EncodeDate(2026, 12, 7))},
                        {At(2026, 12, 7, 13, 19, 5), Null()}});
  for (bool us : {true, false}) {
    SCOPED_TRACE(us ? "US form" : "dotted form");
    TMemDBFTable table;
    CreateFrom(table, source);
    const TField& stamp = table.FieldByName("STAMP");
    EXPECT_EQ(stamp.DataType(), FieldType::String) << "a date-time is kept as text";
    EXPECT_EQ(stamp.Size(), 30);
    reports::CopyDataSet(source, table, us);
    const auto records = Records(table);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0][0], us ? "12/07/2026 12:05:00 AM" : "07.12.2026 00:05:00");
    EXPECT_EQ(records[1][0], us ? "12/07/2026 01:19:05 PM" : "07.12.2026 13:19:05");
    table.First();
    EXPECT_EQ(table.FieldByName("DAY").DataType(), FieldType::Date);
    EXPECT_EQ(table.FieldByName("DAY").AsDateTime(), EncodeDate(2026, 12, 7));
    table.Next();
    EXPECT_TRUE(table.FieldByName("DAY").IsNull());
  }
}

TEST(CopyDataSetTest, ALongColumnNameFindsNoPartnerAndStaysBlank) {
  VectorDataSet source({{"GasStationName", FieldType::String, 20}, {"NUM", FieldType::Integer, 0}},
                       {{Variant("АЗС 1"_w), Variant(std::int32_t{1})},
                        {Variant("АЗС 2"_w), Variant(std::int32_t{2})}});
  TMemDBFTable table;
  CreateFrom(table, source);
  ASSERT_EQ(table.Fields(0).FieldName(), "GASSTATION");
  reports::CopyDataSet(source, table, true);
  EXPECT_EQ(Records(table), (std::vector<std::vector<std::string>>{{"", "1"}, {"", "2"}}));
}

TEST(CopyDataSetTest, ActiveStatesAreRestored) {
  const Columns columns = {{"NUM", FieldType::Integer, 0}};
  const std::vector<Row> rows = {{Variant(std::int32_t{1})}, {Variant(std::int32_t{2})}};
  struct Case {
    bool source_open, table_open;
  };
  for (const Case c :
       {Case{false, true}, Case{true, true}, Case{false, false}, Case{true, false}}) {
    SCOPED_TRACE(std::string("source ") + (c.source_open ? "open" : "closed") + ", table " +
                 (c.table_open ? "open" : "closed"));
    VectorDataSet source(columns, rows);
    TMemDBFTable table;
    CreateFrom(table, source);
    // A closed in-memory table has nothing to open: a closed table is one kept in a file.
    TempDir dir("kvr-copy");
    table.SaveToFile(dir.File("T.DBF"));
    table.Close();
    table.SetFileName(dir.File("T.DBF"));
    table.Open();
    if (c.source_open) {
      source.Open();
      source.Last();  // the copy starts from the first record anyway
    }
    if (!c.table_open) table.Close();
    reports::CopyDataSet(source, table, true);
    EXPECT_EQ(source.Active(), c.source_open);
    EXPECT_EQ(table.Active(), c.table_open);
    if (c.source_open) {
      EXPECT_EQ(source.FieldByName("NUM").AsInteger(), 1) << "back on the first";
    }
    if (c.table_open) {
      EXPECT_EQ(table.State(), DataSetState::Browse);
      EXPECT_EQ(table.RecordCount(), 2);
    }
  }
}

TEST(CopyDataSetTest, AnEmptySourceLeavesTheTableEmpty) {
  VectorDataSet source({{"NUM", FieldType::Integer, 0}}, {});
  TMemDBFTable table;
  CreateFrom(table, source);
  reports::CopyDataSet(source, table, false);
  EXPECT_EQ(table.RecordCount(), 0);
  EXPECT_FALSE(source.Active());
  EXPECT_EQ(table.State(), DataSetState::Browse);
}

// A table with one integer field NUM, open.
void OpenNumberTable(TMemDBFTable& table) {
  table.FieldDefs().Add("NUM", FieldType::Integer);
  table.CreateTable();
  table.Open();
}

// Runs a copy that must fail and returns what it raised.
template <class E>
E FailingCopy(TDataSet& source, TMemDBFTable& table) {
  try {
    reports::CopyDataSet(source, table, true);
  } catch (const E& e) {
    return e;
  }
  ADD_FAILURE() << "the copy raised nothing";
  return E("");
}

// A value the table field cannot take aborts the copy; what was posted stays, the record being
// built is dropped, the states are restored, and the error names "CopyDataSet" and its class.
TEST(CopyDataSetTest, AnErrorIsChainedAndTheStatesRestored) {
  VectorDataSet source({{"NUM", FieldType::String, 10}},
                       {{Variant("1")}, {Variant("2")}, {Variant("not a number")}, {Variant("4")}});
  TMemDBFTable table;
  OpenNumberTable(table);
  const Exception e = FailingCopy<Exception>(source, table);
  const std::string message = e.Message();
  EXPECT_EQ(message.rfind("CopyDataSet -> ", 0), 0u) << message;
  EXPECT_NE(message.find("Could not convert variant of type (String)"), std::string::npos)
      << message;
  EXPECT_STREQ(e.ClassName(), "EVariantTypeCastError");
  const std::string marker = " <# EVariantTypeCastError #>";
  EXPECT_EQ(message.size() - message.find(marker), marker.size()) << message;
  EXPECT_FALSE(source.Active());
  EXPECT_TRUE(table.Active());
  EXPECT_EQ(table.State(), DataSetState::Browse);
  EXPECT_EQ(Records(table), (std::vector<std::vector<std::string>>{{"1"}, {"2"}}));
}

// A source whose second row fails to read, with a message already carrying a class marker.
class FailingDataSet : public VectorDataSet {
 public:
  using VectorDataSet::VectorDataSet;
  ~FailingDataSet() override { CloseNoThrow(); }

 protected:
  bool GetFieldData(const TField& field, FieldValue* value) override {
    int row = -1;
    if (const char* buffer = CurrentRecordBuffer()) std::memcpy(&row, buffer, sizeof row);
    if (row == 1) throw EDatabaseError("Fetch -> connection lost <# EIBInterBaseError #>");
    return VectorDataSet::GetFieldData(field, value);
  }
};

TEST(CopyDataSetTest, TheClassMarkerIsAddedOncePerChain) {
  FailingDataSet source({{"NUM", FieldType::Integer, 0}},
                        {{Variant(std::int32_t{1})}, {Variant(std::int32_t{2})}});
  TMemDBFTable table;
  OpenNumberTable(table);
  const EDatabaseError e = FailingCopy<EDatabaseError>(source, table);
  EXPECT_EQ(e.Message(), "CopyDataSet -> Fetch -> connection lost <# EIBInterBaseError #>");
  EXPECT_FALSE(source.Active());
  EXPECT_EQ(table.RecordCount(), 1);
}

// Rows of several queries in one table: the fields a query lacks get neutral values, and a row
// of nulls still adds a record, so that every row of every query lines up.
TEST(CopyDataSetTest, NeutralValuesForMissingFieldsAndARecordPerRow) {
  VectorDataSet source({{"NUM", FieldType::Integer, 0}, {"Stamp", FieldType::DateTime, 0}},
                       {{Variant(std::int32_t{5}), At(2026, 12, 7, 13, 19, 5)}, {Null(), Null()}});
  TMemDBFTable table;
  table.FieldDefs().Add("KA", FieldType::Boolean);
  table.FieldDefs().Add("NUM", FieldType::Integer);
  table.FieldDefs().Add("COUNT", FieldType::Integer);
  table.FieldDefs().Add("QTY", FieldType::Float);
  table.FieldDefs().Add("DAY", FieldType::Date);
  table.FieldDefs().Add("OTHER", FieldType::Boolean);
  table.FieldDefs().Add("STAMP", FieldType::String, 30);
  table.CreateTable();
  table.Open();
  reports::CopyDataSet(
      source, table,
      {.use_us_date_time = false, .missing_fields = reports::MissingFields::kNeutralValues});
  ASSERT_EQ(table.RecordCount(), 2);
  for (table.First(); !table.Eof(); table.Next()) {
    SCOPED_TRACE(table.RecNo());
    EXPECT_FALSE(table.FieldByName("KA").IsNull());
    EXPECT_FALSE(table.FieldByName("KA").AsBoolean());
    EXPECT_EQ(table.FieldByName("COUNT").AsString(), "0");
    EXPECT_EQ(table.FieldByName("QTY").AsString(), "0");
    EXPECT_TRUE(table.FieldByName("DAY").IsNull());
    EXPECT_TRUE(table.FieldByName("OTHER").IsNull()) << "only KA is a neutral false";
  }
  table.First();
  EXPECT_EQ(table.FieldByName("NUM").AsInteger(), 5);
  EXPECT_EQ(table.FieldByName("STAMP").AsString(), "07.12.2026 13:19:05");
  table.Next();
  EXPECT_TRUE(table.FieldByName("NUM").IsNull()) << "a null in the query stays null";
  EXPECT_TRUE(table.FieldByName("STAMP").IsNull());
}

TEST(CopyDataSetTest, WithoutAnErrorContextTheErrorIsRaisedAsItIs) {
  FailingDataSet source({{"NUM", FieldType::Integer, 0}},
                        {{Variant(std::int32_t{1})}, {Variant(std::int32_t{2})}});
  TMemDBFTable table;
  OpenNumberTable(table);
  try {
    reports::CopyDataSet(source, table, {.error_context = {}});
    ADD_FAILURE() << "the copy raised nothing";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Fetch -> connection lost <# EIBInterBaseError #>");
  }
  EXPECT_FALSE(source.Active());
  EXPECT_EQ(table.RecordCount(), 1);
}

}  // namespace
}  // namespace kvr::test
