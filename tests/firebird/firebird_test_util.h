// Shared set-up of the Firebird component tests: connections with the library's fixed
// parameters and a read-only default transaction.
#pragma once

#include <memory>
#include <string>

#include "firebird/ib_database.h"
#include "firebird/ib_dataset.h"
#include "firebird/ib_transaction.h"

namespace kvr::test {

// A database object (not connected) for `name` with user SYSDBA, the password, WIN1251 and a
// read-only read-committed default transaction that the database owns.
inline std::unique_ptr<TIBDatabase> MakeDatabase(const std::string& name,
                                                 const std::string& password = "masterkey") {
  auto db = std::make_unique<TIBDatabase>();
  db->Params().SetValues("user_name", "SYSDBA");
  db->Params().SetValues("password", password);
  db->Params().SetValues("lc_ctype", "WIN1251");
  db->SetDatabaseName(name);
  db->SetLoginPrompt(false);
  auto* transaction = new TIBTransaction(db.get());
  transaction->SetName("DefTran_RO");
  for (const char* option : {"read", "read_committed", "rec_version", "nowait"})
    transaction->Params().Add(option);
  db->SetDefaultTransaction(transaction);
  return db;
}

inline std::unique_ptr<TIBDataSet> MakeQuery(TIBDatabase& db, const std::string& sql) {
  auto query = std::make_unique<TIBDataSet>();
  query->SetDatabase(&db);
  query->SelectSQL().SetText(sql);
  return query;
}

}  // namespace kvr::test
