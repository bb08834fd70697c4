#include "firebird/result_columns.h"

#include <cstring>

#include "common/exceptions.h"
#include "firebird/timestamp_codec.h"

namespace kvr::firebird {
namespace {

template <class T>
T Read(const char* at) {
  T value;
  std::memcpy(&value, at, sizeof value);
  return value;
}

// Bytes per character of the connection character sets a column may come in.
int BytesPerChar(unsigned char_set) {
  switch (char_set & 0xFF) {
    case 3:  // UNICODE_FSS
      return 3;
    case 4:   // UTF8
    case 69:  // GB18030
      return 4;
    case 5:
    case 6:
    case 44:
    case 56:
    case 57:
    case 67:
    case 68:  // SJIS, EUCJ, KSC, BIG5, GB...
      return 2;
    default: return 1;
  }
}

FieldType IntegerType(unsigned sql_type) {
  switch (sql_type) {
    case SQL_SHORT: return FieldType::Smallint;
    case SQL_LONG: return FieldType::Integer;
    default: return FieldType::Largeint;
  }
}

}  // namespace

std::vector<ResultColumn> DescribeColumns(Status& status, Firebird::IMessageMetadata* metadata) {
  const unsigned count = metadata->getCount(status.get());
  status.Check();
  std::vector<ResultColumn> columns(count);
  for (unsigned i = 0; i < count; ++i) {
    ResultColumn& c = columns[i];
    const char* alias = metadata->getAlias(status.get(), i);
    status.Check();
    if (alias == nullptr || *alias == '\0') alias = metadata->getField(status.get(), i);
    status.Check();
    c.name = alias != nullptr ? alias : "";
    c.sql_type = metadata->getType(status.get(), i) & ~1u;
    c.sub_type = metadata->getSubType(status.get(), i);
    c.length = metadata->getLength(status.get(), i);
    const int scale = metadata->getScale(status.get(), i);
    const unsigned char_set = metadata->getCharSet(status.get(), i);
    c.nullable = metadata->isNullable(status.get(), i);
    c.offset = metadata->getOffset(status.get(), i);
    c.null_offset = metadata->getNullOffset(status.get(), i);
    status.Check();
    switch (c.sql_type) {
      case SQL_SHORT:
      case SQL_LONG:
      case SQL_INT64:
        if (scale < 0) {
          c.type = FieldType::BCD;
          c.scale = -scale;
          for (int k = 0; k < c.scale; ++k) c.divisor *= 10;
        } else {
          c.type = IntegerType(c.sql_type);
        }
        break;
      case SQL_FLOAT:
      case SQL_DOUBLE:
      case SQL_D_FLOAT: c.type = FieldType::Float; break;
      case SQL_TYPE_DATE: c.type = FieldType::Date; break;
      case SQL_TYPE_TIME: c.type = FieldType::Time; break;
      case SQL_TIMESTAMP: c.type = FieldType::DateTime; break;
      case SQL_TEXT:
      case SQL_VARYING:
        c.type = FieldType::String;
        c.size = static_cast<int>(c.length) / BytesPerChar(char_set);
        break;
      case SQL_BLOB:
        c.type = c.sub_type == isc_blob_text ? FieldType::Memo : FieldType::Blob;
        break;
      case SQL_BOOLEAN: c.type = FieldType::Boolean; break;
      case SQL_NULL:  // "SELECT NULL ..." : a column that is always null
        c.type = FieldType::String;
        break;
      default:
        throw EIBClientError("Unsupported column type " + std::to_string(c.sql_type) +
                             " of column \"" + c.name + "\"");
    }
  }
  return columns;
}

void DecodeValue(const ResultColumn& column, const char* row, FieldValue& value) {
  const char* at = row + column.offset;
  switch (column.sql_type) {
    case SQL_SHORT:
    case SQL_LONG:
    case SQL_INT64: {
      const std::int64_t raw = column.sql_type == SQL_SHORT  ? Read<std::int16_t>(at)
                               : column.sql_type == SQL_LONG ? Read<std::int32_t>(at)
                                                             : Read<std::int64_t>(at);
      if (column.type == FieldType::BCD)
        value.number = static_cast<double>(raw) / column.divisor;
      else
        value.integer = raw;
      break;
    }
    case SQL_FLOAT: value.number = Read<float>(at); break;
    case SQL_DOUBLE:
    case SQL_D_FLOAT: value.number = Read<double>(at); break;
    case SQL_TYPE_DATE: value.number = DateFromIsc(Read<std::int32_t>(at)); break;
    case SQL_TYPE_TIME: value.number = TimeFromIsc(Read<std::uint32_t>(at)); break;
    case SQL_TIMESTAMP:
      value.number = DateTimeFromIsc(Read<std::int32_t>(at), Read<std::uint32_t>(at + 4));
      break;
    case SQL_TEXT: {
      std::size_t n = column.length;
      while (n > 0 && at[n - 1] == ' ') --n;
      value.text.assign(at, n);
      break;
    }
    case SQL_VARYING: {
      std::size_t n = Read<std::uint16_t>(at);
      if (n > column.length) n = column.length;  // never read past the column
      value.text.assign(at + 2, n);
      break;
    }
    case SQL_BOOLEAN: value.boolean = Read<unsigned char>(at) != 0; break;
    default: value.text.clear(); break;
  }
}

}  // namespace kvr::firebird
