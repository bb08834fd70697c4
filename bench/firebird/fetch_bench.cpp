// Rows per second fetched by a query dataset from a generated LOGTRAN, embedded and through
// a private server over loopback TCP, next to isql-fb running the same SELECT with its output
// discarded, in the same run.
//
//   firebird_fetch_bench [ROWS]        (default 1000000)
//
// Each dataset pass reads every column of every row through the typed field accessors (the
// way the dataset copy reads them). Database generation is not timed.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "firebird/ib_database.h"
#include "firebird/ib_dataset.h"
#include "firebird/ib_transaction.h"
#include "support/child_process.h"
#include "support/firebird_fixture.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr const char* kSelect = "SELECT * FROM LOGTRAN";

double Seconds(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

struct Pass {
  long long rows = 0;
  double seconds = 0;
  double checksum = 0;  // keeps the decoding from being optimised away
};

Pass FetchWithDataSet(const std::string& name, const std::string& password) {
  kvr::TIBDatabase db;
  db.Params().SetValues("user_name", "SYSDBA");
  db.Params().SetValues("password", password);
  db.Params().SetValues("lc_ctype", "WIN1251");
  db.SetDatabaseName(name);
  auto* transaction = new kvr::TIBTransaction(&db);
  for (const char* option : {"read", "read_committed", "rec_version", "nowait"})
    transaction->Params().Add(option);
  db.SetDefaultTransaction(transaction);
  db.Open();
  kvr::TIBDataSet query;
  query.SetDatabase(&db);
  query.SelectSQL().SetText(kSelect);
  Pass pass;
  const auto start = Clock::now();
  query.Open();
  const int fields = query.FieldCount();
  std::string text;
  while (!query.Eof()) {
    for (int i = 0; i < fields; ++i) {
      kvr::TField& field = query.Fields(i);
      if (field.IsNull()) continue;
      switch (field.Kind()) {
        case kvr::ValueKind::Text:
          text = field.AsString();
          pass.checksum += text.size();
          break;
        case kvr::ValueKind::Integer:
          pass.checksum += static_cast<double>(field.AsLargeInt());
          break;
        case kvr::ValueKind::Boolean: pass.checksum += field.AsBoolean(); break;
        default: pass.checksum += field.AsFloat(); break;
      }
    }
    ++pass.rows;
    query.Next();
  }
  query.Close();
  pass.seconds = Seconds(start);
  return pass;
}

double FetchWithIsql(const std::string& name, const std::string& password,
                     const std::string& script) {
  kvr::test::ProcessOptions options;
  options.args = {"isql-fb", "-q", "-ch", "WIN1251", "-user", "SYSDBA"};
  if (!password.empty()) options.args.insert(options.args.end(), {"-password", password});
  options.args.insert(options.args.end(), {name, "-i", script});
  options.output_file = "/dev/null";
  const auto start = Clock::now();
  kvr::test::ChildProcess isql(options);
  const auto code = isql.WaitFor(std::chrono::hours(1));
  const double seconds = Seconds(start);
  if (code != 0) std::fprintf(stderr, "isql-fb ended with %d\n", code.value_or(-1));
  return seconds;
}

void Report(const char* mode, const Pass& pass, double isql_seconds) {
  const double rate = pass.rows / pass.seconds;
  const double isql_rate = pass.rows / isql_seconds;
  std::printf(
      "%-9s %9lld rows  dataset %7.3f s %10.0f rows/s   isql-fb %7.3f s %10.0f rows/s   "
      "ratio %.2f\n",
      mode, pass.rows, pass.seconds, rate, isql_seconds, isql_rate, rate / isql_rate);
}

}  // namespace

int main(int argc, char** argv) {
  const int rows = argc > 1 ? std::atoi(argv[1]) : 1'000'000;
  try {
    kvr::test::TempDir dir("fetch-bench");
    const std::string embedded = dir.File("EMBEDDED.FDB");
    const std::string served = dir.File("SERVED.FDB");
    auto start = Clock::now();
    kvr::test::GenerateLargeStationDatabase(embedded, rows);
    std::printf("generated %d sales in %.1f s\n", rows, Seconds(start));
    // The server must be the only engine opening its file.
    std::filesystem::copy_file(embedded, served);
    const std::string script = dir.File("select.sql");
    FILE* f = std::fopen(script.c_str(), "w");
    std::fprintf(f, "%s;\n", kSelect);
    std::fclose(f);

    const Pass embedded_pass = FetchWithDataSet(embedded, "");
    Report("embedded", embedded_pass, FetchWithIsql(embedded, "", script));

    kvr::test::FirebirdServer server;
    const std::string name = server.DatabaseName(served);
    const Pass tcp_pass = FetchWithDataSet(name, server.password());
    Report("tcp", tcp_pass, FetchWithIsql(name, server.password(), script));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "benchmark failed: %s\n", e.what());
    return 1;
  }
  return 0;
}
