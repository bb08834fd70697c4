"""Checks that the CSV kvrhost wrote for a DBF file holds what dbfread reads from it.

    csv_matches_dbfread.py FILE.dbf FILE.csv

dbfread decodes the texts by the file's code-page mark and parses every field by its type;
the CSV is read back with the csv module. Each record must match field by field: texts
exactly, numbers as the same int or float, dates as yyyy-mm-dd, logicals as T or F, and a
missing value (None) as an empty field. Prints the count of records compared; exits 1 with the
first difference.
"""
import csv
import sys

from dbfread import DBF


def expected_text(value, field_type):
    """What the CSV must hold for a value dbfread read (numbers are compared apart)."""
    if value is None:
        return ""
    if field_type == "L":
        return "T" if value else "F"
    if field_type == "D":
        return value.isoformat()
    return value


def matches(text, value, field_type):
    if field_type in "NF" and value is not None:
        if text == "":
            return False
        try:
            number = int(text) if isinstance(value, int) else float(text)
        except ValueError:
            return False
        return number == value and type(number) is type(value)
    return text == expected_text(value, field_type)


def main(dbf_path, csv_path):
    table = DBF(dbf_path, char_decode_errors="strict")
    records = list(table)
    with open(csv_path, newline="", encoding="utf-8") as f:
        rows = list(csv.reader(f, strict=True))
    header, body = rows[0], rows[1:]
    if header != table.field_names:
        sys.exit(f"field names differ: {header} != {table.field_names}")
    if len(body) != len(records):
        sys.exit(f"{len(body)} CSV rows, {len(records)} records")
    types = {field.name: field.type for field in table.fields}
    for number, (row, record) in enumerate(zip(body, records), start=1):
        if len(row) != len(header):
            sys.exit(f"record {number}: {len(row)} CSV fields, {len(header)} expected")
        for name, text in zip(header, row):
            value = record[name]
            if not matches(text, value, types[name]):
                sys.exit(f"record {number}, {name}: CSV {text!r}, dbfread {value!r}")
    print(f"{len(records)} records of {len(header)} fields equal")


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
