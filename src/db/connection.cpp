#include "db/connection.h"

#include <string>

#include "common/exceptions.h"
#include "db/database_access.h"
#include "firebird/ib_database.h"

namespace kvr::db {

int ServerTimeoutSeconds() { return platform::WaitLimitSeconds(kServerTimeout); }

Connection::Connection(const ConnectionOptions& options) {
  const int timeout = ServerTimeoutSeconds();
  const std::string password = GetDBPassword();
  const std::int32_t port = GetDBPort();
  ComponentPtr<TIBDatabase> database =
      CreateDatabase(options.file, password, port, options.with_default_transaction, nullptr,
                     options.user, options.host, false, "", options.char_set);
  if (timeout > 0) {
    database->Params().SetValues("connect_timeout", std::to_string(timeout));
    database->Params().SetValues("read_timeout", std::to_string(timeout));
  }
  ConnectDatabase(*database);  // a failure frees the database with the pointer
  database_.reset(database.release());
}

Connection::~Connection() {
  try {
    DisconnectDatabase(*database_);
  } catch (...) {
    // The object is freed below in any case; the export's own error, if any, is what counts.
  }
}

}  // namespace kvr::db
