// The dataset framework seen through a read-only descendant and through the DBF table:
// navigation, states, events, error handlers, calculated fields and the generic Locate.
#include "dataset/data_set.h"

#include <gtest/gtest.h>

#include "common/text.h"
#include "dbf/mem_dbf_table.h"
#include "support/error_of.h"
#include "vector_data_set.h"

namespace kvr {
namespace {

using namespace kvr::literals;
using test::ErrorOf;
using test::VectorDataSet;

// A table whose storage refuses the first posts.
class FlakyTable : public TMemDBFTable {
 public:
  int failures_left = 0;

 protected:
  void InternalPost() override {
    if (failures_left > 0) {
      --failures_left;
      throw EDatabaseError("storage busy");
    }
    TMemDBFTable::InternalPost();
  }
};

VectorDataSet Fuel() {
  return VectorDataSet({{"Kod", FieldType::Integer, 0},
                        {std::string("Сумма"_w), FieldType::Float, 0},
                        {"Name", FieldType::String, 20}},
                       {{Variant(std::int32_t{1}), Variant(10.5), Variant("A-92")},
                        {Variant(std::int32_t{2}), Variant::Null(), Variant("A-95")},
                        {Variant(std::int32_t{3}), Variant(7.25), Variant("DT")}});
}

std::vector<int> Codes(TDataSet& ds, bool backwards = false) {
  std::vector<int> codes;
  if (backwards) {
    for (ds.Last(); !ds.Bof(); ds.Prior()) codes.push_back(ds.FieldByName("KOD").AsInteger());
  } else {
    for (ds.First(); !ds.Eof(); ds.Next()) codes.push_back(ds.FieldByName("KOD").AsInteger());
  }
  return codes;
}

TEST(DataSet, NavigatesBothWaysAndKeepsTheLastRecordAtTheEnds) {
  VectorDataSet ds = Fuel();
  EXPECT_FALSE(ds.Active());
  ds.Open();
  EXPECT_EQ(ds.State(), DataSetState::Browse);
  EXPECT_TRUE(ds.Bof());
  EXPECT_EQ(ds.FieldByName("Kod").AsInteger(), 1);
  EXPECT_EQ(Codes(ds), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(ds.FieldByName("Kod").AsInteger(), 3);  // Eof keeps the last record current
  EXPECT_EQ(Codes(ds, true), (std::vector<int>{3, 2, 1}));
  EXPECT_EQ(ds.FieldByName("Kod").AsInteger(), 1);
  ds.Next();
  ds.Next();
  ds.Next();
  EXPECT_TRUE(ds.Eof());
  ds.Prior();
  EXPECT_EQ(ds.FieldByName("Kod").AsInteger(), 2);
  EXPECT_EQ(ds.RecNo(), 2);
  EXPECT_EQ(ds.RecordCount(), 3);
  ds.Close();
  EXPECT_EQ(ds.RecordCount(), 0);
  EXPECT_EQ(ds.FieldCount(), 0);
}

TEST(DataSet, EmptyDataSet) {
  VectorDataSet ds({{"A", FieldType::Integer, 0}}, {});
  ds.Open();
  EXPECT_TRUE(ds.Eof());
  EXPECT_TRUE(ds.Bof());
  EXPECT_TRUE(ds.IsEmpty());
  EXPECT_TRUE(ds.FieldByName("A").IsNull());
  EXPECT_EQ(ds.FieldByName("A").AsInteger(), 0);
  ds.Next();
  EXPECT_TRUE(ds.Eof());
}

TEST(DataSet, FieldsByNameIgnoreLetterCaseInCyrillicToo) {
  VectorDataSet ds = Fuel();
  ds.Open();
  EXPECT_EQ(&ds.FieldByName("СУММА"_w), &ds.Fields(1));
  EXPECT_EQ(&ds.FieldByName("сумма"_w), &ds.Fields(1));
  EXPECT_EQ(ds.FindField("nothing"), nullptr);
  EXPECT_EQ(ErrorOf([&] { ds.FieldByName("nothing"); }), "Field 'nothing' not found");
  EXPECT_EQ(ds.FieldDefs().IndexOf("NAME"), 2);
  EXPECT_EQ(ds.FieldDefs().Find("name").Size(), 20);
  EXPECT_EQ(ErrorOf([&] { ds.FieldDefs().Find("x"); }), "Field 'x' not found");
}

TEST(DataSet, ReadOnlyDescendantsRefuseChanges) {
  VectorDataSet ds = Fuel();
  ds.Open();
  for (auto action : {&TDataSet::Append, &TDataSet::Insert, &TDataSet::Edit, &TDataSet::Delete})
    EXPECT_EQ(ErrorOf([&] { (ds.*action)(); }), "Cannot modify a read-only dataset");
  EXPECT_EQ(ds.State(), DataSetState::Browse);
  EXPECT_EQ(ErrorOf([&] { ds.FieldByName("Kod").SetAsInteger(5); }),
            "Dataset not in edit or insert mode");
  ds.Close();
  EXPECT_EQ(ErrorOf([&] { ds.First(); }), "Cannot perform this operation on a closed dataset");
}

TEST(DataSet, FetchingRowsDoesNotCopyThemTwice) {
  VectorDataSet ds = Fuel();
  ds.Open();
  const int before = ds.fetches;
  for (ds.First(); !ds.Eof(); ds.Next()) (void)ds.FieldByName("Name").AsString();
  EXPECT_EQ(ds.fetches - before, 3);  // one fetch per row, none to resynchronise
}

TEST(DataSet, GenericLocateScansAndRestoresThePositionWhenNothingMatches) {
  VectorDataSet ds = Fuel();
  ds.Open();
  ds.Next();
  EXPECT_TRUE(ds.Locate("Name", "dt", {.case_insensitive = true}));
  EXPECT_EQ(ds.FieldByName("Kod").AsInteger(), 3);
  EXPECT_TRUE(ds.Locate("Name", "A-9", {.partial_key = true}));
  EXPECT_EQ(ds.FieldByName("Kod").AsInteger(), 1);
  EXPECT_TRUE(ds.Locate("Kod", "2"));  // a text key compares as a number
  EXPECT_FALSE(ds.Locate("Kod", 9));
  EXPECT_EQ(ds.FieldByName("Kod").AsInteger(), 2);
  EXPECT_TRUE(ds.Locate("Сумма"_w, Variant::Null()));
  EXPECT_EQ(ds.FieldByName("Kod").AsInteger(), 2);
}

TEST(DataSet, EventsFireInOrder) {
  TMemDBFTable table;
  table.FieldDefs().Add("N", FieldType::Integer);
  table.CreateTable();
  std::vector<std::string> log;
  auto note = [&log](const char* name) { return [&log, name](TDataSet&) { log.push_back(name); }; };
  table.BeforeOpen = note("BeforeOpen");
  table.AfterOpen = note("AfterOpen");
  table.BeforeInsert = note("BeforeInsert");
  table.OnNewRecord = [&log](TDataSet& ds) {
    log.push_back("OnNewRecord");
    ds.FieldByName("N").SetAsInteger(99);  // a default value; the record is not yet modified
  };
  table.AfterInsert = note("AfterInsert");
  table.BeforePost = note("BeforePost");
  table.AfterPost = note("AfterPost");
  table.BeforeScroll = note("BeforeScroll");
  table.AfterScroll = note("AfterScroll");
  table.BeforeClose = note("BeforeClose");
  table.AfterClose = note("AfterClose");
  table.Open();
  table.Append();
  EXPECT_FALSE(table.Modified());
  table.Post();
  EXPECT_EQ(table.FieldByName("N").AsInteger(), 99);
  table.Close();
  EXPECT_EQ(log,
            (std::vector<std::string>{"BeforeOpen", "AfterOpen", "BeforeInsert", "BeforeScroll",
                                      "OnNewRecord", "AfterInsert", "AfterScroll", "BeforePost",
                                      "AfterPost", "BeforeClose", "AfterClose"}));
}

TEST(DataSet, PostErrorHandlerChoosesFailAbortOrRetry) {
  TMemDBFTable table;
  table.FieldDefs().Add("N", FieldType::Integer);
  table.CreateTable();
  table.Open();
  int calls = 0;
  table.BeforePost = [&calls](TDataSet&) {
    if (calls++ == 0) throw EDatabaseError("not yet");
  };
  table.Append();
  EXPECT_EQ(ErrorOf([&] { table.Post(); }), "not yet");
  EXPECT_EQ(table.State(), DataSetState::Insert);  // a failed post keeps the edit
  table.Post();
  EXPECT_EQ(table.RecordCount(), 1);

  // Errors of the storage itself go through OnPostError.
  FlakyTable flaky;
  flaky.FieldDefs().Add("N", FieldType::Integer);
  flaky.CreateTable();
  flaky.Open();
  std::vector<DataAction> choices = {DataAction::Retry, DataAction::Retry, DataAction::Fail};
  flaky.OnPostError = [&choices](TDataSet&, EDatabaseError& error, DataAction& action) {
    EXPECT_EQ(error.Message(), "storage busy");
    action = choices.front();
    choices.erase(choices.begin());
  };
  flaky.failures_left = 5;
  flaky.Append();
  EXPECT_EQ(ErrorOf([&] { flaky.Post(); }), "storage busy");  // retried twice, then failed
  EXPECT_EQ(flaky.failures_left, 2);
  choices = {DataAction::Abort};
  EXPECT_THROW(flaky.Post(), EAbort);
  choices = {DataAction::Retry};
  flaky.Post();  // the last failure is retried and the post goes through
  EXPECT_EQ(flaky.RecordCount(), 1);
  EXPECT_EQ(flaky.State(), DataSetState::Browse);
}

TEST(DataSet, CalculatedFieldsAreComputedForEveryRecord) {
  VectorDataSet ds = Fuel();
  TField& doubled = ds.AddCalculatedField("Double", FieldType::Float);
  ds.OnCalcFields = [](TDataSet& d) {
    TField& sum = d.FieldByName("Сумма"_w);
    if (!sum.IsNull()) d.FieldByName("Double").SetAsFloat(sum.AsFloat() * 2);
  };
  ds.Open();
  EXPECT_EQ(ds.FieldCount(), 4);
  EXPECT_EQ(doubled.FieldNo(), 0);
  std::vector<double> values;
  std::vector<bool> nulls;
  for (ds.First(); !ds.Eof(); ds.Next()) {
    nulls.push_back(doubled.IsNull());
    values.push_back(doubled.AsFloat());
  }
  EXPECT_EQ(values, (std::vector<double>{21, 0, 14.5}));
  EXPECT_EQ(nulls, (std::vector<bool>{false, true, false}));
  ds.Close();
  ds.Open();  // calculated fields survive closing
  EXPECT_EQ(ds.FieldByName("Double").AsFloat(), 21);
}

}  // namespace
}  // namespace kvr
