// TIBDatabase: a connection to a Firebird database.
//   Params        "name=value" lines: user_name, password, lc_ctype, sql_role_name,
//                 connect_timeout (seconds to reach the server and log in, or for the
//                 embedded engine to open the file; 0 or unset: no limit), read_timeout
//                 (seconds any later call may wait for a server; 0 or unset: no limit);
//                 any other name is refused when connecting.
//   DatabaseName  a file path (opened by the embedded engine, no server needed) or
//                 "host/port:path" (through that server over TCP).
//   LoginPrompt   kept for callers that set it; no prompt is ever shown.
//   DefaultTransaction  the transaction datasets use when they are given none.
// Closing (or destroying) the database first closes the datasets and ends the transactions
// that use it; they stay usable and reconnect with it.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "firebird/component.h"
#include "firebird/ib_strings.h"

namespace Firebird {
class IAttachment;
}

namespace kvr {
namespace firebird {
class CallWatchdog;
}

class TIBTransaction;

// Something that holds client objects of a connection (a transaction, a dataset) and must
// let them go before the connection closes or its object is destroyed.
class IBConnectionUser {
 public:
  // Close cursors, end transactions; must not throw.
  virtual void ConnectionClosing() noexcept = 0;
  // The database object is being destroyed: forget it.
  virtual void DatabaseDestroyed() noexcept = 0;

 protected:
  ~IBConnectionUser() = default;
};

class TIBDatabase : public TComponent {
 public:
  explicit TIBDatabase(TComponent* owner = nullptr);
  ~TIBDatabase() override;

  IBStrings& Params() { return params_; }
  const IBStrings& Params() const { return params_; }
  const std::string& DatabaseName() const { return database_name_; }
  void SetDatabaseName(std::string_view name) { database_name_ = name; }
  bool LoginPrompt() const { return login_prompt_; }
  void SetLoginPrompt(bool prompt) { login_prompt_ = prompt; }
  TIBTransaction* DefaultTransaction() const { return default_transaction_; }
  // Also makes this database the transaction's default database when it has none.
  void SetDefaultTransaction(TIBTransaction* transaction);

  bool Connected() const { return attachment_ != nullptr; }
  void SetConnected(bool connected) { connected ? Open() : Close(); }
  // Raises EIBClientError "Database name is missing" / "Unknown database parameter "<name>""
  // or EIBInterBaseError with the server's message.
  void Open();
  // Closes the users' objects, then detaches. The connection is gone afterwards even when
  // detaching reports an error (which is then raised).
  void Close();

  // The client's attachment while connected (for the components of this folder).
  Firebird::IAttachment* Handle() const { return attachment_; }
  // What bounds this connection's calls to a server (firebird/call_watchdog.h); null for the
  // embedded engine or without read_timeout.
  firebird::CallWatchdog* Watchdog() const { return watchdog_.get(); }
  void AddUser(IBConnectionUser& user);
  void RemoveUser(IBConnectionUser& user);

 private:
  void CloseUsers() noexcept;

  IBStrings params_;
  std::string database_name_;
  bool login_prompt_ = true;
  TIBTransaction* default_transaction_ = nullptr;
  Firebird::IAttachment* attachment_ = nullptr;
  std::unique_ptr<firebird::CallWatchdog> watchdog_;
  std::vector<IBConnectionUser*> users_;  // datasets and transactions, in registration order
};

}  // namespace kvr
