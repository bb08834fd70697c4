// Database objects the exports create: read datasets on a connection. The second connections
// of the sale log (shop database) and the discount card list (office database) are
// db::Connection, made as the export creator makes the station's.
#pragma once

#include <string_view>

#include "db/connection.h"
#include "firebird/component.h"
#include "firebird/ib_database.h"
#include "firebird/ib_dataset.h"

namespace kvr::reports {

// A read dataset on `database` with the fixed arguments every export uses (no owner, no
// name); freed when the pointer goes.
ComponentPtr<TIBDataSet> NewReadDataSet(TIBDatabase& database);

// Sets a date-time or integer parameter of a query by name.
void SetDateTimeParam(TIBDataSet& query, std::string_view name, double value);
void SetIntegerParam(TIBDataSet& query, std::string_view name, int value);

}  // namespace kvr::reports
