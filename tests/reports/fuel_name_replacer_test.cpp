// FuelNameReplacer on a real in-memory DBF table: which map line applies, which records change,
// and when nothing happens at all.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codepage/code_page.h"
#include "common/exceptions.h"
#include "reports/export_conventions.h"

namespace kvr::test {
namespace {

std::string W(std::string_view utf8) { return codepage::Utf8ToCp1251(utf8); }
std::string U(std::string_view cp1251) { return codepage::Cp1251ToUtf8(cp1251); }

// A table with a fuel-name field between two others, one record per name.
class FuelTable {
 public:
  FuelTable() {
    table.FieldDefs().Add("NUM", FieldType::Integer);
    table.FieldDefs().Add("GSMName", FieldType::String, 30);
    table.FieldDefs().Add("NOTE", FieldType::String, 10);
    table.CreateTable();
    table.Open();
    table.BeforeEdit = [this](TDataSet&) { ++edits; };
  }
  // Adds one record per name, each through the replacer when one is given; counts the records
  // the replacer changes.
  void Add(const std::vector<std::string>& utf8_names,
           const reports::FuelNameReplacer* replacer = nullptr) {
    for (const std::string& name : utf8_names) {
      table.Append();
      table.FieldByName("NUM").SetAsInteger(table.RecordCount() + 1);
      table.FieldByName("GSMNAME").SetAsString(W(name));
      table.FieldByName("NOTE").SetAsString("x");
      if (replacer) {
        changed += replacer->ReplacementForCurrent() != nullptr;
        replacer->Apply();
      }
      table.Post();
    }
  }
  std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (table.First(); !table.Eof(); table.Next()) {
      names.push_back(U(table.FieldByName("GSMNAME").AsString()));
      EXPECT_EQ(table.FieldByName("NOTE").AsString(), "x") << "other fields stay";
    }
    return names;
  }

  TMemDBFTable table;
  int edits = 0;
  int changed = 0;
};

reports::ExportSettings MapOf(const std::vector<std::string>& utf8_lines, bool gsm_tbl = true) {
  reports::ExportSettings settings;
  settings.gsm_tbl = gsm_tbl;
  for (const std::string& line : utf8_lines) settings.fuel_name_map.push_back(W(line));
  return settings;
}

TEST(FuelNameReplacerTest, MapLinesAndTheirEffect) {
  struct Case {
    const char* name;
    std::vector<std::string> map;
    std::vector<std::string> before, after;
    int changed;
  };
  const Case cases[] = {
      {"letter case ignored, replacement taken exactly",
       {"аи-92=Регуляр-92", "diesel=ДТ летнее"},
       {"АИ-92", "Аи-92", "аи-92", "Аи-95", "DIESEL", "Diesel"},
       {"Регуляр-92", "Регуляр-92", "Регуляр-92", "Аи-95", "ДТ летнее", "ДТ летнее"},
       5},
      {"Cyrillic ё and Ё", {"Жёлтый=Ж"}, {"ЖЁЛТЫЙ", "жёлтый"}, {"Ж", "Ж"}, 2},
      {"empty replacement", {"Аи-92="}, {"Аи-92"}, {"Аи-92"}, 0},
      {"blanks-only replacement", {"Аи-92=   "}, {"Аи-92"}, {"Аи-92"}, 0},
      {"replacement trimmed", {"Аи-92=  Регуляр  "}, {"Аи-92"}, {"Регуляр"}, 1},
      {"replacement equal to the text", {"Аи-92=Аи-92"}, {"Аи-92", "Аи-92"}, {"Аи-92", "Аи-92"}, 0},
      {"replacement differing in case only", {"аи-92=АИ-92"}, {"Аи-92"}, {"АИ-92"}, 1},
      {"first of two equal names", {"Аи-92=Первый", "аи-92=Второй"}, {"Аи-92"}, {"Первый"}, 1},
      {"first line decides even when empty", {"Аи-92=", "Аи-92=Второй"}, {"Аи-92"}, {"Аи-92"}, 0},
      {"name up to the first =",
       {"ДТ=Зимнее=-32"},
       {"ДТ", "ДТ=Зимнее"},
       {"Зимнее=-32", "ДТ=Зимнее"},
       1},
      {"line without = names nothing", {"Аи-92", "Аи-92=Регуляр"}, {"Аи-92"}, {"Регуляр"}, 1},
      {"whole text compared", {"Аи=Короткий"}, {"Аи-92", "Аи"}, {"Аи-92", "Короткий"}, 1},
      {"empty field matches an empty name",
       {"=Без названия"},
       {"", "Аи-92"},
       {"Без названия", "Аи-92"},
       1},
      {"a tab ending the name is part of it",
       {"Аи-92=Регуляр", "Аи-95\t=Премиум"},
       {"Аи-92\t", "Аи-95\t", "Аи-95"},
       {"Аи-92\t", "Премиум", "Аи-95"},
       1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FuelTable t;
    const reports::FuelNameReplacer replacer(t.table, "gsmname", MapOf(c.map));
    EXPECT_TRUE(replacer.Active());
    t.Add(c.before, &replacer);
    EXPECT_EQ(t.changed, c.changed);
    EXPECT_EQ(t.Names(), c.after);
  }
}

TEST(FuelNameReplacerTest, NothingHappensWithReplacementOffOrAnEmptyMap) {
  FuelTable t;
  // Not even the field is looked up.
  for (const auto& settings : {MapOf({"Аи-92=Регуляр"}, false), MapOf({})})
    for (const char* field : {"GSMName", "NoSuchField"}) {
      const reports::FuelNameReplacer replacer(t.table, field, settings);
      EXPECT_FALSE(replacer.Active());
      t.Add({"Аи-92"}, &replacer);
    }
  EXPECT_EQ(t.changed, 0);
  EXPECT_EQ(t.Names(), std::vector<std::string>(4, "Аи-92"));
}

TEST(FuelNameReplacerTest, AnAbsentFieldRaisesTheTablesError) {
  FuelTable t;
  try {
    const reports::FuelNameReplacer replacer(t.table, "GSMNAME2", MapOf({"Аи-92=Регуляр"}));
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.ClassName(), "EDatabaseError");
    EXPECT_NE(e.Message().find("GSMNAME2"), std::string::npos) << e.Message();
  }
}

// Copying replaces each record's name as it is added; a target without the field gets every
// row first and then the error.
TEST(FuelNameReplacerTest, CopyingReplacesEachRecordAsItIsAdded) {
  FuelTable source;
  source.Add({"Аи-92", "аи-95", "ДТ"});
  const auto settings = MapOf({"АИ-92=Регуляр", "Аи-95=Премиум"});
  FuelTable target;
  reports::CopyDataSetReplacingFuelNames(source.table, target.table, false, settings);
  EXPECT_EQ(target.edits, 0) << "no record is edited after it was added";
  EXPECT_EQ(target.Names(), (std::vector<std::string>{"Регуляр", "Премиум", "ДТ"}));

  TMemDBFTable no_field;
  no_field.FieldDefs().Add("NUM", FieldType::Integer);
  no_field.CreateTable();
  no_field.Open();
  try {
    reports::CopyDataSetReplacingFuelNames(source.table, no_field, false, settings);
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.ClassName(), "EDatabaseError");
    EXPECT_NE(e.Message().find("GSMName"), std::string::npos) << e.Message();
  }
  EXPECT_EQ(no_field.RecordCount(), 3);
}

}  // namespace
}  // namespace kvr::test
