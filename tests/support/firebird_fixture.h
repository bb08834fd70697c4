// Real Firebird databases for tests and benchmarks.
//
//  - Databases are built with isql-fb from the UTF-8 scripts in tests/sql (converted to
//    Windows-1251 first; every database has the default character set WIN1251), in a directory
//    the caller owns (usually a TempDir).
//  - The embedded engine is the default. As it needs a writable lock directory, the first call
//    of any function here sets FIREBIRD_LOCK (when unset) to <tmp>/kvr-firebird-lock-<uid>,
//    shared by every test process of the user so that they coordinate file access; child
//    processes inherit it.
//  - FirebirdServer starts a private Firebird server (Debian's /usr/sbin/firebird) on a free
//    loopback port with its own configuration directory, security database and SYSDBA user,
//    and stops it when destroyed, also when the test fails or crashes.
//
// Typical use:
//   kvr::test::TempDir dir;
//   std::string station = kvr::test::CreateStationDatabase(dir.path(), StationVariant::kFull);
//   kvr::test::FirebirdServer server;               // only where TCP is the point
//   db.SetDatabaseName(server.DatabaseName(path));   // "127.0.0.1/<port>:<path>"
#pragma once

#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "support/child_process.h"
#include "support/temp_dir.h"

namespace kvr::test {

// Sets FIREBIRD_LOCK for this process when it is not set yet (see above). Idempotent.
void PrepareEmbeddedEngine();

// tests/sql/<name>, read as text.
std::string ReadSqlScript(std::string_view name);

// Creates the database file `path` (WIN1251, page size 8192, forced writes off: test data
// need not survive a power cut, and synchronous writes make every DDL commit wait for the
// disk) and runs the named scripts of
// tests/sql in order. Each `replacements` pair replaces a placeholder in the scripts' text.
// Throws std::runtime_error with isql-fb's output when a statement fails.
void CreateDatabaseFromScripts(
    const std::string& path, std::initializer_list<std::string_view> scripts,
    const std::vector<std::pair<std::string, std::string>>& replacements = {});

// Runs UTF-8 SQL text on an existing database (embedded, or "host/port:path" with password).
void RunSql(const std::string& database, std::string_view utf8_sql,
            const std::string& password = "");

enum class StationVariant {
  kFull,     // every optional column (LOGTRAN.SILONUM ..., BCHECK.CLIENT ..., SMTRK.TRK2BEG ...,
             // PRX.CONTR_ID ...) and the counterparty catalogue
  kMinimal,  // the same tables and rows without the optional columns and the catalogue
};

// <dir>/GARVEN.FDB with the test station data; returns its path.
std::string CreateStationDatabase(const std::string& dir, StationVariant variant);
// <dir>/OFFICE.FDB with the discount cards; returns its path.
std::string CreateOfficeDatabase(const std::string& dir);
// The shop database of a shop directory: <dir>/<last component of dir>.FDB; returns its path.
std::string CreateShopDatabase(const std::string& dir);
// <path> with the full station schema and `sales` generated sales, their shifts, receipts and
// discounts (tests/sql/station_large.sql); about 13 s per million sales.
void GenerateLargeStationDatabase(const std::string& path, int sales);
// <path> with the office data and `cards` more generated discount cards (office_large.sql).
void GenerateLargeOfficeDatabase(const std::string& path, int cards);
// <path> with the shop data and `documents` more generated goods sales (shop_large.sql).
void GenerateLargeShopDatabase(const std::string& path, int documents);

class FirebirdServer {
 public:
  // Starts the server; throws std::runtime_error when it does not listen within 10 s.
  FirebirdServer();
  ~FirebirdServer();
  FirebirdServer(const FirebirdServer&) = delete;
  FirebirdServer& operator=(const FirebirdServer&) = delete;

  int port() const { return port_; }
  // The SYSDBA password of this server.
  const std::string& password() const { return password_; }
  // "127.0.0.1/<port>:<path>".
  std::string DatabaseName(const std::string& path) const;
  // Stops the server now, letting it shut down (up to 5 s).
  void Stop();
  // Ends the server at once, as a crash would (for tests of a server that went away).
  void Kill();
  // Stops the server's process (SIGSTOP) and lets it go on (SIGCONT): a stalled server keeps
  // its connections open (the kernel still acknowledges them) but answers nothing.
  void Pause();
  void Resume();

 private:
  TempDir dir_;
  std::string password_;
  int port_ = 0;
  std::unique_ptr<ChildProcess> process_;
};

}  // namespace kvr::test
