// End to end: each of the nine exports through the loaded library (kvrhost, one process per
// run), next to the raw fetch of the SELECT texts the export sends (every row fetched, every
// column decoded, then discarded: the limit) and to isql-fb running the same SELECT with its
// output discarded. Embedded and over a private server on loopback TCP, for each size asked.
//
//   export_bench [--sales N[,N...]] [--runs R[,R...]] [--shifts F[,F...]] [--data DIR] [--csv FILE]
//                [--modes embedded,tcp] [--only NAME] [--keep-files DIR] [--library FILE]
//                [--export-only]
//   export_bench --serve      (the private server alone, for a profiler: see Serve)
//
// Export and raw fetch each run in a fresh process (start, engine and connection included in
// both); isql-fb likewise. Defaults: 1000000 sales, 3 runs (the median is reported; a list
// gives the runs of each size in turn: "--sales 100000,1000000 --runs 3,1"; an export whose
// runs take under 3 s together runs again, up to 11 times), data cached in
// ./bench-data, CSV in ./export_bench.csv. The generated databases are kept under the data
// directory (sales-N/) and reused; generating one million sales takes about 15 s on a
// desktop. --keep-files copies the export files of the last run to DIR/<mode>-<N>/ and
// --library runs another build's library, to compare the files of two builds. --shifts
// (default 1,10) runs each size also on a station whose shift log holds F times the shifts of
// its sales, the extra ones before the period (history grows, the period asked stays): the
// exports that show each row's shift must not grow with it. Those exports are also measured
// against the raw fetch of their queries as they were sent with the shift join ("join s").
// --export-only skips the raw fetch and isql-fb: for comparing two builds' exports with runs
// alternated by hand, many times over on a busy machine.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_process.h"
#include "codepage/code_page.h"
#include "export_cases.h"
#include "firebird/ib_database.h"
#include "firebird/ib_dataset.h"
#include "firebird/ib_transaction.h"
#include "reports/export_connections.h"
#include "support/firebird_fixture.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace kvr::bench {
namespace {

constexpr double kShortCaseSeconds = 3;  // an export with its comparisons faster than this...
constexpr int kMostRuns = 11;            // ...runs again, up to this many times

struct Options {
  std::vector<int> sales = {1'000'000};
  std::vector<int> runs = {3};        // per size; the last one serves the sizes after it
  std::vector<int> shifts = {1, 10};  // the station's shift log: 1x, 10x the shifts of its sales
  std::string data = "bench-data";
  std::string csv = "export_bench.csv";
  std::vector<std::string> modes = {"embedded", "tcp"};
  std::string only;
  std::string keep_files;
  std::string library = KVR_BENCH_LIBRARY;
  bool export_only = false;
};

std::vector<std::string> Split(const std::string& text) {
  std::vector<std::string> out;
  std::stringstream in(text);
  for (std::string item; std::getline(in, item, ',');)
    if (!item.empty()) out.push_back(item);
  return out;
}

Options ParseOptions(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) throw std::runtime_error(arg + " needs a value");
      return argv[++i];
    };
    if (arg == "--sales") {
      o.sales.clear();
      for (const std::string& n : Split(value())) o.sales.push_back(std::stoi(n));
    } else if (arg == "--runs") {
      o.runs.clear();
      for (const std::string& n : Split(value())) o.runs.push_back(std::max(1, std::stoi(n)));
      if (o.runs.empty()) throw std::runtime_error("--runs needs a number");
    } else if (arg == "--shifts") {
      o.shifts.clear();
      for (const std::string& n : Split(value())) o.shifts.push_back(std::max(1, std::stoi(n)));
    } else if (arg == "--data") {
      o.data = value();
    } else if (arg == "--csv") {
      o.csv = value();
    } else if (arg == "--modes") {
      o.modes = Split(value());
    } else if (arg == "--only") {
      o.only = value();
    } else if (arg == "--library") {
      o.library = value();
    } else if (arg == "--export-only") {
      o.export_only = true;
    } else if (arg == "--keep-files") {
      o.keep_files = value();
    } else {
      throw std::runtime_error("unknown argument " + arg + " (see the head of export_bench.cpp)");
    }
  }
  return o;
}

