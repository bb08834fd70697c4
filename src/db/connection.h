// Connection: one connected database of an export call, made the one way the library makes
// them (the export creator's station database, the sale log's shop database, the office
// database of the discount cards). The password and port come from the helper library
// (GetFBPassword, GetFBPort, asked on every connection), the name from DatabaseConnectName,
// the connect through ConnectDatabase; the object is disconnected and freed when it goes, also
// after a failure, a failed disconnect changing nothing.
//
// Every connection bounds its waits for a server (connect_timeout and read_timeout, see
// firebird/ib_database.h) by KVR_FB_TIMEOUT seconds (default 60; 0: no limit), so that a
// stalled server ends the export with the client's own network error instead of hanging it.
//
//   db::Connection station({.file = path});
//   RunQueries(station.Database());
#pragma once

#include <memory>
#include <string_view>

#include "db/database_names.h"
#include "platform/wait_limits.h"

namespace kvr {
class TIBDatabase;
}

namespace kvr::db {

inline constexpr platform::WaitLimitSetting kServerTimeout{"KVR_FB_TIMEOUT", 60};

// KVR_FB_TIMEOUT, read on every call. Raises Exception "Invalid value of KVR_FB_TIMEOUT:
// "<text>"" for a value that is not a whole number of seconds from 0 to 86400.
int ServerTimeoutSeconds();

struct ConnectionOptions {
  std::string_view file;  // the system's path of the database file ("C:\MOLT\...")
  std::string_view user = kDatabaseUser;
  std::string_view host = kDatabaseHost;  // the server's address when the helper names a port
  std::string_view char_set = kDatabaseCharSet;
  bool with_default_transaction = true;  // "DefTran_RO", owned by the database
};

class Connection {
 public:
  // Connected on return; raises the helper's or Firebird's error otherwise (nothing is left).
  explicit Connection(const ConnectionOptions& options);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  TIBDatabase& Database() const { return *database_; }

 private:
  std::unique_ptr<TIBDatabase> database_;
};

}  // namespace kvr::db
