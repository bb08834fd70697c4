#include "export_harness.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>

#include "codepage/code_page.h"
#include "dbf/mem_dbf_table.h"
#include "dbf_reader.h"
#include "firebird/firebird_test_util.h"
#include "kvr/host_abi.h"
#include "platform/file_system.h"
#include "platform/shared_library.h"
#include "scripted_host.h"

namespace kvr::test {
namespace fs = std::filesystem;

std::string W(std::string_view utf8) { return codepage::Utf8ToCp1251(utf8); }

host_param Int(std::int64_t value) { return host_param{HP_INT, value, nullptr, 0}; }
host_param Text(const char* utf8) { return host_param{HP_TEXT, 0, utf8, 0}; }
host_param Date(TDateTime value) { return host_param{HP_DATE, 0, nullptr, value}; }

TDateTime At(int year, int month, int day, int hour, int minute, int second, int msec) {
  return EncodeDateTime(year, month, day, hour, minute, second, msec);
}

TDateTime DataBegin() { return At(2024, 3, 1); }
TDateTime DataEnd() { return At(2024, 3, 4, 23, 59, 59, 999); }

namespace {

// ---- the library, loaded once per process like a host loads it

struct LoadedLibrary {
  std::unique_ptr<platform::SharedLibrary> library;
  kvr_init_reports_fn init = nullptr;
  kvr_get_reports_fn get = nullptr;
};

LoadedLibrary& Library() {
  static LoadedLibrary loaded = [] {
    ::setenv("KVR_ROOT", ExportFixtureRoot().c_str(), 1);
    LoadedLibrary l;
    std::string error;
    l.library = platform::SharedLibrary::Open(KVR_LIBRARY_PATH, &error);
    if (!l.library) throw std::runtime_error(error);
    l.init = reinterpret_cast<kvr_init_reports_fn>(l.library->Symbol("InitReports"));
    l.get = reinterpret_cast<kvr_get_reports_fn>(l.library->Symbol("GetReportsInStringEx"));
    return l;
  }();
  return loaded;
}

// ---- template databases

std::string ScriptsKey(std::initializer_list<std::string_view> scripts) {
  std::string all;
  for (std::string_view s : scripts) all += ReadSqlScript(s);
  char key[32];
  std::snprintf(key, sizeof key, "%016zx", std::hash<std::string>{}(all));
  return key;
}

}  // namespace

const std::string& ExportFixtureRoot() {
  // Made before the library loads, so removed after it unloads (its log lives here).
  static TempDir root("kvr-exports");
  return root.path();
}

void CopyTemplateDatabase(TemplateDatabase which, const std::string& target_path) {
  struct Recipe {
    const char* name;
    std::initializer_list<std::string_view> scripts;
    std::function<std::string(const std::string& dir)> create;
  };
  const Recipe recipes[] = {
      {"station-full",
       {"station_schema.sql", "station_optional.sql", "station_data.sql",
        "station_optional_data.sql"},
       [](const std::string& d) { return CreateStationDatabase(d, StationVariant::kFull); }},
      {"station-minimal",
       {"station_schema.sql", "station_data.sql"},
       [](const std::string& d) { return CreateStationDatabase(d, StationVariant::kMinimal); }},
      {"office", {"office.sql"}, [](const std::string& d) { return CreateOfficeDatabase(d); }},
      {"shop", {"shop.sql"}, [](const std::string& d) { return CreateShopDatabase(d); }},
  };
  const Recipe& recipe = recipes[static_cast<int>(which)];
  const fs::path cache = fs::path(KVR_BINARY_DIR) / "test-databases";
  const fs::path cached =
      cache / (std::string(recipe.name) + "-" + ScriptsKey(recipe.scripts) + ".FDB");
  if (!fs::exists(cached)) {
    // Built aside and renamed into place: parallel test processes never see half a file.
    fs::create_directories(cache);
    TempDir scratch("kvr-template");
    const std::string built = recipe.create(scratch.path());
    const fs::path aside = cache / (cached.filename().string() + "." + std::to_string(getpid()));
    fs::copy_file(built, aside, fs::copy_options::overwrite_existing);
    fs::rename(aside, cached);
  }
  fs::create_directories(fs::path(target_path).parent_path());
  fs::copy_file(cached, target_path, fs::copy_options::overwrite_existing);
}

// ---- fixture

int ExportFixture::station_counter_ = 0;

const std::string& ExportFixture::Root() { return ExportFixtureRoot(); }

void ExportFixture::SetUp() {
  PrepareEmbeddedEngine();
  ASSERT_NE(Library().get, nullptr);
  ::setenv("KVR_ROOT", Root().c_str(), 1);
  ::unsetenv("KVR_WINDIR");
  ::unsetenv("CORVANE_FB_PORT");
  ::unsetenv("CORVANE_FB_PASSWORD");
  std::error_code ignored;
  for (const char* dir : {"C/WINDOWS", "C/MOLT/EXPORT", "C/MOLT/OfficeDB", "D"})
    fs::remove_all(fs::path(Root()) / dir, ignored);
  fs::remove(CardFile(), ignored);
  fs::create_directories(fs::path(Root()) / "C/WINDOWS");
  fs::create_directories(fs::path(Root()) / "C/MOLT/LogFiles");  // an installed station has it

  Host().Reset();
  Host().answers[46] = AnswerInteger(0);
  AnswerOfficeMode(false);
  AnswerKAColumn(false);
  AnswerStationName("АЗС №1");
  Library().init(nullptr, &HostCallback, nullptr);
  ControlCommand(false);
}

void ExportFixture::TearDown() {
  ::unsetenv("CORVANE_FB_PORT");
  ::unsetenv("CORVANE_FB_PASSWORD");
}

std::string ExportFixture::ExportFile(std::string_view name) const {
  return Root() + "/C/MOLT/EXPORT/" + std::string(name);
}
std::string ExportFixture::OfficeDatabase() const { return Root() + "/C/MOLT/OfficeDB/OFFICE.FDB"; }
std::string ExportFixture::CardFile() const { return Root() + "/C/MOLT/BeznalCardINN.DBF"; }
std::string ExportFixture::ShopDatabase() const { return Root() + "/D/SHOP/SHOP.FDB"; }

const std::string& ExportFixture::UseStation(StationVariant variant) {
  const std::string dir = Root() + "/station-" + std::to_string(++station_counter_);
  station_ = dir + "/GARVEN.FDB";
  CopyTemplateDatabase(variant == StationVariant::kFull ? TemplateDatabase::kStationFull
                                                        : TemplateDatabase::kStationMinimal,
                       station_);
  Host().answers[5] = AnswerText(dir + "/");
  return station_;
}

void ExportFixture::UseOffice() {
  CopyTemplateDatabase(TemplateDatabase::kOffice, OfficeDatabase());
}
void ExportFixture::UseShop() { CopyTemplateDatabase(TemplateDatabase::kShop, ShopDatabase()); }

void ExportFixture::Sql(const std::string& database, std::string_view utf8_sql) {
  RunSql(database, utf8_sql);
}

void ExportFixture::WriteSettings(const std::vector<Setting>& settings) {
  std::string text;
  std::string section;
  for (const Setting& s : settings) {
    if (s.section != section) {
      section = s.section;
      text += "[" + section + "]\r\n";
    }
    text += s.key + "=" + W(s.value) + "\r\n";
  }
  platform::WriteWholeFile(Root() + "/C/WINDOWS/cnf.ini", text);
}

void ExportFixture::WriteCardFile(const std::vector<std::vector<std::string>>& rows) {
  fs::create_directories(fs::path(CardFile()).parent_path());
  TMemDBFTable cards;
  cards.FieldDefs().Add("CARD", FieldType::String, 20);
  cards.FieldDefs().Add("INN", FieldType::String, 12);
  cards.FieldDefs().Add("CNAME", FieldType::String, 60);
  cards.CreateTable();
  cards.Open();
  for (const auto& row : rows) {
    cards.Append();
    cards.FieldByName("CARD").SetAsString(W(row.at(0)));
    cards.FieldByName("INN").SetAsString(W(row.at(1)));
    cards.FieldByName("CNAME").SetAsString(W(row.at(2)));
    cards.Post();
    if (row.size() > 3 && row[3] == "deleted") cards.Delete();
  }
  cards.SaveToFile(CardFile());
}

void ExportFixture::ControlCommand(bool office_allowed, const std::string& database_dir,
                                   const std::string& station_name, int sale_log_mode) {
  const ReportResult r =
      Run('#', {Int(1000), Int(office_allowed ? 0 : 1), Text(database_dir.c_str()),
                Text(station_name.c_str()), Int(sale_log_mode)});
  ASSERT_FALSE(r.result);
  ASSERT_EQ(r.text, "");
}

void ExportFixture::AnswerOfficeMode(bool on) {
  Host().answers[8] = [on](kvr_variant* v) { kvr_variant_set_bool(v, on); };
}
void ExportFixture::AnswerKAColumn(bool on) {
  Host().answers[17] = [on](kvr_variant* v) { kvr_variant_set_bool(v, on); };
}
void ExportFixture::AnswerStationName(const std::string& utf8) {
  Host().answers[13] = AnswerText(utf8);
}

void ExportFixture::InitReports() { Library().init(nullptr, &HostCallback, nullptr); }

ReportResult ExportFixture::Run(char code, const std::vector<host_param>& params) {
  kvr_variant array = host_params_array(params.data(), static_cast<std::uint32_t>(params.size()));
  char* text = nullptr;
  ReportResult r;
  r.result = Library().get(code, array, &text) != 0;
  kvr_variant_clear(&array);
  if (text) r.text = text;
  std::free(text);
  return r;
}

void ExportFixture::RunOk(char code, const std::vector<host_param>& params, std::string_view text) {
  const ReportResult r = Run(code, params);
  EXPECT_TRUE(r.result);
  EXPECT_EQ(codepage::Cp1251ToUtf8(r.text), text);
}

// ---- date-time texts and comparison with the database

std::string USText(TDateTime value) {
  const DateTimeParts p = DecodeDateTime(value);
  int hour12 = p.time.hour % 12;
  if (hour12 == 0) hour12 = 12;
  char text[40];
  std::snprintf(text, sizeof text, "%02d/%02d/%04d %02d:%02d:%02d %s", p.date.month, p.date.day,
                p.date.year, hour12, p.time.minute, p.time.second, p.time.hour < 12 ? "AM" : "PM");
  return text;
}

std::string DotText(TDateTime value) {
  const DateTimeParts p = DecodeDateTime(value);
  char text[40];
  std::snprintf(text, sizeof text, "%02d.%02d.%04d %02d:%02d:%02d", p.date.day, p.date.month,
                p.date.year, p.time.hour, p.time.minute, p.time.second);
  return text;
}

namespace {

void ExpectCell(const DbfColumn& column, const std::string& file_value, const TField& field,
                bool us_dates, const std::string& where) {
  SCOPED_TRACE(where + " column " + column.name);
  if (field.IsNull()) {
    EXPECT_EQ(file_value, "") << "a null value leaves the field empty";
    return;
  }
  switch (column.type) {
    case 'N': {
      ASSERT_FALSE(file_value.empty());
      // The field keeps `decimals` digits: the value rounded to them.
      EXPECT_NEAR(std::stod(file_value), field.AsFloat(),
                  0.5 * std::pow(10.0, -column.decimals) + 1e-9);
      break;
    }
    case 'L': EXPECT_EQ(file_value, field.AsBoolean() ? "T" : "F"); break;
    case 'D': {
      const DateParts d = DecodeDate(field.AsDateTime());
      char text[16];
      std::snprintf(text, sizeof text, "%04d%02d%02d", d.year, d.month, d.day);
      EXPECT_EQ(file_value, text);
      break;
    }
    default: {
      std::string expected;
      if (field.DataType() == FieldType::DateTime)
        expected = us_dates ? USText(field.AsDateTime()) : DotText(field.AsDateTime());
      else
        expected = field.AsString();
      expected = expected.substr(0, static_cast<std::size_t>(column.length));
      while (!expected.empty() && expected.back() == ' ') expected.pop_back();
      while (!expected.empty() && expected.front() == ' ') expected.erase(0, 1);
      EXPECT_EQ(codepage::Cp1251ToUtf8(file_value), codepage::Cp1251ToUtf8(expected));
    }
  }
}

}  // namespace

void ExpectMatchesQuery(const DbfContent& dbf, const std::string& database,
                        const std::string& utf8_sql, const std::vector<std::string>& file_columns,
                        bool us_dates) {
  auto db = MakeDatabase(database);
  db->Open();
  auto query = MakeQuery(*db, W(utf8_sql));
  query->Open();
  ASSERT_EQ(query->FieldCount(), static_cast<int>(file_columns.size()));
  std::size_t row = 0;
  for (query->First(); !query->Eof(); query->Next(), ++row) {
    ASSERT_LT(row, dbf.rows.size()) << "the file has fewer records than the query";
    for (std::size_t i = 0; i < file_columns.size(); ++i) {
      if (file_columns[i].empty()) continue;
      const int column = dbf.Column(file_columns[i]);
      ExpectCell(dbf.columns[static_cast<std::size_t>(column)],
                 dbf.rows[row][static_cast<std::size_t>(column)],
                 query->Fields(static_cast<int>(i)), us_dates, "record " + std::to_string(row));
    }
  }
  EXPECT_EQ(row, dbf.rows.size()) << "record count";
  query->Close();
  db->Close();
}

}  // namespace kvr::test
