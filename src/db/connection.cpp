#include "db/connection.h"

#include <charconv>
#include <string>

#include "common/exceptions.h"
#include "db/database_access.h"
#include "firebird/ib_database.h"
#include "platform/environment.h"

namespace kvr::db {

int ServerTimeoutSeconds() {
  const std::string text = platform::GetEnvironmentVariable(kTimeoutVariable).value_or("");
  if (text.empty()) return kDefaultTimeoutSeconds;
  int seconds = -1;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), seconds);
  if (ec != std::errc() || end != text.data() + text.size() || seconds < 0 ||
      seconds > kMaxTimeoutSeconds)
    throw Exception("Invalid value of " + std::string(kTimeoutVariable) + ": \"" + text + "\"");
  return seconds;
}

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
