#include "reports/export_connections.h"

#include "db/database_access.h"

namespace kvr::reports {

ComponentPtr<TIBDataSet> NewReadDataSet(TIBDatabase& database) {
  return db::CreateReadDataSet(database, true, nullptr, nullptr, "");
}

SecondConnection::SecondConnection(std::string_view file_name) {
  const std::string password = db::GetDBPassword();
  const std::int32_t port = db::GetDBPort();
  database_ = db::CreateDatabase(file_name, password, port, true, nullptr, db::kDatabaseUser,
                                 db::kDatabaseHost, false, "", db::kDatabaseCharSet);
  db::ConnectDatabase(*database_);
}

SecondConnection::~SecondConnection() {
  try {
    db::DisconnectDatabase(*database_);
  } catch (...) {
    // The object is freed below in any case; the export's own error, if any, is what counts.
  }
}

void SetDateTimeParam(TIBDataSet& query, std::string_view name, double value) {
  query.ParamByName(name).SetAsDateTime(value);
}

void SetIntegerParam(TIBDataSet& query, std::string_view name, int value) {
  query.ParamByName(name).SetAsInteger(value);
}

}  // namespace kvr::reports
