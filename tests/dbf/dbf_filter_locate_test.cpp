// Filtering, FindFirst/FindNext and Locate on a DBF table.
#include <gtest/gtest.h>

#include "common/text.h"
#include "dbf/mem_dbf_table.h"
#include "dbf_test_support.h"

namespace kvr {
namespace {

using namespace kvr::literals;

// A table with one row per value list: NAME C(10), N N(11), X N(12,3), FLAG L, DAY D.
class FilterTable : public ::testing::Test {
 protected:
  struct Row {
    const char* name;
    int n;
    double x;
    char flag;  // raw text of the L field
    const char* day;
  };

  void Fill(std::initializer_list<Row> rows) {
    table_.FieldDefs().Add("Name", FieldType::String, 10);
    table_.FieldDefs().Add("N", FieldType::Integer);
    table_.FieldDefs().Add("X", FieldType::Float, 12).SetPrecision(3);
    table_.FieldDefs().Add("Flag", FieldType::Boolean);
    table_.FieldDefs().Add("Day", FieldType::Date);
    table_.CreateTable();
    table_.Open();
    for (const Row& row : rows) {
      table_.Append();
      table_.FieldByName("Name").SetAsString(row.name);
      table_.FieldByName("N").SetAsInteger(row.n);
      table_.FieldByName("X").SetAsFloat(row.x);
      table_.FieldByName("Day").SetAsString(row.day);
      table_.Post();
    }
    // The flag is set as raw text so that readers' letters (y, Y, 1...) can be tried.
    for (int i = 0; i < table_.RecordCount(); ++i)
      const_cast<DBFRecordList&>(table_.Structure().Records).MutableText(i)[1 + 10 + 11 + 12] =
          rows.begin()[i].flag;
    table_.First();
  }

  std::vector<std::string> Visible() {
    std::vector<std::string> names;
    for (table_.First(); !table_.Eof(); table_.Next())
      names.push_back(table_.FieldByName("Name").AsString());
    return names;
  }

  std::vector<std::string> Filtered(const std::string& filter, FilterOptions options = {}) {
    table_.SetFilterOptions(options);
    table_.SetFilter(filter);
    table_.SetFiltered(true);
    std::vector<std::string> names = Visible();
    table_.SetFiltered(false);
    return names;
  }