double Seconds(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// One station, office and shop under a root directory standing for the drives.
struct BenchData {
  fs::path root;
  std::string station() const { return (root / "C/MOLT/DB/GARVEN.FDB").string(); }
  std::string office() const { return (root / "C/MOLT/OfficeDB/OFFICE.FDB").string(); }
  std::string shop() const { return (root / "D/SHOP/SHOP.FDB").string(); }
  std::string Path(Database d) const {
    return d == Database::kStation ? station() : d == Database::kOffice ? office() : shop();
  }
};

// Builds `file` with `make` unless it is there already (a half-built file never counts).
template <class Make>
void Cached(const std::string& file, Make make) {
  if (fs::exists(file)) return;
  fs::create_directories(fs::path(file).parent_path());
  const std::string partial = file + ".new";
  fs::remove(partial);
  const auto start = Clock::now();
  make(partial);
  fs::rename(partial, file);
  std::printf("generated %s in %.1f s\n", file.c_str(), Seconds(start));
  std::fflush(stdout);
}

void WriteSettings(const fs::path& root) {
  fs::create_directories(root / "C/WINDOWS");
  fs::create_directories(root / "C/MOLT/EXPORT");
  fs::create_directories(root / "C/MOLT/LogFiles");
  const std::string all_stations = codepage::Utf8ToCp1251("ВСЕ АЗС");
  std::string hex;
  for (unsigned char c : all_stations) {
    char buf[3];
    std::snprintf(buf, sizeof buf, "%02X", c);
    hex += buf;
  }
  const std::string text =
      "[REPORTS]\r\nUseDBETime=1\r\nExportTideZero=0\r\nGSMTbl=1\r\n"
      "FixGSMFld=1\r\nGSMFldLen=20\r\nGSMNames2" +
      hex +
      "=АИ-92=Регуляр-92|АИ-95=Премиум-95\r\nPrihodOnly=0\r\n"
      "[Misc]\r\nOfficeReportsType=0\r\n";
  std::ofstream(root / "C/WINDOWS/cnf.ini", std::ios::binary) << codepage::Utf8ToCp1251(text);
}

// Adds (factor - 1) x the station's shifts before its first one, twelve hours each.
void AddHistoryShifts(const std::string& station, int sales, int factor) {
  const int shifts = (sales + 249) / 250;
  test::RunSql(station, "SET TERM ^ ;\nEXECUTE BLOCK AS DECLARE k INTEGER = 0; BEGIN WHILE (k < " +
                            std::to_string(shifts * (factor - 1)) +
                            ") DO BEGIN INSERT INTO SMLOG (SMNUM, BEGTIME, ENDTIME, OPERATOR) "
                            "VALUES (" +
                            std::to_string(shifts) +
                            " + :k + 1, DATEADD(-(:k + 1) * 12 HOUR TO TIMESTAMP '2023-01-01 "
                            "08:00:00'), DATEADD(-:k * 12 HOUR TO TIMESTAMP '2022-12-31 "
                            "19:59:59.999'), 'История'); k = k + 1; END END^\nSET TERM ; ^\n"
                            "COMMIT;\n");
}

BenchData PrepareData(const std::string& data_dir, int sales, int shift_factor,
                      const std::string& copy_name) {
  const std::string base = "sales-" + std::to_string(sales);
  BenchData data{
      fs::absolute(fs::path(data_dir) /
                   (shift_factor > 1 ? base + "-shifts" + std::to_string(shift_factor) : base))};
  if (shift_factor > 1) {
    const BenchData plain = PrepareData(data_dir, sales, 1, "");
    Cached(data.station(), [&](const std::string& f) {
      fs::copy_file(plain.station(), f);
      AddHistoryShifts(f, sales, shift_factor);
    });
    Cached(data.office(), [&](const std::string& f) { fs::copy_file(plain.office(), f); });
    Cached(data.shop(), [&](const std::string& f) { fs::copy_file(plain.shop(), f); });
  }
  Cached(data.station(),
         [&](const std::string& f) { test::GenerateLargeStationDatabase(f, sales); });
  Cached(data.office(),
         [&](const std::string& f) { test::GenerateLargeOfficeDatabase(f, sales / 20); });
  Cached(data.shop(), [&](const std::string& f) { test::GenerateLargeShopDatabase(f, sales / 4); });
  WriteSettings(data.root);
  if (copy_name.empty()) return data;
  // The server must be the only engine opening its files: it gets copies of its own.
  BenchData copy{data.root.string() + "-" + copy_name};
  for (Database d : {Database::kStation, Database::kOffice, Database::kShop})
    Cached(copy.Path(d), [&](const std::string& f) { fs::copy_file(data.Path(d), f); });
  WriteSettings(copy.root);
  return copy;
}

// The raw fetch runs in a child process that knows the server only by its port, so the name
// is built from the port (as the server fixture and the library build it).
struct Connection {
  std::string password;  // empty: embedded
  int port = 0;          // 0: embedded
  std::string Name(const std::string& path) const {
    return port != 0 ? "127.0.0.1/" + std::to_string(port) + ":" + path : path;
  }
};

// The limit: every row of every query fetched, every column decoded and dropped.
struct FetchResult {
  long long rows = 0;
  double seconds = 0;
  double checksum = 0;
};

FetchResult RawFetch(const ExportCase& c, const BenchData& data, const Connection& conn,
                     bool join) {
  FetchResult result;
  const auto start = Clock::now();
  for (const ExportQuery& q : join ? c.join_queries : c.queries) {
    TIBDatabase db;
    db.Params().SetValues("user_name", "SYSDBA");
    db.Params().SetValues("password", conn.password.empty() ? "masterkey" : conn.password);
    db.Params().SetValues("lc_ctype", "WIN1251");
    db.SetDatabaseName(conn.Name(data.Path(q.database)));
    auto* transaction = new TIBTransaction(&db);
    for (const char* option : {"read", "read_committed", "rec_version", "nowait"})
      transaction->Params().Add(option);
    db.SetDefaultTransaction(transaction);
    db.Open();
    TIBDataSet query;
    query.SetDatabase(&db);
    query.SelectSQL().SetText(q.sql);
    for (const QueryParam& p : q.params) {
      if (p.date_time)
        reports::SetDateTimeParam(query, p.name, p.date_value);
      else
        reports::SetIntegerParam(query, p.name, p.int_value);
    }
    query.Open();
    const int fields = query.FieldCount();
    std::string text;
    for (; !query.Eof(); query.Next()) {
      for (int i = 0; i < fields; ++i) {
        TField& field = query.Fields(i);
        if (field.IsNull()) continue;
        switch (field.Kind()) {
          case ValueKind::Text:
            text = field.AsString();
            result.checksum += text.size();
            break;
          case ValueKind::Integer:
            result.checksum += static_cast<double>(field.AsLargeInt());
            break;
          case ValueKind::Boolean: result.checksum += field.AsBoolean(); break;
          default: result.checksum += field.AsFloat(); break;
        }
      }
      ++result.rows;
    }
    query.Close();
  }
  result.seconds = Seconds(start);
  return result;
}

double Isql(const ExportCase& c, const BenchData& data, const Connection& conn,
            const fs::path& work) {
  double seconds = 0;
  for (const ExportQuery& q : c.queries) {
    const fs::path script = work / "isql.sql";
    std::ofstream(script, std::ios::binary) << SqlWithLiterals(q) << ";\n";
    std::vector<std::string> args = {"isql-fb", "-q", "-ch", "WIN1251", "-user", "SYSDBA"};
    if (!conn.password.empty()) args.insert(args.end(), {"-password", conn.password});
    args.insert(args.end(), {conn.Name(data.Path(q.database)), "-i", script.string()});
    const MeasuredRun run = RunMeasured(args, {}, "/dev/null");
    if (run.exit_code != 0) throw std::runtime_error("isql-fb failed on " + c.name);
    seconds += run.seconds;
  }
  return seconds;
}

struct ExportResult {
  MeasuredRun run;
  long long records = 0;
  long long file_size = 0;
};

ExportResult RunExport(const ExportCase& c, const BenchData& data, const Connection& conn,
                       const std::string& library, const fs::path& work) {
  const fs::path file = data.root / "C/MOLT/EXPORT" / c.file;
  fs::remove(file);
  std::vector<std::string> args = {KVR_BENCH_KVRHOST,
                                   "--library",
                                   library,
                                   "--root",
                                   data.root.string(),
                                   "--host-kind",
                                   "3",
                                   "--station",
                                   "АЗС 1",
                                   "--database-dir",
                                   (data.root / "C/MOLT/DB").string()};
  args.insert(args.end(), c.report.begin(), c.report.end());
  std::vector<std::pair<std::string, std::string>> env = {
      {"CORVANE_FB_PORT", std::to_string(conn.port)},
      {"CORVANE_FB_PASSWORD", conn.password.empty() ? "masterkey" : conn.password},
      // The cash receipts of a million sales can keep the server busy longer than the default
      // limit of one call; the watchdog stays on, with room.
      {"KVR_FB_TIMEOUT", "900"}};
  const std::string log = (work / "kvrhost.log").string();
  ExportResult result;
  result.run = RunMeasured(args, env, log);
  if (result.run.exit_code != 0 || !fs::exists(file)) {
    std::ifstream in(log);
    std::stringstream text;
    text << in.rdbuf();
    throw std::runtime_error(c.name + " failed (" + std::to_string(result.run.exit_code) + "):\n" +
                             text.str());
  }
  result.file_size = static_cast<long long>(fs::file_size(file));
  std::ifstream in(file, std::ios::binary);
  unsigned char header[8] = {};
  in.read(reinterpret_cast<char*>(header), sizeof header);
  result.records = header[4] | header[5] << 8 | header[6] << 16 | (long long)header[7] << 24;
  return result;
}

struct Row {
  std::string mode, name;
  int sales = 0;
  long long records = 0, raw_rows = 0, file_size = 0;
  int shift_factor = 1;
  double export_s = 0, raw_s = 0, isql_s = 0, join_s = 0, peak_mb = 0, raw_peak_mb = 0;
  double export_cpu_s = 0, raw_cpu_s = 0;
};

void PrintHeader() {
  std::printf("%-8s %8s %3s %-16s %8s %8s %10s %8s %8s %8s %8s %8s %8s %8s %4s %8s %7s\n", "mode",
              "sales", "shx", "export", "rows", "export s", "rows/s", "peak MB", "file MB", "raw s",
              "isql s", "x raw", "x isql", "cpu xraw", "mem", "join s", "x join");
}

void PrintRow(const Row& r) {
  const double file_mb = r.file_size / 1048576.0;
  const bool memory_ok = r.peak_mb <= 1.15 * file_mb + 64;
  auto ratio = [](double a, double b) { return b > 0 ? a / b : 0.0; };
  std::printf("%-8s %8d %3d %-16s %8lld %8.3f %10.0f %8.1f %8.1f ", r.mode.c_str(), r.sales,
              r.shift_factor, r.name.c_str(), r.records, r.export_s, r.records / r.export_s,
              r.peak_mb, file_mb);
  if (r.raw_s > 0)
    std::printf("%8.3f %8.3f %8.2f %8.2f %8.2f", r.raw_s, r.isql_s, ratio(r.export_s, r.raw_s),
                ratio(r.export_s, r.isql_s), ratio(r.export_cpu_s, r.raw_cpu_s));
  else
    std::printf("%8s %8s %8s %8s %8s", "-", "-", "-", "-", "-");
  std::printf(" %4s", memory_ok ? "ok" : "HIGH");
  if (r.join_s > 0) std::printf(" %8.3f %7.3f", r.join_s, ratio(r.export_s, r.join_s));
  // Every export writes one record per row of its queries.
  if (r.raw_s > 0 && r.raw_rows != r.records) std::printf("  (raw fetch: %lld rows)", r.raw_rows);
  std::printf("\n");
  std::fflush(stdout);
}

void WriteCsv(const std::string& path, const std::vector<Row>& rows) {
  std::ofstream out(path);
  out << "mode,sales,shift_factor,export,records,export_s,rows_per_s,peak_rss_mb,file_mb,raw_rows,"
         "raw_s,"
         "isql_s,raw_peak_rss_mb,export_cpu_s,raw_cpu_s,export_over_raw,export_over_isql,join_s\n";
  for (const Row& r : rows) {
    out << r.mode << ',' << r.sales << ',' << r.shift_factor << ',' << r.name << ',' << r.records
        << ',' << r.export_s << ',' << r.records / r.export_s << ',' << r.peak_mb << ','
        << r.file_size / 1048576.0 << ',' << r.raw_rows << ',' << r.raw_s << ',' << r.isql_s << ','
        << r.raw_peak_mb << ',' << r.export_cpu_s << ',' << r.raw_cpu_s << ','
        << (r.raw_s > 0 ? r.export_s / r.raw_s : 0) << ','
        << (r.isql_s > 0 ? r.export_s / r.isql_s : 0) << ',' << r.join_s << '\n';
  }
}

// The raw fetch runs in a process of its own, like the export, so that both pay for starting
// a process and an engine and for connecting:
//   export_bench --fetch-child ROOT SALES CASE PORT PASSWORD JOIN
int FetchChild(char** argv) {
  const BenchData data{argv[2]};
  const int sales = std::stoi(argv[3]);
  const std::string name = argv[4];
  Connection conn{argv[6], std::stoi(argv[5])};
  for (const ExportCase& c : ExportCases(BenchPeriod{.last_shift = (sales + 249) / 250})) {
    if (c.name != name) continue;
    const FetchResult f = RawFetch(c, data, conn, std::string(argv[7]) == "1");
    std::printf("%lld %.6f %.0f\n", f.rows, f.seconds, f.checksum);
    return 0;
  }
  return 2;
}

struct ChildFetch {
  MeasuredRun run;
  long long rows = 0;
};

ChildFetch RawFetchInChild(const std::string& self, const ExportCase& c, const BenchData& data,
                           int sales, const Connection& conn, const fs::path& work,
                           bool join = false) {
  const std::string out = (work / "fetch.out").string();
  ChildFetch result;
  result.run = RunMeasured({self, "--fetch-child", data.root.string(), std::to_string(sales),
                            c.name, std::to_string(conn.port), conn.password, join ? "1" : "0"},
                           {}, out);
  std::ifstream in(out);
  if (result.run.exit_code != 0 || !(in >> result.rows))
    throw std::runtime_error("raw fetch of " + c.name + " failed");
  return result;
}

// For looking at one export by hand over TCP (a profiler, strace): starts the private server,
// prints its port and password, and stops it when standard input ends.
//   export_bench --serve
int Serve() {
  test::PrepareEmbeddedEngine();
  test::FirebirdServer server;
  std::printf("CORVANE_FB_PORT=%d CORVANE_FB_PASSWORD=%s\n", server.port(),
              server.password().c_str());
  std::fflush(stdout);
  for (int c; (c = std::getchar()) != EOF;) {
  }
  return 0;
}

int Main(int argc, char** argv) {
  if (argc == 8 && std::string(argv[1]) == "--fetch-child") return FetchChild(argv);
  if (argc == 2 && std::string(argv[1]) == "--serve") return Serve();
  const Options options = ParseOptions(argc, argv);
  const std::string self = fs::canonical("/proc/self/exe").string();
  test::PrepareEmbeddedEngine();
  test::TempDir work("export-bench");
  std::vector<Row> rows;
  PrintHeader();
  for (std::size_t size = 0; size < options.sales.size(); ++size) {
    const int sales = options.sales[size];
    const int runs = options.runs[std::min(size, options.runs.size() - 1)];
    const BenchPeriod period{.last_shift = (sales + 249) / 250};
    const std::vector<ExportCase> cases = ExportCases(period);
    for (const int factor : options.shifts) {
      for (const std::string& mode : options.modes) {
        const bool tcp = mode == "tcp";
        if (!tcp && mode != "embedded") throw std::runtime_error("unknown mode " + mode);
        const BenchData data = PrepareData(options.data, sales, factor, tcp ? "tcp" : "");
        std::unique_ptr<test::FirebirdServer> server;
        Connection conn;
        if (tcp) {
          server = std::make_unique<test::FirebirdServer>();
          conn = {server->password(), server->port()};
        }
        for (const ExportCase& c : cases) {
          if (!options.only.empty() && c.name.find(options.only) == std::string::npos) continue;
          std::vector<double> export_s, raw_s, isql_s, export_cpu, raw_cpu;
          Row row{mode, c.name, sales};
          row.shift_factor = factor;
          // A short export gets more runs, so that one hiccup of the machine does not make its
          // median: at least `runs`, then more while they take little time.
          double spent = 0;
          for (int run = 0; run < runs || (spent < kShortCaseSeconds && run < kMostRuns); ++run) {
            const ExportResult e = RunExport(c, data, conn, options.library, work.path());
            export_s.push_back(e.run.seconds);
            export_cpu.push_back(e.run.cpu_seconds);
            spent += e.run.seconds;
            row.records = e.records;
            row.file_size = e.file_size;
            row.peak_mb = std::max(row.peak_mb, e.run.peak_rss_kb / 1024.0);
            if (c.queries.empty() || options.export_only) continue;
            const ChildFetch f = RawFetchInChild(self, c, data, sales, conn, work.path());
            raw_s.push_back(f.run.seconds);
            raw_cpu.push_back(f.run.cpu_seconds);
            row.raw_rows = f.rows;
            row.raw_peak_mb = std::max(row.raw_peak_mb, f.run.peak_rss_kb / 1024.0);
            isql_s.push_back(Isql(c, data, conn, work.path()));
            spent += raw_s.back() + isql_s.back();
          }
          // The join once: at these sizes it takes long, and it varies little.
          if (!c.join_queries.empty() && !options.export_only)
            row.join_s = RawFetchInChild(self, c, data, sales, conn, work.path(), true).run.seconds;
          row.export_s = Median(export_s);
          row.export_cpu_s = Median(export_cpu);
          if (!raw_s.empty()) {
            row.raw_cpu_s = Median(raw_cpu);
            row.raw_s = Median(raw_s);
            row.isql_s = Median(isql_s);
          }
          if (!options.keep_files.empty()) {
            const fs::path keep =
                fs::path(options.keep_files) / (mode + "-" + std::to_string(sales));
            fs::create_directories(keep);
            fs::copy_file(data.root / "C/MOLT/EXPORT" / c.file, keep / c.file,
                          fs::copy_options::overwrite_existing);
          }
          PrintRow(row);
          rows.push_back(row);
          WriteCsv(options.csv, rows);
        }
      }
    }
  }
  std::printf("CSV written to %s\n", options.csv.c_str());
  return 0;
}

}  // namespace
}  // namespace kvr::bench

int main(int argc, char** argv) {
  try {
    return kvr::bench::Main(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "export_bench: %s\n", e.what());
    return 1;
  }
}
