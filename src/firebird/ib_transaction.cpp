#include "firebird/ib_transaction.h"

#include <algorithm>

#include "codepage/code_page.h"
#include "common/exceptions.h"
#include "firebird/call_watchdog.h"
#include "firebird/fb_api.h"

namespace kvr {
namespace {

using firebird::Ref;
using firebird::Status;

struct TpbName {
  const char* name;
  unsigned char tag;
};
constexpr TpbName kTpbNames[] = {
    {"read", isc_tpb_read},
    {"write", isc_tpb_write},
    {"read_committed", isc_tpb_read_committed},
    {"rec_version", isc_tpb_rec_version},
    {"no_rec_version", isc_tpb_no_rec_version},
    {"concurrency", isc_tpb_concurrency},
    {"consistency", isc_tpb_consistency},
    {"wait", isc_tpb_wait},
    {"nowait", isc_tpb_nowait},
};

}  // namespace

TIBTransaction::TIBTransaction(TComponent* owner) : TComponent(owner) {}

TIBTransaction::~TIBTransaction() {
  if (InTransaction()) {
    try {
      End(ReadOnly());
    } catch (...) {
      // The client object is released either way.
    }
  }
  std::vector<IBTransactionUser*> users;
  users.swap(users_);
  for (IBTransactionUser* user : users) user->TransactionDestroyed();
  if (database_ != nullptr) {
    if (database_->DefaultTransaction() == this) database_->SetDefaultTransaction(nullptr);
    database_->RemoveUser(*this);
  }
}

void TIBTransaction::SetDefaultDatabase(TIBDatabase* database) {
  if (database == database_) return;
  if (InTransaction()) throw EIBClientError("Cannot change the database of an active transaction");
  if (database_ != nullptr) database_->RemoveUser(*this);
  database_ = database;
  if (database_ != nullptr) database_->AddUser(*this);
}

bool TIBTransaction::ReadOnly() const {
  for (const std::string& line : params_)
    if (codepage::AnsiSameText(line, "read")) return true;
  return false;
}

void TIBTransaction::StartTransaction() {
  if (InTransaction()) throw EIBClientError("Transaction is active");
  if (database_ == nullptr) throw EIBClientError("Database not assigned");
  if (!database_->Connected()) throw EIBClientError("Database not connected");
  Status status;
  Ref<Firebird::IXpbBuilder> tpb(
      firebird::Util()->getXpbBuilder(status.get(), Firebird::IXpbBuilder::TPB, nullptr, 0));
  status.Check();
  for (const std::string& line : params_) {
    if (line.empty()) continue;
    const TpbName* found = nullptr;
    for (const TpbName& known : kTpbNames)
      if (codepage::AnsiSameText(line, known.name)) found = &known;
    if (found == nullptr) throw EIBClientError("Unknown transaction parameter \"" + line + "\"");
    tpb->insertTag(status.get(), found->tag);
    status.Check();
  }
  const unsigned length = tpb->getBufferLength(status.get());
  status.Check();
  const unsigned char* buffer = tpb->getBuffer(status.get());
  status.Check();
  Firebird::ITransaction* transaction;
  {
    firebird::ServerCall call(database_->Watchdog());
    transaction = database_->Handle()->startTransaction(status.get(), length, buffer);
  }
  if (status.Failed()) {
    if (transaction != nullptr) transaction->release();
    status.Check();
  }
  transaction_ = transaction;
}

void TIBTransaction::Commit() { End(true); }

void TIBTransaction::Rollback() { End(false); }

void TIBTransaction::End(bool commit) {
  if (!InTransaction()) throw EIBClientError("Transaction is not active");
  EndUsers();
  Firebird::ITransaction* transaction = std::exchange(transaction_, nullptr);
  Status status;
  {
    firebird::ServerCall call(database_ != nullptr ? database_->Watchdog() : nullptr);
    if (commit)
      transaction->commit(status.get());
    else
      transaction->rollback(status.get());
  }
  if (status.Failed()) {
    transaction->release();
    status.Check();
  }
}

void TIBTransaction::AddUser(IBTransactionUser& user) {
  if (std::find(users_.begin(), users_.end(), &user) == users_.end()) users_.push_back(&user);
}

void TIBTransaction::RemoveUser(IBTransactionUser& user) { std::erase(users_, &user); }

void TIBTransaction::EndUsers() noexcept {
  std::vector<IBTransactionUser*> users = users_;
  for (IBTransactionUser* user : users) user->TransactionEnding();
}

void TIBTransaction::ConnectionClosing() noexcept {
  if (!InTransaction()) return;
  try {
    End(ReadOnly());
  } catch (...) {
    // The connection is going; its transaction ends with it.
  }
}

void TIBTransaction::DatabaseDestroyed() noexcept {
  // The database closed (and so ended this transaction) before it went.
  database_ = nullptr;
}

}  // namespace kvr
