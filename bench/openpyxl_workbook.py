#!/usr/bin/env python3
"""The cells that `tabulora-cli -o OUT.xlsx` writes for a JSON array of records, written by
openpyxl's write-only mode instead, to compare with (bench/run). Nested objects become columns
named by their path and arrays compact JSON text with --flatten (as tabulora-cli --flatten);
without it nested values are left out. Strings stay text, numbers are numbers, booleans
booleans, null empty; a bold header row. The JSON is read whole with the json module (openpyxl
has no JSON reader), so memory grows with the input.

usage: openpyxl_workbook.py INPUT.json OUTPUT.xlsx [--flatten]
"""
import json
import sys

from openpyxl import Workbook
from openpyxl.cell import WriteOnlyCell
from openpyxl.styles import Font


def cells_of(record, flatten, prefix=""):
    for name, value in record.items():
        if isinstance(value, dict):
            if flatten:
                if value:
                    yield from cells_of(value, flatten, prefix + name + ".")
                else:
                    yield prefix + name, "{}"
        elif isinstance(value, list):
            if flatten:
                yield prefix + name, json.dumps(value, ensure_ascii=False, separators=(",", ":"))
        else:
            yield prefix + name, value


def main():
    source, target = sys.argv[1], sys.argv[2]
    flatten = "--flatten" in sys.argv[3:]
    with open(source, encoding="utf-8") as f:
        records = json.load(f)
    rows = [dict(cells_of(record, flatten)) for record in records]
    columns = {}
    for row in rows:
        for name in row:
            columns.setdefault(name, len(columns))
    book = Workbook(write_only=True)
    sheet = book.create_sheet(target.rsplit("/", 1)[-1].rsplit(".", 1)[0][:31])
    sheet.freeze_panes = "A2"
    bold = Font(bold=True)
    header = []
    for name in columns:
        cell = WriteOnlyCell(sheet, value=name)
        cell.font = bold
        header.append(cell)
    sheet.append(header)
    for row in rows:
        sheet.append([row.get(name) for name in columns])
    book.save(target)


if __name__ == "__main__":
    main()
