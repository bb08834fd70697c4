"""Prints what the independent reader dbfread sees in a DBF file (used by the interop test)."""
import sys

import dbfread

table = dbfread.DBF(sys.argv[1], char_decode_errors="strict")
print("encoding", table.encoding)
for field in table.fields:
    print("field", field.name, field.type, field.length, field.decimal_count)
for record in table:
    print("record " + "|".join(repr(v) if isinstance(v, str) else str(v) for v in record.values()))
