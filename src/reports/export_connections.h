// Database objects the exports create: read datasets on a connection, and the second
// connections of the sale log (shop database) and the discount card list (office database).
#pragma once

#include <string_view>

#include "firebird/component.h"
#include "firebird/ib_database.h"
#include "firebird/ib_dataset.h"

namespace kvr::reports {

// A read dataset on `database` with the fixed arguments every export uses (no owner, no
// name); freed when the pointer goes.
ComponentPtr<TIBDataSet> NewReadDataSet(TIBDatabase& database);

// A connection to another database file, made the way the export creator makes the station's:
// password and port from the helper library, user "SYSDBA", host "127.0.0.1", "WIN1251".
// Disconnected and freed when the object goes, also after a failure.
class SecondConnection {
 public:
  explicit SecondConnection(std::string_view file_name);
  ~SecondConnection();
  SecondConnection(const SecondConnection&) = delete;
  SecondConnection& operator=(const SecondConnection&) = delete;
  TIBDatabase& Database() { return *database_; }

 private:
  ComponentPtr<TIBDatabase> database_;
};

// Sets a date-time or integer parameter of a query by name.
void SetDateTimeParam(TIBDataSet& query, std::string_view name, double value);
void SetIntegerParam(TIBDataSet& query, std::string_view name, int value);

}  // namespace kvr::reports
