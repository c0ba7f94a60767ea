#!/usr/bin/env python3
"""Drives tabulora-cli to write Excel workbooks and reads them back with real readers: openpyxl
for cell types, values, styles, sheets and names, LibreOffice (soffice --headless) for the values
another spreadsheet program sees.

Usage: workbook_tests.py CLI [RUNNER...]   e.g. workbook_tests.py build/native/bin/tabulora-cli
                                                workbook_tests.py build/win64/bin/tabulora-cli.exe scripts/wine-run
"""
import csv
import datetime
import os
import shutil
import subprocess
import sys
import tempfile

import openpyxl

cli = sys.argv[1]
runner = sys.argv[2:]
work = tempfile.mkdtemp(prefix="tabulora-workbook-test.")
failures = []
checks = 0


def check(name, actual, expected):
    global checks
    checks += 1
    if actual != expected:
        failures.append(name)
        print(f"FAIL {name}\n  expected: {expected!r}\n  actual:   {actual!r}")
        if last_run is not None:
            print(f"  stderr:   {last_run.stderr!r}")


def arg_path(path):
    """A path as the CLI takes it: under Wine, the Windows form (Z: maps the Unix root)."""
    return "Z:" + path.replace("/", "\\") if runner else path


last_run = None


def run(*args, stdin=None, env=None):
    """Runs the CLI; its output goes through files, not pipes: under Wine the helper processes
    that the first run starts would hold a pipe open and the run would never end."""
    global last_run
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err, tempfile.TemporaryFile() as given:
        given.write(stdin or b"")
        given.seek(0)
        status = subprocess.run(runner + [cli] + list(args), stdin=given, stdout=out, stderr=err,
                                env=env).returncode
        out.seek(0)
        err.seek(0)
        last_run = subprocess.CompletedProcess(args, status, out.read(),
                                               err.read().decode("utf-8", "replace").replace("\r", ""))
    return last_run


def write(name, text, mode="w"):
    path = os.path.join(work, name)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, mode) as out:
        out.write(text)
    return path


def entries(folder):
    return sorted(os.listdir(folder))


def cells(sheet):
    return [list(row) for row in sheet.iter_rows(values_only=True)]


if runner:
    # One Wine server for the whole run (see cli_tests.sh).
    os.environ.setdefault("WINEPREFIX", f"/tmp/tabulora-wine-{os.getuid()}")
    run("--version")
    subprocess.run(["wineserver", "-w"])
    subprocess.run(["wineserver", "-p"])

