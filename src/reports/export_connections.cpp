#include "reports/export_connections.h"

#include "db/database_access.h"

namespace kvr::reports {

ComponentPtr<TIBDataSet> NewReadDataSet(TIBDatabase& database) {
  return db::CreateReadDataSet(database, true, nullptr, nullptr, "");
}

void SetDateTimeParam(TIBDataSet& query, std::string_view name, double value) {
  query.ParamByName(name).SetAsDateTime(value);
}

void SetIntegerParam(TIBDataSet& query, std::string_view name, int value) {
  query.ParamByName(name).SetAsInteger(value);
}

}  // namespace kvr::reports
