// The columns of a query result as the dataset sees them (internal to src/firebird): where
// each value lies in the client's row buffer and which FieldType it becomes.
//   SMALLINT 2, INTEGER 3, BIGINT 25, FLOAT/DOUBLE PRECISION 6, NUMERIC/DECIMAL 8 (scale in
//   Scale), DATE 9, TIME 10, TIMESTAMP 11, CHAR/VARCHAR 1 (Size in characters),
//   BLOB SUB_TYPE TEXT 16, other BLOBs 15, BOOLEAN 5.
// Scaled integers decode as raw / 10^scale, one division by an exact power of ten, so the
// result is the double nearest to the stored decimal. CHAR values lose their trailing blanks.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "dataset/field_type.h"
#include "dataset/field_value.h"
#include "firebird/fb_api.h"

namespace kvr::firebird {

struct ResultColumn {
  std::string name;  // the alias, or the column name
  FieldType type = FieldType::Unknown;
  int size = 0;   // characters of text columns
  int scale = 0;  // decimal digits of NUMERIC/DECIMAL columns
  bool nullable = true;
  unsigned sql_type = 0;
  int sub_type = 0;
  unsigned length = 0;  // bytes in the row buffer
  unsigned offset = 0;
  unsigned null_offset = 0;
  double divisor = 1;  // 10^scale
};

// Raises EIBClientError for a column type the dataset cannot hold (arrays).
std::vector<ResultColumn> DescribeColumns(Status& status, Firebird::IMessageMetadata* metadata);

inline bool IsNull(const ResultColumn& column, const char* row) {
  std::int16_t indicator;
  std::memcpy(&indicator, row + column.null_offset, sizeof indicator);
  return indicator != 0;
}

// Decodes a non-null, non-blob value into its FieldValue member (see field_value.h).
void DecodeValue(const ResultColumn& column, const char* row, FieldValue& value);

}  // namespace kvr::firebird
