#!/usr/bin/env python3
"""Excel workbooks from the real Tabulora.exe under Wine: turns on "Export Excel Workbooks (.xlsx)"
in the Options menu, exports through the save dialog with a name typed without extension and reads
the workbook back with openpyxl (cell types and values, the bold frozen header); then exports
again with "CSV File (*.csv)" picked in the dialog's type list, which writes a CSV; then starts the program again with two files: the
choice was kept, and the export menu offers "Single Excel Workbook...". Screenshots of the open
Options menu, the main window, the save dialog and the export menu go to the artifacts."""

import os
import sys
import time

import openpyxl

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from e2e_support import Failure  # noqa: E402
from options_e2e import OptionsSession  # noqa: E402
from tabulora_e2e import CLIENT_HEIGHT, CLIENT_WIDTH, run_main  # noqa: E402

INPUT = ('[{"zip": "01234", "id": 12345678901234567, "n": 1.5e3, "ok": true, "none": null, "f": "=1+2"},\n'
         ' {"zip": "99", "id": 7, "n": -0.25, "ok": false, "none": null, "f": "x"}]\n')
# Per row: (value, openpyxl data type); None for an empty cell.
EXPECTED_ROWS = [
    [("zip", "s"), ("id", "s"), ("n", "s"), ("ok", "s"), ("none", "s"), ("f", "s")],
    [("01234", "s"), ("12345678901234567", "s"), (1500, "n"), (True, "b"), None, ("=1+2", "s")],
    [("99", "s"), (7, "n"), (-0.25, "n"), (False, "b"), None, ("x", "s")],
]
EXPECTED_CSV = b"zip,id,n,ok,none,f\r\n01234,12345678901234567,1.5e3,true,null,=1+2\r\n99,7,-0.25,false,null,x\r\n"
SAVE_TITLE = "Save( As)?"


def check_workbook(path, copies=1):
    if not os.path.exists(path):
        raise Failure(f"{path} was not written")
    book = openpyxl.load_workbook(path)
    name = os.path.splitext(os.path.basename(path))[0]
    if book.sheetnames != [name]:
        raise Failure(f"the workbook's sheets are {book.sheetnames}, expected [{name!r}]")
    sheet = book[name]
    rows = []
    for row in sheet.iter_rows():
        rows.append([None if cell.value is None else (cell.value, cell.data_type) for cell in row])
    expected = EXPECTED_ROWS[:1] + EXPECTED_ROWS[1:] * copies
    if rows != expected:
        raise Failure(f"the workbook holds {rows!r}, expected {expected!r}")
    if sheet.freeze_panes != "A2":
        raise Failure(f"the frozen panes are {sheet.freeze_panes!r}, not the header row")
    if not all(cell.font.b for cell in sheet[1]):
        raise Failure("the header row is not bold")


class WorkbookSession(OptionsSession):
    def open_save_dialog(self, main):
        self.click_client(main, (CLIENT_WIDTH, CLIENT_HEIGHT), (230, 150))
        dialog = self.wait_window(SAVE_TITLE)
        time.sleep(1)
        self.point_at(dialog)
        return dialog

    def scenario(self):
        data = os.path.join(self.work, "people.json")
        with open(data, "w", encoding="utf-8") as handle:
            handle.write(INPUT)
        main = self.start_program(data)
        self.choose_option(main, 3)  # below the three CSV choices
        self.point_at(main)
        self.run("xdotool", "key", "alt+o")
        time.sleep(0.7)
        self.screenshot(f"workbook-options-menu-{self.dpi}dpi")
        self.run("xdotool", "key", "Escape", "Escape")
        time.sleep(0.3)
        self.screenshot(f"workbook-main-{self.dpi}dpi", main)

        # A name without extension gets the workbook's.
        seen = len(self.message_texts())
        self.open_save_dialog(main)
        self.screenshot(f"workbook-save-dialog-{self.dpi}dpi")
        book = os.path.join(self.work, "people.xlsx")
        self.type_line(self.wine_path(os.path.join(self.work, "people")))
        self.wait_gone(SAVE_TITLE)
        self.close_success("Operation completed. File saved: " + self.wine_path(book), seen)
        check_workbook(book)

        # CSV picked in the dialog's type list wins for this export.
        seen = len(self.message_texts())
        self.open_save_dialog(main)
        self.run("xdotool", "key", "End", "shift+Home", "BackSpace")
        self.run("xdotool", "type", "--delay", "15", self.wine_path(os.path.join(self.work, "picked")))
        self.run("xdotool", "key", "Tab", "Down")
        time.sleep(0.5)
        self.screenshot(f"workbook-save-dialog-csv-picked-{self.dpi}dpi")
        self.run("xdotool", "key", "Return")
        self.wait_gone(SAVE_TITLE)
        picked = os.path.join(self.work, "picked.csv")
        self.close_success("Operation completed. File saved: " + self.wine_path(picked), seen)
        self.expect_file(picked, EXPECTED_CSV)

        # A new start keeps the choice; with two files the export menu names the workbooks.
        self.run("xdotool", "key", "alt+F4")
        self.app.wait(timeout=30)
        main = self.start_program(data, data)
        seen = len(self.message_texts())
        self.click_client(main, (CLIENT_WIDTH, CLIENT_HEIGHT), (230, 150))
        time.sleep(0.7)
        self.screenshot(f"workbook-export-menu-{self.dpi}dpi")
        self.run("xdotool", "key", "Down", "Return")  # "Single Excel Workbook..."
        dialog = self.wait_window(SAVE_TITLE)
        time.sleep(1)
        self.point_at(dialog)
        self.run("xdotool", "key", "End", "shift+Home", "BackSpace")
        both = os.path.join(self.work, "both.xlsx")
        self.type_line(self.wine_path(os.path.join(self.work, "both")))
        self.wait_gone(SAVE_TITLE)
        self.close_success("Operation completed. File saved: " + self.wine_path(both), seen)
        check_workbook(both, copies=2)


if __name__ == "__main__":
    sys.exit(run_main(WorkbookSession, budget=200))
