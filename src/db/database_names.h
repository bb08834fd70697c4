// The fixed values of the library's database connections.
#pragma once

namespace kvr::db {

constexpr const char* kDatabaseUser = "SYSDBA";
constexpr const char* kDatabaseHost = "127.0.0.1";
constexpr const char* kDatabaseCharSet = "WIN1251";
constexpr const char* kDefaultTransactionName = "DefTran_RO";

}  // namespace kvr::db
