#include "firebird/ib_database.h"

#include <algorithm>
#include <charconv>

#include "codepage/code_page.h"
#include "common/exceptions.h"
#include "firebird/bounded_attach.h"
#include "firebird/call_watchdog.h"
#include "firebird/fb_api.h"
#include "firebird/ib_transaction.h"

namespace kvr {
namespace {

using firebird::Ref;
using firebird::Status;

// Database parameter names and their DPB tags (0: a parameter of this side, not sent).
struct DpbName {
  const char* name;
  unsigned char tag;
  bool numeric;
};
constexpr DpbName kDpbNames[] = {
    {"user_name", isc_dpb_user_name, false},
    {"password", isc_dpb_password, false},
    {"lc_ctype", isc_dpb_lc_ctype, false},
    {"sql_role_name", isc_dpb_sql_role_name, false},
    {"connect_timeout", isc_dpb_connect_timeout, true},
    {"read_timeout", 0, true},
};
constexpr const char* kReadTimeout = "read_timeout";
constexpr const char* kConnectTimeout = "connect_timeout";

// Adds one "name=value" line; returns the number of a numeric parameter (else 0).
int AddParameter(Status& status, Firebird::IXpbBuilder* dpb, std::string_view line) {
  const std::size_t eq = line.find('=');
  const std::string_view name = line.substr(0, eq);
  const std::string value(eq == std::string_view::npos ? std::string_view() : line.substr(eq + 1));
  for (const DpbName& known : kDpbNames) {
    if (!codepage::AnsiSameText(name, known.name)) continue;
    int number = 0;
    if (known.numeric) {
      auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), number);
      if (ec != std::errc() || end != value.data() + value.size() || number < 0)
        throw EIBClientError("Invalid value of database parameter \"" + std::string(name) + "\"");
      if (known.tag != 0) dpb->insertInt(status.get(), known.tag, number);
    } else {
      dpb->insertString(status.get(), known.tag, value.c_str());
    }
    status.Check();
    return number;
  }
  throw EIBClientError("Unknown database parameter \"" + std::string(name) + "\"");
}

// "host:path", "host/port:path": the client goes through a server. A plain path opens the
// file with the embedded engine, which has no connection that could stall once attached (the
// attach itself can wait for other processes' locks: firebird/bounded_attach.h).
bool ThroughServer(std::string_view database_name) {
  return database_name.find(':') != std::string_view::npos;
}

}  // namespace

TIBDatabase::TIBDatabase(TComponent* owner) : TComponent(owner) {}

TIBDatabase::~TIBDatabase() {
  if (Connected()) {
    try {
      Close();
    } catch (...) {
      // Destruction cannot report a failed detach; the connection is released either way.
    }
  }
  // Users outliving this object must not reach it any more.
  std::vector<IBConnectionUser*> users;
  users.swap(users_);
  for (IBConnectionUser* user : users) user->DatabaseDestroyed();
  default_transaction_ = nullptr;
}

void TIBDatabase::SetDefaultTransaction(TIBTransaction* transaction) {
  default_transaction_ = transaction;
  if (transaction != nullptr && transaction->DefaultDatabase() == nullptr)
    transaction->SetDefaultDatabase(this);
}

void TIBDatabase::Open() {
  if (Connected()) return;
  if (database_name_.empty()) throw EIBClientError("Database name is missing");
  Status status;
  Ref<Firebird::IXpbBuilder> dpb(
      firebird::Util()->getXpbBuilder(status.get(), Firebird::IXpbBuilder::DPB, nullptr, 0));
  status.Check();
  int read_timeout = 0;
  int connect_timeout = 0;
  for (const std::string& line : params_) {
    if (line.empty()) continue;
    const int number = AddParameter(status, dpb.get(), line);
    const std::string_view name = std::string_view(line).substr(0, line.find('='));
    if (codepage::AnsiSameText(name, kReadTimeout)) read_timeout = number;
    if (codepage::AnsiSameText(name, kConnectTimeout)) connect_timeout = number;
  }
  const unsigned length = dpb->getBufferLength(status.get());
  status.Check();
  const unsigned char* buffer = dpb->getBuffer(status.get());
  status.Check();
  const bool through_server = ThroughServer(database_name_);
  Firebird::IAttachment* attachment = nullptr;
  if (!through_server && connect_timeout > 0) {
    // The client bounds a connect to a server by itself; the embedded engine it does not.
    attachment = firebird::AttachWithin(database_name_, buffer, length,
                                        std::chrono::seconds(connect_timeout));
  } else {
    Ref<Firebird::IProvider> provider(firebird::Master()->getDispatcher());
    attachment = provider->attachDatabase(status.get(), database_name_.c_str(), length, buffer);
    if (status.Failed()) {
      if (attachment != nullptr) attachment->release();
      status.Check();
    }
  }
  if (read_timeout > 0 && through_server) {
    try {
      watchdog_ =
          std::make_unique<firebird::CallWatchdog>(attachment, std::chrono::seconds(read_timeout));
    } catch (...) {
      Status detach_status;
      attachment->detach(detach_status.get());
      if (detach_status.Failed()) attachment->release();
      throw;
    }
  }
  attachment_ = attachment;
}

void TIBDatabase::Close() {
  if (!Connected()) return;
  CloseUsers();
  Firebird::IAttachment* attachment = std::exchange(attachment_, nullptr);
  Status status;
  {
    firebird::ServerCall call(watchdog_.get());
    attachment->detach(status.get());
  }
  watchdog_.reset();
  if (status.Failed()) {
    attachment->release();  // a broken connection cannot detach; drop the client object
    status.Check();
  }
}

void TIBDatabase::AddUser(IBConnectionUser& user) {
  if (std::find(users_.begin(), users_.end(), &user) == users_.end()) users_.push_back(&user);
}

void TIBDatabase::RemoveUser(IBConnectionUser& user) { std::erase(users_, &user); }

void TIBDatabase::CloseUsers() noexcept {
  // Newest first. Either order is safe: a transaction closes its datasets' cursors before it
  // ends, and a dataset frees its statement when told the connection closes.
  std::vector<IBConnectionUser*> users = users_;
  for (auto it = users.rbegin(); it != users.rend(); ++it) (*it)->ConnectionClosing();
}

}  // namespace kvr
