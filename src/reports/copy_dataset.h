// CopyDataSet: moves every record of a source dataset (normally an open query) into an
// in-memory DBF table whose fields were made from the source's field definitions. Fields
// pair by name (letter case ignored); date-time values become text in the US or dotted form.
// A source row whose paired fields are all null adds no record.
#pragma once

#include "dataset/data_set.h"
#include "dbf/mem_dbf_table.h"

namespace kvr::reports {

// On return the source stands on its first record and both datasets are active or inactive
// as they were on entry. Any failure is raised again as "CopyDataSet -> <message>" with the
// class marker (ChainException).
void CopyDataSet(TDataSet& source, TMemDBFTable& table, bool use_us_date_time);

}  // namespace kvr::reports
