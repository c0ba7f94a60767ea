#!/usr/bin/env python3
"""The Options menu of the real Tabulora.exe under Wine: turns on "Flatten Nested Values",
"Excel-Friendly UTF-8 (BOM)" and "Guard Against Formula Injection" from the menu, exports and
checks the bytes, then starts the program again and exports without touching the menu: the same
bytes show that the choices were kept. A screenshot of the open menu goes to the artifacts."""

import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from e2e_support import Failure  # noqa: E402
from tabulora_e2e import CLIENT_HEIGHT, CLIENT_WIDTH, MAIN_TITLE, Session, run_main  # noqa: E402

INPUT = '[{"id": 1, "user": {"name": "x", "tags": ["a", "b"]}, "formula": "=1+2"}]\n'
EXPECTED = b"\xEF\xBB\xBFid,user.name,user.tags,formula\r\n1,x,\"[\"\"a\"\",\"\"b\"\"]\",'=1+2\r\n"


class OptionsSession(Session):
    def start_program(self, *inputs):
        self.app_log = os.path.join(self.work, "app.log")
        with open(self.app_log, "a") as log:
            self.app = subprocess.Popen(["wine", self.args.exe, *(self.wine_path(data) for data in inputs)],
                                        env=dict(self.env, WINEDEBUG="-all,+msgbox"), cwd=self.work,
                                        stdout=subprocess.DEVNULL, stderr=log)
        main = self.wait_window(MAIN_TITLE, timeout=40)
        time.sleep(1)
        return main

    def export_to(self, main, target):
        seen = len(self.message_texts())
        self.click_client(main, (CLIENT_WIDTH, CLIENT_HEIGHT), (230, 150))
        self.choose_in_file_dialog("Save( As)?", target)
        self.close_success("Operation completed. File saved: " + self.wine_path(target), seen)

    def choose_option(self, main, downs):
        self.point_at(main)
        self.run("xdotool", "key", "alt+o")
        time.sleep(0.5)
        if downs:
            self.run("xdotool", "key", *(["Down"] * downs))
        self.run("xdotool", "key", "Return")
        time.sleep(0.3)

    def scenario(self):
        data = os.path.join(self.work, "people.json")
        with open(data, "w", encoding="utf-8") as handle:
            handle.write(INPUT)
        main = self.start_program(data)
        for downs in range(3):
            self.choose_option(main, downs)
        self.point_at(main)
        self.run("xdotool", "key", "alt+o")
        time.sleep(0.7)
        self.screenshot(f"options-menu-{self.dpi}dpi")
        self.run("xdotool", "key", "Escape", "Escape")
        first = os.path.join(self.work, "first.csv")
        self.export_to(main, first)
        self.expect_file(first, EXPECTED)

        # A new start keeps the choices.
        self.run("xdotool", "key", "alt+F4")
        self.app.wait(timeout=30)
        main = self.start_program(data)
        second = os.path.join(self.work, "second.csv")
        self.export_to(main, second)
        self.expect_file(second, EXPECTED)


if __name__ == "__main__":
    sys.exit(run_main(OptionsSession, budget=200))
