// How the export library reaches its Firebird databases: database objects with the library's
// fixed parameters, connecting and disconnecting, the default read transaction and read
// datasets. Each operation prefers the helper library's function (helper_binding.h) and falls
// back to local behaviour, or to the error
//   Функция "<name>" в библиотеке "Corvane.dll" не найдена!
// raised as a plain Exception, when the helper lacks it.
//
// Ownership: what these functions create belongs to the caller (the ComponentPtr frees it)
// unless an owner component is given, which then frees it; a database owns its default
// transaction.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "db/database_names.h"
#include "firebird/component.h"
#include "firebird/ib_database.h"
#include "firebird/ib_dataset.h"
#include "firebird/ib_transaction.h"

namespace kvr::db {

// The connection's database name: the file alone when port is 0, else "%s/%d:%s" from host,
// port and file. The file is first mapped to this machine (platform MapPath), so the
// system's "C:\MOLT\..." paths reach the files under KVR_ROOT.
std::string DatabaseConnectName(std::string_view file_name, std::int32_t port,
                                std::string_view host);

// A database object with user_name, password and lc_ctype set, the login prompt off, the
// default transaction "DefTran_RO" (when asked) and connected (when asked). A failing step
// frees the object before the error goes on.
ComponentPtr<TIBDatabase> CreateDatabase(std::string_view file_name, std::string_view password,
                                         std::int32_t port, bool with_default_transaction,
                                         TComponent* owner, std::string_view user,
                                         std::string_view host, bool connect,
                                         std::string_view component_name,
                                         std::string_view char_set);

// Through FBConnectDB / FBDisconnectDB, else under the connect mutex (waited for at most
// KVR_FB_TIMEOUT seconds: past it Exception "The connect lock "<name>" was not free within <n>
// s: another process holds it (pid <pid>)"; a failed wait raises the system's error as
// EOSError), else directly. Disconnecting a database that is not connected does nothing.
void ConnectDatabase(TIBDatabase& database);
void DisconnectDatabase(TIBDatabase& database);

// Through FBCreateTransaction only.
ComponentPtr<TIBTransaction> CreateTransaction(TIBDatabase& database, bool flag,
                                               std::string_view name, TComponent* owner);

// Through FBCreateDataSetForRead2, else FBCreateDataSetForRead (then this layer sets the
// name). `third` is the transaction to run in (null: the database's default transaction).
ComponentPtr<TIBDataSet> CreateReadDataSet(TIBDatabase& database, bool flag, TIBTransaction* third,
                                           TComponent* owner, std::string_view name);

// GetFBPassword / GetFBPort of the helper, asked on every call.
std::string GetDBPassword();
std::int32_t GetDBPort();

}  // namespace kvr::db
