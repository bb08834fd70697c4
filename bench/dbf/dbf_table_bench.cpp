// Fill-and-save and load figures for a sale-log-like table (25 fields), each phase in its own
// child process so that its peak resident memory is its own. With shapelib present, the same
// table is also written by shapelib's DBF writer for comparison.
//
//   dbf_table_bench [records=1000000] [directory=/tmp]   (KVR_BENCH_KEEP=1 keeps the file)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "codepage/code_page.h"
#include "common/text.h"
#include "dbf/mem_dbf_table.h"

#ifdef KVR_HAVE_SHAPELIB
#include <shapefil.h>
#endif

using namespace kvr;
using namespace kvr::literals;
using Clock = std::chrono::steady_clock;

namespace {

struct FieldSpec {
  const char* name;
  FieldType type;
  int size;
};

// The sale log's layout without shop rows (25 of its fields).
const FieldSpec kLayout[] = {
    {"SmNum", FieldType::Integer, 0},      {"Data", FieldType::DateTime, 0},
    {"Pokupatel", FieldType::String, 100}, {"VidOpl", FieldType::Integer, 0},
    {"GSMName", FieldType::String, 20},    {"KodGsm", FieldType::Integer, 0},
    {"Liter", FieldType::Float, 0},        {"GSMPrice", FieldType::Float, 0},
    {"BasePrice", FieldType::Float, 0},    {"Summa", FieldType::Float, 0},
    {"BaseSumma", FieldType::Float, 0},    {"Plotn", FieldType::Float, 0},
    {"INN", FieldType::String, 30},        {"Cnt", FieldType::String, 50},
    {"Driver", FieldType::String, 40},     {"PListNum", FieldType::String, 15},
    {"INDEXSALE", FieldType::Integer, 0},  {"SILONUM", FieldType::Integer, 0},
    {"TRKNUM", FieldType::Integer, 0},     {"NKKM", FieldType::Integer, 0},
    {"KA", FieldType::Boolean, 0},         {"IDCnt", FieldType::String, 8},
    {"IDCar", FieldType::String, 8},       {"IDDrv", FieldType::String, 8},
    {"TRKDENS", FieldType::Float, 0},
};
constexpr int kFieldCount = sizeof kLayout / sizeof kLayout[0];

// Values of row i: a few texts in rotation, numbers that change with i.
struct Row {
  std::string texts[kFieldCount];
  double numbers[kFieldCount];
  long long integers[kFieldCount];
  bool flag;
};

const std::vector<std::string>& Names() {
  static const std::vector<std::string> names = {std::string("ООО Ромашка-Транс"_w),
                                                 std::string("Иванов Пётр Сергеевич"_w),
                                                 std::string("ДТ-Евро класс 5"_w),
                                                 std::string("АИ-95-К5"_w),
                                                 "1234567890",
                                                 std::string("Наличные"_w)};
  return names;
}

void MakeRow(long i, Row& row) {
  const auto& names = Names();
  for (int f = 0; f < kFieldCount; ++f) {
    row.texts[f] = names[static_cast<std::size_t>(i + f) % names.size()];
    row.integers[f] = i * 7 + f;
    row.numbers[f] = static_cast<double>(i % 100000) * 0.37 + f;
  }
  row.texts[1] = "12/07/2026 01:19:05 PM";
  row.flag = i % 3 == 0;
}

long PeakKb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

// Runs `phase` in a child; the child prints its figures and its peak memory.
template <typename Phase>
void InChild(const char* title, Phase phase) {
  std::fflush(stdout);
  const pid_t pid = fork();
  if (pid == 0) {
    phase();
    std::printf("  %-28s peak resident memory %.1f MB\n", title, PeakKb() / 1024.0);
    std::fflush(stdout);
    _exit(0);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::printf("  %s failed\n", title);
    std::exit(1);
  }
}

void FillAndSave(long records, const std::string& path) {
  const auto start = Clock::now();
  TMemDBFTable table;
  for (const FieldSpec& spec : kLayout) table.FieldDefs().Add(spec.name, spec.type, spec.size);
  table.CreateTable();
  table.Open();
  std::vector<TField*> fields;
  for (const FieldSpec& spec : kLayout) fields.push_back(&table.FieldByName(spec.name));
  Row row;
  for (long i = 0; i < records; ++i) {
    MakeRow(i, row);
    table.Append();
    for (int f = 0; f < kFieldCount; ++f) {
      TField& field = *fields[static_cast<std::size_t>(f)];
      switch (field.Kind()) {
        case ValueKind::Text: field.SetAsString(row.texts[f]); break;
        case ValueKind::Integer: field.SetAsLargeInt(row.integers[f]); break;
        case ValueKind::Float: field.SetAsFloat(row.numbers[f]); break;
        case ValueKind::Boolean: field.SetAsBoolean(row.flag); break;
        case ValueKind::DateTime: field.SetAsDateTime(46363.5); break;
      }
    }
    table.Post();
  }
  const double filled = Seconds(start);
  table.SaveToFile(path);
  const double total = Seconds(start);
  const double mb = std::filesystem::file_size(path) / 1e6;
  std::printf(
      "  fill %ld records: %.2f s; save %.0f MB: %.2f s; together %.2f s = %.0f records/s\n",
      records, filled, mb, total - filled, total, records / total);
}

void Load(const std::string& path) {
  const double mb = std::filesystem::file_size(path) / 1e6;
  auto start = Clock::now();
  TMemDBFTable table;
  table.SetFileName(path);
  table.Open();
  const double opened = Seconds(start);
  std::printf("  load (open) %.0f MB: %.2f s = %.0f MB/s, %d records = %.0f records/s\n", mb,
              opened, mb / opened, table.RecordCount(), table.RecordCount() / opened);
  start = Clock::now();
  double sum = 0;
  TField& summa = table.FieldByName("SUMMA");
  TField& name = table.FieldByName("GSMNAME");
  std::size_t chars = 0;
  for (table.First(); !table.Eof(); table.Next()) {
    sum += summa.AsFloat();
    chars += name.AsString().size();
  }
  const double scanned = Seconds(start);
  std::printf("  scan all records reading 2 fields: %.2f s = %.0f records/s (check %.0f %zu)\n",
              scanned, table.RecordCount() / scanned, sum, chars);
}

#ifdef KVR_HAVE_SHAPELIB
void ShapelibWrite(long records, const std::string& path) {
  const auto start = Clock::now();
  DBFHandle dbf = DBFCreate(path.c_str());
  for (const FieldSpec& spec : kLayout) {
    std::string name = codepage::AnsiUpperCase(spec.name).substr(0, 10);
    switch (NativeKind(spec.type)) {
      case ValueKind::Text:
        DBFAddField(dbf, name.c_str(), FTString, spec.type == FieldType::DateTime ? 30 : spec.size,
                    0);
        break;
      case ValueKind::Integer: DBFAddField(dbf, name.c_str(), FTInteger, 11, 0); break;
      case ValueKind::Float: DBFAddField(dbf, name.c_str(), FTDouble, 20, 4); break;
      case ValueKind::Boolean: DBFAddField(dbf, name.c_str(), FTLogical, 1, 0); break;
      case ValueKind::DateTime: DBFAddField(dbf, name.c_str(), FTString, 30, 0); break;
    }
  }
  Row row;
  for (long i = 0; i < records; ++i) {
    MakeRow(i, row);
    for (int f = 0; f < kFieldCount; ++f) {
      const int record = static_cast<int>(i);
      switch (NativeKind(kLayout[f].type)) {
        case ValueKind::Text:
        case ValueKind::DateTime:
          DBFWriteStringAttribute(dbf, record, f, codepage::AnsiToOem(row.texts[f]).c_str());
          break;
        case ValueKind::Integer:
          DBFWriteIntegerAttribute(dbf, record, f, static_cast<int>(row.integers[f]));
          break;
        case ValueKind::Float: DBFWriteDoubleAttribute(dbf, record, f, row.numbers[f]); break;
        case ValueKind::Boolean:
          DBFWriteLogicalAttribute(dbf, record, f, row.flag ? 'T' : 'F');
          break;
      }
    }
  }
  DBFClose(dbf);
  const double total = Seconds(start);
  std::printf("  shapelib writes the same %ld records: %.2f s = %.0f records/s\n", records, total,
              records / total);
}
#endif

}  // namespace

int main(int argc, char** argv) {
  const long records = argc > 1 ? std::atol(argv[1]) : 1'000'000;
  const std::string dir = argc > 2 ? argv[2] : "/tmp";
  const std::string path = dir + "/kvr-bench-" + std::to_string(getpid()) + ".dbf";
  std::printf("DBF table benchmark, %ld records of %d fields\n", records, kFieldCount);
  InChild("fill and save:", [&] { FillAndSave(records, path); });
  const double mb = std::filesystem::file_size(path) / 1e6;
  std::printf("  file size %.1f MB\n", mb);
  InChild("load and scan:", [&] { Load(path); });
#ifdef KVR_HAVE_SHAPELIB
  const std::string other = dir + "/kvr-bench-shapelib-" + std::to_string(getpid()) + ".dbf";
  InChild("shapelib:", [&] { ShapelibWrite(records, other); });
  std::filesystem::remove(other);
#endif
  if (!std::getenv("KVR_BENCH_KEEP")) std::filesystem::remove(path);  // keep it to inspect
  return 0;
}
