// TIBTransaction: a transaction on one database (DefaultDatabase). Params are the transaction
// options, one per line: read, write, read_committed, rec_version, no_rec_version,
// concurrency, consistency, wait, nowait. Datasets start it when they open and it is not
// active; it ends with Commit/Rollback, or when its database closes (a read-only transaction
// is committed then, any other rolled back).
#pragma once

#include <vector>

#include "firebird/component.h"
#include "firebird/ib_database.h"
#include "firebird/ib_strings.h"

namespace Firebird {
class ITransaction;
}

namespace kvr {

// Something that holds cursors of a transaction and must close them before it ends.
class IBTransactionUser {
 public:
  virtual void TransactionEnding() noexcept = 0;
  virtual void TransactionDestroyed() noexcept = 0;

 protected:
  ~IBTransactionUser() = default;
};

class TIBTransaction : public TComponent, private IBConnectionUser {
 public:
  explicit TIBTransaction(TComponent* owner = nullptr);
  ~TIBTransaction() override;

  TIBDatabase* DefaultDatabase() const { return database_; }
  void SetDefaultDatabase(TIBDatabase* database);
  IBStrings& Params() { return params_; }

  bool InTransaction() const { return transaction_ != nullptr; }
  bool Active() const { return InTransaction(); }
  // Raises EIBClientError when there is no connected database or an option is unknown.
  void StartTransaction();
  void Commit();
  void Rollback();

  Firebird::ITransaction* Handle() const { return transaction_; }
  void AddUser(IBTransactionUser& user);
  void RemoveUser(IBTransactionUser& user);

 private:
  void ConnectionClosing() noexcept override;
  void DatabaseDestroyed() noexcept override;
  void EndUsers() noexcept;
  // Commits or rolls back; the client object is gone afterwards even when that fails.
  void End(bool commit);
  bool ReadOnly() const;

  TIBDatabase* database_ = nullptr;
  IBStrings params_;
  Firebird::ITransaction* transaction_ = nullptr;
  std::vector<IBTransactionUser*> users_;
};

}  // namespace kvr
