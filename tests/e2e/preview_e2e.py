#!/usr/bin/env python3
"""The Preview window of the real Tabulora.exe under Wine: opened from the File menu with a
paginated JSON answer loaded, "data" picked in Records with the keyboard, all columns but one
unchecked in the column list, then Export...: the CSV written holds that one column of the
records under "data". Screenshots of the window before and after the choices go to the
artifacts folder."""

import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from e2e_support import Failure  # noqa: E402
from tabulora_e2e import MAIN_TITLE, Session, run_main  # noqa: E402

PAGE = ('{"meta":{"page":1,"of":3},\n "data":[\n'
        '  {"id":1,"name":"Ann","tags":["x","y"],"items":[{"sku":"p","qty":2},{"sku":"q","qty":1}],'
        '"address":{"city":"Oslo"}},\n'
        '  {"id":2,"name":"Bob","tags":[],"items":[],"note":"late"}\n ]}')
EXPECTED = b"name\r\nAnn\r\nBob\r\n"
PREVIEW_TITLE = "Preview"


class PreviewSession(Session):
    def keys(self, window, *keys):
        self.point_at(window)
        self.run("xdotool", "key", "--delay", "120", *keys)
        time.sleep(0.6)

    def scenario(self):
        data = os.path.join(self.work, "D.json")
        with open(data, "w", encoding="utf-8") as handle:
            handle.write(PAGE)
        suffix = f"-{self.dpi}dpi"
        self.app_log = os.path.join(self.work, "app.log")
        with open(self.app_log, "w") as log:
            self.app = subprocess.Popen(["wine", self.args.exe, self.wine_path(data)],
                                        env=dict(self.env, WINEDEBUG="-all,+msgbox"), cwd=self.work,
                                        stdout=subprocess.DEVNULL, stderr=log)
        main = self.wait_window(MAIN_TITLE, timeout=40)
        time.sleep(1)
        self.screenshot("preview-main-status" + suffix, main)

        # File > Preview and Columns...
        self.keys(main, "alt+f")
        self.run("xdotool", "key", "p")
        preview = self.wait_window(PREVIEW_TITLE)
        time.sleep(1.5)
        self.screenshot("preview-automatic" + suffix, preview)

        # Records: the drop-down has the focus; the entry after "Automatic" is data.
        self.keys(preview, "Down")
        time.sleep(1)
        # Columns: id, name, note; only name stays checked.
        self.keys(preview, "alt+c", "Home", "space", "End", "space")
        time.sleep(1)
        self.screenshot("preview-data-one-column" + suffix, preview)

        target = os.path.join(self.work, "name.csv")
        seen = len(self.message_texts())
        self.keys(preview, "alt+x")
        self.choose_in_file_dialog("Save( As)?", target)
        self.close_success("Operation completed. File saved: " + self.wine_path(target), seen)
        self.expect_file(target, EXPECTED)
        # Esc closes the window, once it has the keyboard again (a click on its status line).
        self.click_client(preview, (820, 520), (100, 490))
        self.keys(preview, "Escape")
        self.wait_gone(PREVIEW_TITLE)
        # The main window's status bar says what shapes its exports.
        time.sleep(0.5)
        self.screenshot("preview-main-shaped" + suffix, main)


if __name__ == "__main__":
    sys.exit(run_main(PreviewSession, budget=200))