try:
    # --- Each row of the cell table: kinds and values, with --dates and --flatten.
    source = write("in/types.json", """[
 {"text":"01234","formula":"=1+2","exp":1.5e3,"neg":-0.25,"long":12345678901234567,"huge":1e400,
  "yes":true,"no":false,"nothing":null,"day":"2024-02-29","moment":"2024-01-02T10:30:15.5Z",
  "spaced":"2024-01-02 07:05","offset":"2024-01-02T10:30+01:00","notday":"2023-02-29",
  "nested":{"a":1},"list":[1,"x"],"blank":" a ","int":42},
 {"text":"second"}
]""")
    out = os.path.join(work, "out", "types.xlsx")
    os.makedirs(os.path.dirname(out), exist_ok=True)
    result = run("--dates", "--flatten", "-o", arg_path(out), arg_path(source))
    check("types: status", (result.returncode, result.stderr), (0, ""))
    book = openpyxl.load_workbook(out)
    check("types: one sheet named after the file", book.sheetnames, ["types"])
    sheet = book["types"]
    header = [c.value for c in sheet[1]]
    check("types: header", header, ["text", "formula", "exp", "neg", "long", "huge", "yes", "no", "nothing", "day",
                                     "moment", "spaced", "offset", "notday", "nested.a", "list", "blank", "int"])
    row = {name: sheet.cell(row=2, column=i + 1) for i, name in enumerate(header)}
    expected = {
        "text": ("01234", "s"), "formula": ("=1+2", "s"), "exp": (1500, "n"), "neg": (-0.25, "n"),
        "long": ("12345678901234567", "s"), "huge": ("1e400", "s"), "yes": (True, "b"), "no": (False, "b"),
        "nothing": (None, "n"), "day": (datetime.datetime(2024, 2, 29), "d"),
        "moment": (datetime.datetime(2024, 1, 2, 10, 30, 15, 500000), "d"),
        "spaced": (datetime.datetime(2024, 1, 2, 7, 5), "d"), "offset": ("2024-01-02T10:30+01:00", "s"),
        "notday": ("2023-02-29", "s"), "nested.a": (1, "n"), "list": ('[1,"x"]', "s"), "blank": (" a ", "s"),
        "int": (42, "n"),
    }
    for name, (value, kind) in expected.items():
        check(f"types: {name}", (row[name].value, row[name].data_type), (value, kind))
    check("types: date format", row["day"].number_format, "yyyy-mm-dd")
    check("types: date-time format", row["moment"].number_format, "yyyy-mm-dd hh:mm:ss")
    check("types: a formula's text is no formula", row["formula"].data_type, "s")
    check("types: second row", [c.value for c in sheet[3]][:2], ["second", None])
    check("header: bold", all(c.font.b for c in sheet[1]), True)
    check("header: data not bold", bool(row["text"].font.b), False)
    check("header: first row frozen", sheet.freeze_panes, "A2")
    check("header: autofilter over the columns", sheet.auto_filter.ref, "A1:R1")
    widths = {key: dim.width for key, dim in sheet.column_dimensions.items()}
    check("widths: a long value widens its column", widths["E"] > widths["A"], True)
    check("widths: within limits", all(8 <= w <= 62 for w in widths.values()), True)

    # Without --dates a date is text.
    result = run("-o", arg_path(out), arg_path(source))
    day = openpyxl.load_workbook(out)["types"]["J2"]
    check("no --dates: dates stay text", (result.returncode, day.value, day.data_type), (0, "2024-02-29", "s"))

    # --- Another spreadsheet program reads the same values.
    run("--dates", "--flatten", "-o", arg_path(out), arg_path(source))
    office = os.path.join(work, "office")
    profile = "file://" + os.path.join(work, "office-profile")
    converted = subprocess.run(["soffice", f"-env:UserInstallation={profile}", "--headless", "--convert-to", "csv",
                                "--outdir", office, out], capture_output=True, timeout=180)
    with open(os.path.join(office, "types.csv"), newline="", encoding="utf-8") as sheet_csv:
        rows = list(csv.reader(sheet_csv))
    seen = dict(zip(rows[0], rows[1]))
    check("office: status", converted.returncode, 0)
    check("office: values", [seen[name] for name in ["text", "formula", "exp", "neg", "long", "huge", "yes", "no",
                                                   "nothing", "day", "moment", "offset", "blank"]],
          ["01234", "=1+2", "1500", "-0.25", "12345678901234567", "1e400", "TRUE", "FALSE", "", "2024-02-29",
           "2024-01-02 10:30:15", "2024-01-02T10:30+01:00", " a "])

    # --- --no-header: the rows only, nothing frozen or filtered.
    result = run("--no-header", "--format", "xlsx", "-o", arg_path(out), arg_path(source))
    sheet = openpyxl.load_workbook(out)["types"]
    check("no header: first row is data", (result.returncode, sheet["A1"].value, sheet["A2"].value), (0, "01234", "second"))
    check("no header: nothing frozen or filtered", (sheet.freeze_panes, sheet.auto_filter.ref), (None, None))

    # --- The format: by extension (any case), by --format, and --format csv wins over the extension.
    upper = os.path.join(work, "out", "UPPER.XLSX")
    result = run("-o", arg_path(upper), arg_path(source))
    with open(upper, "rb") as f:
        check("extension .XLSX: a workbook", (result.returncode, f.read(2)), (0, b"PK"))
    named_csv = os.path.join(work, "out", "really-csv.xlsx")
    result = run("--format", "csv", "-o", arg_path(named_csv), arg_path(source))
    with open(named_csv, "rb") as f:
        check("--format csv: CSV whatever the name", (result.returncode, f.read(5)), (0, b"text,"))
    chosen = os.path.join(work, "out", "chosen.dat")
    result = run("--format=xlsx", "-o", arg_path(chosen), arg_path(source))
    check("--format xlsx: sheet named after the file", (result.returncode, openpyxl.load_workbook(open(chosen, "rb")).sheetnames),
          (0, ["chosen"]))

    # --- Usage errors (exit 2) and options that do not apply (a warning, the workbook written).
    for name, args, message in [
        ("workbook to standard output", ["--format", "xlsx", arg_path(source)], "a workbook cannot go to standard output"),
        ("unknown format", ["--format", "xls", "-o", arg_path(out), arg_path(source)], "unknown format 'xls'"),
        ("--dates without a workbook", ["--dates", arg_path(source)], "--dates needs a workbook"),
        ("--dates takes no value", ["--dates=yes", "-o", arg_path(out), arg_path(source)], "takes no value"),
        ("--schema and xlsx", ["--schema", "--format", "xlsx", arg_path(source)], "--schema"),
    ]:
        result = run(*args)
        check(f"usage: {name}", (result.returncode, message in result.stderr, result.stdout), (2, True, b""))
    result = run("--separator", ";", "--bom", "--formula-guard", "-o", arg_path(out), arg_path(source))
    check("not applying: warned once, written", (result.returncode, result.stderr.count("warning:"),
          "--separator, --bom and --formula-guard do not apply to a workbook" in result.stderr,
          openpyxl.load_workbook(out)["types"]["B2"].value), (0, 1, True, "=1+2"))

    # --- Per input into a folder: NAME.xlsx, never replacing a file (data (2).xlsx).
    folder = os.path.join(work, "each")
    os.makedirs(folder)
    write("each/data.xlsx", "old")
    first = write("in/a/data.json", '[{"a":1}]')
    second = write("in/b/other.json", '[{"b":"x"}]')
    result = run("--format", "xlsx", "--output-dir", arg_path(folder), arg_path(first), arg_path(second))
    check("folder: status", result.returncode, 0)
    check("folder: unique names", entries(folder), ["data (2).xlsx", "data.xlsx", "other.xlsx"])
    with open(os.path.join(folder, "data.xlsx")) as f:
        check("folder: existing file untouched", f.read(), "old")
    check("folder: sheet of the unique name", openpyxl.load_workbook(os.path.join(folder, "data (2).xlsx")).sheetnames,
          ["data (2)"])
    check("folder: cells", cells(openpyxl.load_workbook(os.path.join(folder, "other.xlsx"))["other"]), [["b"], ["x"]])
    result = run("--format", "xlsx", "--output-dir", arg_path(folder), "-", stdin=b'{"s":1}\n')
    check("folder: standard input as stdin.xlsx", (result.returncode, "stdin.xlsx" in entries(folder)), (0, True))

    # --- Atomic write: a failure leaves the old file and no temporary file.
    atomic = os.path.join(work, "atomic")
    target = write("atomic/keep.xlsx", "old content")
    wide = write("in/wide.json", "{" + ",".join(f'"c{i}":{i}' for i in range(16385)) + "}")
    result = run("-o", arg_path(target), arg_path(wide))
    check("column limit: error names count and limit", (result.returncode,
          "the table has 16,385 columns, more than the 16,384 a workbook sheet holds; nothing was written "
          "(keep fewer with --columns)" in result.stderr), (1, True))
    with open(target) as f:
        check("column limit: old file kept", f.read(), "old content")
    check("column limit: no temporary file left", entries(atomic), ["keep.xlsx"])
    result = run("--output-dir", arg_path(atomic), "--format", "xlsx", arg_path(wide))
    check("column limit: per input, nothing written", (result.returncode, entries(atomic)), (1, ["keep.xlsx"]))
    result = run("--columns", "c0,c16384", "-o", arg_path(target), arg_path(wide))
    check("column limit: --columns makes it fit",
          (result.returncode, cells(openpyxl.load_workbook(target)["keep"])), (0, [["c0", "c16384"], [0, 16384]]))
    exact = write("in/exact.json", "{" + ",".join(f'"c{i}":{i}' for i in range(16384)) + "}")
    result = run("-o", arg_path(target), arg_path(exact))
    check("column limit: 16,384 columns fit", (result.returncode, openpyxl.load_workbook(target, read_only=True)["keep"].max_column),
          (0, 16384))
    # A folder and file name beyond ASCII (and beyond any ANSI code page). Under Wine the arguments
    # pass as UTF-8 only with a UTF-8 locale.
    wide_env = dict(os.environ, TABULORA_WINE_LANG="C.UTF-8")
    unicode_target = os.path.join(work, "ünï 日本", "wb 日本.xlsx")
    os.makedirs(os.path.dirname(unicode_target))
    result = run("-o", arg_path(unicode_target), arg_path(first), env=wide_env)
    check("unicode path: written", (result.returncode, entries(os.path.dirname(unicode_target))), (0, ["wb 日本.xlsx"]))
    check("unicode path: sheet name and cells", (openpyxl.load_workbook(unicode_target).sheetnames,
          cells(openpyxl.load_workbook(unicode_target).active)), (["wb 日本"], [["a"], [1]]))
    result = run("-o", arg_path(os.path.join(work, "no-such-folder", "x.xlsx")), arg_path(source))
    check("unwritable target: error, exit 1", (result.returncode, "Cannot create file" in result.stderr), (1, True))

    # An input that cannot be read adds nothing; the others are written.
    odd = write("in/odd.json", b"\xff\xfe[\x00]", "wb")
    both = os.path.join(work, "out", "both.xlsx")
    result = run("-o", arg_path(both), arg_path(first), arg_path(odd), arg_path(second))
    check("unreadable input: left out", (result.returncode, cells(openpyxl.load_workbook(both)["both"])),
          (1, [["a", "b"], [1, None], [None, "x"]]))

    # --- Texts longer than a cell holds are cut, one warning per input counting them.
    long_text = "é" * 40000
    emoji = "\U0001F600" * 20000  # two UTF-16 units each
    cut_input = write("in/cut.json", '[{"a":"%s","b":"%s","c":"short"},{"a":"%s"}]' % (long_text, emoji, long_text),
                      )
    result = run("-o", arg_path(out), arg_path(cut_input))
    row2 = [c.value for c in openpyxl.load_workbook(out)["types"][2]]
    check("long text: cut to 32,767 characters", len(row2[0]), 32767)
    check("long text: a character beyond U+FFFF counts two", len(row2[1]), 16383)
    check("long text: short text whole", row2[2], "short")
    check("long text: one warning counting the cells",
          (result.returncode, result.stderr.count("warning:"),
           "cut.json: 3 texts were longer than 32,767 characters, the most a workbook cell holds, and cut to fit"
           in result.stderr), (0, 1, True))

    # --- Sheets of at most 1,048,576 rows, each with the header.
    big = os.path.join(work, "in", "big.jsonl")
    with open(big, "w") as f:
        f.write("".join('{"i":%d}\n' % i for i in range(1100000)))
    split = os.path.join(work, "out", "big.xlsx")
    result = run("-o", arg_path(split), arg_path(big))
    book = openpyxl.load_workbook(split, read_only=True)
    check("split: status and sheets", (result.returncode, book.sheetnames), (0, ["big", "big (2)"]))
    for name, count, first_value, last_value in [("big", 1048575, 0, 1048574), ("big (2)", 51425, 1048575, 1099999)]:
        rows = list(book[name].iter_rows(values_only=True))
        check(f"split: {name}: header, rows, first and last", (rows[0], len(rows) - 1, rows[1], rows[-1]),
              (("i",), count, (first_value,), (last_value,)))
finally:
    if runner:
        subprocess.run(["wineserver", "-k"], capture_output=True)
    shutil.rmtree(work, ignore_errors=True)

print(f"{checks - len(failures)} passed, {len(failures)} failed")
sys.exit(1 if failures else 0)