  TMemDBFTable table_;
};

using Names = std::vector<std::string>;

TEST_F(FilterTable, Strings) {
  Fill({{"CAB", 1, 0, 'T', "01.01.2026"},
        {"XYZ", 2, 0, 'T', "01.01.2026"},
        {"cab", 3, 0, 'T', "01.01.2026"}});
  EXPECT_EQ(Filtered("NAME=ab"), (Names{"CAB"}));
  EXPECT_EQ(Filtered("NAME=ab", {.case_insensitive = false, .no_partial_compare = true}), Names{});
  EXPECT_EQ(Filtered("name = AB", {.case_insensitive = true}), (Names{"CAB", "cab"}));
  EXPECT_EQ(Filtered("NAME=CAB", {.no_partial_compare = true}), (Names{"CAB"}));
  EXPECT_EQ(Filtered("NAME>X"), (Names{"XYZ", "cab"}));  // ordinal: 'c' > 'X'
  EXPECT_EQ(Filtered("NAME<>CAB"), (Names{"XYZ", "cab"}));
  EXPECT_EQ(Filtered("NAME='CAB'"), Names{});  // quotes are part of the value
}

TEST_F(FilterTable, CyrillicWithOemStorage) {
  Fill(
      {{"Дизель"_w.data(), 1, 0, 'T', "01.01.2026"}, {"Бензин"_w.data(), 2, 0, 'T', "01.01.2026"}});
  EXPECT_EQ(Filtered(std::string("NAME="_w) + std::string("ДИЗ"_w), {.case_insensitive = true}),
            (Names{std::string("Дизель"_w)}));
}

TEST_F(FilterTable, NumbersAndOperatorPriority) {
  Fill({{"a", 5, 10.25, 'T', "01.01.2026"},
        {"b", 10, 10.5, 'T', "01.01.2026"},
        {"c", 20, 11, 'T', "01.01.2026"}});
  EXPECT_EQ(Filtered("X>=10,5"), (Names{"b", "c"}));
  EXPECT_EQ(Filtered("X>=10.5"), (Names{"b", "c"}));
  EXPECT_EQ(Filtered("X<10.5"), (Names{"a"}));
  EXPECT_EQ(Filtered("N<>10"), (Names{"a", "c"}));
  EXPECT_EQ(Filtered("N=10"), (Names{"b"}));
  EXPECT_EQ(Filtered("N<=10"), (Names{"a", "b"}));
  EXPECT_EQ(Filtered("N>abc"), Names{});  // a filter value that is no number refuses all
  // ">=" is looked for first anywhere, so "N=1>=0" reads as field "N=1" (unknown): all pass.
  EXPECT_EQ(Filtered("N=1>=0"), (Names{"a", "b", "c"}));
}

TEST_F(FilterTable, BooleansDatesAndUnknownFields) {
  Fill({{"t", 1, 0, 'T', "05.01.2026"},
        {"y", 2, 0, 'Y', "06.01.2026"},
        {"lower", 3, 0, 'y', "07.01.2026"},
        {"f", 4, 0, 'F', "08.01.2026"}});
  EXPECT_EQ(Filtered("FLAG=y"), (Names{"t", "y", "lower"}));
  EXPECT_EQ(Filtered("FLAG<T"), (Names{"f"}));
  // A Boolean field holding "y" reads as no value, yet the filter treats it as true.
  table_.SetRecNo(3);
  EXPECT_TRUE(table_.FieldByName("FLAG").AsVariant().IsNull());
  EXPECT_FALSE(table_.FieldByName("FLAG").AsBoolean());

  EXPECT_EQ(Filtered("DAY>=06.01.2026"), (Names{"y", "lower", "f"}));
  EXPECT_EQ(Filtered("DAY=07.01.2026"), (Names{"lower"}));
  EXPECT_EQ(Filtered("DAY>not a date"), Names{});
  EXPECT_EQ(Filtered("UNKNOWNFIELD=1"), (Names{"t", "y", "lower", "f"}));
  EXPECT_EQ(Filtered("no operator here"), (Names{"t", "y", "lower", "f"}));
  EXPECT_EQ(Filtered(""), (Names{"t", "y", "lower", "f"}));
}

TEST_F(FilterTable, FindFirstAndFindNextUseTheFilterWithoutFiltering) {
  Fill({{"a", 1, 0, 'T', "01.01.2026"},
        {"b", 2, 0, 'T', "01.01.2026"},
        {"c", 1, 0, 'T', "01.01.2026"}});
  table_.SetFilter("N=1");
  ASSERT_TRUE(table_.FindFirst());
  EXPECT_EQ(table_.FieldByName("Name").AsString(), "a");
  ASSERT_TRUE(table_.FindNext());
  EXPECT_EQ(table_.FieldByName("Name").AsString(), "c");
  EXPECT_FALSE(table_.FindNext());
  EXPECT_EQ(table_.FieldByName("Name").AsString(), "c");
  ASSERT_TRUE(table_.FindPrior());
  EXPECT_EQ(table_.FieldByName("Name").AsString(), "a");
  EXPECT_EQ(Visible(), (Names{"a", "b", "c"}));  // navigation itself is not filtered
}

TEST_F(FilterTable, LocateKeysAndOptions) {
  Fill({{"Card77", 7, 100.005, 'T', "01.01.2026"},
        {"card", 8, 100.5, 'T', "01.01.2026"},
        {"Card", 9, 1.0, 'T', "02.01.2026"}});
  EXPECT_TRUE(table_.Locate("X", 100.0));  // 100.005 within the single-precision tolerance
  EXPECT_EQ(table_.FieldByName("N").AsInteger(), 7);
  EXPECT_FALSE(table_.Locate("X", 100.3));
  EXPECT_TRUE(table_.Locate("X", 100.5));
  EXPECT_EQ(table_.FieldByName("N").AsInteger(), 8);

  EXPECT_TRUE(table_.Locate("NAME", "Card"));
  EXPECT_EQ(table_.FieldByName("N").AsInteger(), 9);
  EXPECT_TRUE(table_.Locate("NAME", "CARD", {.case_insensitive = true}));
  EXPECT_EQ(table_.FieldByName("N").AsInteger(), 8);  // "Card77" is no whole match
  EXPECT_TRUE(table_.Locate("NAME", "CARD", {.case_insensitive = true, .partial_key = true}));
  EXPECT_EQ(table_.FieldByName("Name").AsString(), "Card77");
}

TEST_F(FilterTable, LocateMatchesWholeTextsUnlessPartial) {
  Fill({{"0123", 1, 0, 'T', "01.01.2026"},
        {"123A", 2, 0, 'T', "01.01.2026"},
        {"123", 3, 0, 'T', "01.01.2026"}});
  EXPECT_TRUE(table_.Locate("NAME", "123"));
  EXPECT_EQ(table_.FieldByName("N").AsInteger(), 3);
  EXPECT_TRUE(table_.Locate("NAME", "123", {.partial_key = true}));
  EXPECT_EQ(table_.FieldByName("N").AsInteger(), 2);
  EXPECT_TRUE(table_.Locate("NAME", 123));  // a number key compares as its text
  EXPECT_EQ(table_.FieldByName("N").AsInteger(), 3);

  const TBookmark before = table_.GetBookmark();
  EXPECT_FALSE(table_.Locate("NAME", "999"));
  EXPECT_EQ(table_.GetBookmark(), before);  // a failed Locate does not move
  EXPECT_FALSE(table_.Locate(" ; ", "123"));

  VariantArray keys(0, 1);
  keys.Put(0, Variant("123A"));
  keys.Put(1, Variant(std::int32_t{2}));
  EXPECT_TRUE(table_.Locate("NAME;N", Variant(keys)));
  EXPECT_EQ(table_.FieldByName("Name").AsString(), "123A");
  keys.Put(1, Variant(std::int32_t{3}));
  EXPECT_FALSE(table_.Locate("NAME;N", Variant(keys)));
  EXPECT_TRUE(table_.Locate("DAY", Variant::FromDateTime(EncodeDate(2026, 1, 1))));
  EXPECT_THROW(table_.Locate("NOPE", 1), EDatabaseError);
}

TEST_F(FilterTable, LocateFindsDeletedRecordsAndShowsThem) {
  Fill({{"1", 1, 0, 'T', "01.01.2026"},
        {"2", 2, 0, 'T', "01.01.2026"},
        {"3", 3, 0, 'T', "01.01.2026"}});
  table_.SetRecNo(2);
  table_.Delete();
  EXPECT_EQ(Visible(), (Names{"1", "3"}));
  ASSERT_TRUE(table_.Locate("N", 2));
  // The located record itself is current, so its fields are the ones read.
  EXPECT_EQ(table_.FieldByName("Name").AsString(), "2");
  table_.Next();
  EXPECT_EQ(table_.FieldByName("Name").AsString(), "3");
}

TEST(LocateOem, CardNumbersInAFileWrittenInCodePage866) {
  test::ScratchDir dir;
  {
    TMemDBFTable cards;
    cards.FieldDefs().Add("Card", FieldType::String, 10);
    cards.FieldDefs().Add("CName", FieldType::String, 20);
    cards.CreateTable();
    cards.Open();
    for (auto [card, name] : {std::pair{"0123", "Ромашка"_w}, std::pair{"123A", "Лютик"_w},
                              std::pair{"123", "Василёк"_w}}) {
      cards.Append();
      cards.FieldByName("Card").SetAsString(card);
      cards.FieldByName("CName").SetAsString(name);
      cards.Post();
    }
    cards.SaveToFile(dir.File("cards.dbf"));
  }
  TMemDBFTable cards;
  cards.SetFileName(dir.File("cards.dbf"));
  cards.Open();
  ASSERT_TRUE(cards.Locate("CARD", "123"));
  EXPECT_EQ(cards.FieldByName("CNAME").AsString(), "Василёк"_w);
  ASSERT_TRUE(cards.Locate("CNAME", std::string("ЛЮТИК"_w), {.case_insensitive = true}));
  EXPECT_EQ(cards.FieldByName("CARD").AsString(), "123A");
}

}  // namespace
}  // namespace kvr
