#!/usr/bin/env python3
"""Exports a JSON Lines file of over 100 MB with the real Tabulora.exe under Wine, while another
process (window_probe.exe) keeps asking the main window whether it answers and reads its status
bar: the window must answer within 250 ms throughout, the status bar must show the progress, Esc
must cancel without leaving a file, and a second export must end with its summary, beside which
the status bar offers "Show in Folder" (hidden during and after the cancelled export).
Screenshots of the progress and the summary go to the artifacts folder."""

import os
import subprocess
import sys
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from e2e_support import Failure, wait_for  # noqa: E402
from tabulora_e2e import CLIENT_HEIGHT, CLIENT_WIDTH, MAIN_TITLE, Session, run_main  # noqa: E402

MIN_BYTES = 110 * 1000 * 1000
ANSWER_LIMIT_MS = 250


def write_big_json_lines(path):
    """About 110 MB of JSON Lines records with 8 members each; returns the number of records."""
    records = []
    for i in range(10000):
        records.append('{"id": %d, "name": "user %d", "email": "user%d@example.com", "score": %d.%02d, '
                       '"active": %s, "city": "Z\\u00fcrich, CH", "note": "line %d of the sample", '
                       '"tags": ["a", "b"]}\n' % (i, i, i, i % 1000, i % 100, "true" if i % 2 else "false", i))
    block = "".join(records).encode("utf-8")
    count = 0
    with open(path, "wb") as handle:
        while count * len(block) // 10000 < MIN_BYTES:
            handle.write(block)
            count += 10000
    return count


class Probe:
    """window_probe.exe watching the main window; its lines are collected as they come."""

    def __init__(self, session, probe_exe, *extra):
        self.lines = []
        self.process = subprocess.Popen(["wine", probe_exe, "watch", MAIN_TITLE, "120", *extra], env=session.env,
                                        stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True,
                                        encoding="utf-8", errors="replace")
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()
        # Wine can take longer to start the probe than the export takes to read its input: the
        # export starts once the probe watches (it prints the status it finds first).
        wait_for("the window probe", lambda: self.statuses() or self.process.poll() is not None, timeout=60)

    def _read(self):
        for line in self.process.stdout:
            self.lines.append(line.rstrip("\n"))

    def statuses(self):
        return [line[len("status: "):] for line in list(self.lines) if line.startswith("status: ")]

    def finish(self, timeout):
        self.process.wait(timeout=timeout)
        self.reader.join(timeout=5)
        slowest = [line for line in self.lines if line.startswith("slowest answer: ")]
        if self.process.returncode != 0 or not slowest:
            raise Failure(f"the probe did not see the export end: {self.lines[-5:]}")
        return float(slowest[-1].split()[2])


def link_state(session, probe_exe):
    """The status bar link as window_probe reads it from outside: "shown <text>" or "hidden <text>"."""
    result = subprocess.run(["wine", probe_exe, "link", MAIN_TITLE], env=session.env, capture_output=True,
                            text=True, encoding="utf-8", errors="replace", timeout=60)
    lines = [line for line in result.stdout.splitlines() if line.startswith("link: ")]
    if result.returncode != 0 or not lines:
        raise Failure(f"the probe found no status bar link: {result.stdout!r}")
    return lines[-1][len("link: "):]


class ExportSession(Session):
    def save_as(self, path):
        """The save dialog offers the last name again: it is replaced, not added to."""
        dialog = self.wait_window("Save( As)?")
        time.sleep(0.5)
        self.point_at(dialog)
        self.run("xdotool", "key", "End", "shift+Home", "BackSpace")
        self.type_line(self.wine_path(path))
        self.wait_gone("Save( As)?")

    def scenario(self):
        data = os.path.join(self.work, "data")
        out = os.path.join(self.work, "out")
        os.makedirs(data)
        os.makedirs(out)
        big = os.path.join(data, "big.jsonl")
        records = write_big_json_lines(big)
        main_size = (CLIENT_WIDTH, CLIENT_HEIGHT)

        self.app_log = os.path.join(self.work, "app.log")
        with open(self.app_log, "w") as log:
            self.app = subprocess.Popen(["wine", self.args.exe, self.wine_path(big)], env=dict(self.env,
                                        WINEDEBUG="-all,+msgbox"), cwd=self.work, stdout=subprocess.DEVNULL,
                                        stderr=log)
        main = self.wait_window(MAIN_TITLE, timeout=40)
        time.sleep(1)

        # First export: Esc as soon as the conversion runs. Nothing may be left in the folder.
        target = os.path.join(out, "big.csv")
        probe = Probe(self, self.args.probe, "cancel-when", "Converting")
        self.click_client(main, main_size, (230, 150))
        self.save_as(target)
        slowest = probe.finish(timeout=120)
        statuses = probe.statuses()
        print(f"cancelled run: slowest answer {slowest:.0f} ms; statuses {statuses}")
        if slowest > ANSWER_LIMIT_MS:
            raise Failure(f"the window took {slowest:.0f} ms to answer (limit {ANSWER_LIMIT_MS} ms)")
        if not any(s.startswith("Reading big.jsonl") for s in statuses):
            raise Failure(f"no reading progress in the status bar: {statuses}")
        if statuses[-1] != "Export cancelled.":
            raise Failure(f'the status ends with {statuses[-1]!r}, not "Export cancelled."')
        if os.listdir(out):
            raise Failure(f"the cancelled export left {os.listdir(out)} behind")
        if not link_state(self, self.args.probe).startswith("hidden "):
            raise Failure("the status bar offers Show in Folder after a cancelled export")

        # Second export to the end: progress while it runs (the probe takes its picture, since the
        # conversion can be over before a screenshot tool starts), then the summary.
        picture = os.path.join(self.work, "progress.bmp")
        probe = Probe(self, self.args.probe, "capture-when", "Converting", self.wine_path(picture))
        seen = len(self.message_texts())
        self.click_client(main, main_size, (230, 150))
        self.save_as(target)
        self.close_success("Operation completed. File saved: " + self.wine_path(target), seen)
        slowest = probe.finish(timeout=60)
        if os.path.exists(picture):
            self.run("convert", picture, os.path.join(self.artifacts, f"export-progress-{self.dpi}dpi.png"))
        statuses = probe.statuses()
        print(f"full run: slowest answer {slowest:.0f} ms; statuses {statuses[:3]} ... {statuses[-1]}")
        if slowest > ANSWER_LIMIT_MS:
            raise Failure(f"the window took {slowest:.0f} ms to answer (limit {ANSWER_LIMIT_MS} ms)")
        percents = [s for s in statuses if s.startswith("Converting big.jsonl \u2014 ")]
        if not percents:
            raise Failure(f"no conversion progress in the status bar: {statuses}")
        expected = f"Saved {records:,} rows \u00D7 7 columns to big.csv in "
        if not statuses[-1].startswith(expected):
            raise Failure(f"the summary reads {statuses[-1]!r}, expected it to begin with {expected!r}")
        state = link_state(self, self.args.probe)
        if not (state.startswith("shown ") and "Show in Folder" in state):
            raise Failure(f"after the export the status bar link is {state!r}, not a shown \"Show in Folder\"")
        time.sleep(0.5)
        self.screenshot(f"export-summary-{self.dpi}dpi", main)
        with open(target, "rb") as handle:
            header = handle.readline()
        if header != b"id,name,email,score,active,city,note\r\n":
            raise Failure(f"the CSV starts with {header!r}")


if __name__ == "__main__":
    sys.exit(run_main(ExportSession, lambda parser: parser.add_argument("--probe", required=True), budget=300))
