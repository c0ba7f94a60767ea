#!/usr/bin/env python3
"""Drives the real Tabulora.exe under Wine on a virtual X display, as a person would: load a
JSON file through the open dialog, pick ";" in the separator dialog, export through the save
dialog, read the "Success" box; then load a second file and export both into a folder; then
open the feedback window and the about box from the Help menu.
Screenshots go to the artifacts folder. Every wait is bounded; the whole run is too."""

import argparse
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

from e2e_support import Failure, start_display, wait_for

CLIENT_WIDTH, CLIENT_HEIGHT = 461, 201      # main window client area at 96 DPI
SEPARATOR_WIDTH, SEPARATOR_HEIGHT = 138, 216
MAIN_TITLE = "BRIMTAL - Tabulora"
FEEDBACK_TITLE, FEEDBACK_SIZE = "Tabulora feedback", (525, 326)
ABOUT_TITLE, ABOUT_SIZE = "About Tabulora", (446, 374)

FILE_A = '[{"name": "Ann", "city": "Oslo; Norway"}, {"name": "Bob", "city": "Z\u00fcrich"}]\n'
CSV_A = 'name;city\r\nAnn;"Oslo; Norway"\r\nBob;Z\u00fcrich\r\n'.encode("utf-8")
FILE_B = '{"id": 1, "tag": "x"}\n{"id": 2, "tag": "y"}\n'
CSV_B = b"id;tag\r\n1;x\r\n2;y\r\n"


def unescape_wine_string(text):
    """Undoes the escaping of Wine's debug output of a wide string."""
    out, i = [], 0
    while i < len(text):
        if text[i] == "\\" and i + 1 < len(text):
            code = text[i + 1]
            if code == "x" and i + 5 < len(text) + 1:
                out.append(chr(int(text[i + 2:i + 6], 16)))
                i += 6
                continue
            out.append({"n": "\n", "r": "\r", "t": "\t"}.get(code, code))
            i += 2
            continue
        out.append(text[i])
        i += 1
    return "".join(out)


class Session:
    def __init__(self, args):
        self.args = args
        args.exe = os.path.abspath(args.exe)
        args.artifacts = os.path.abspath(args.artifacts)
        self.dpi = args.dpi
        self.deadline = time.monotonic() + args.budget
        self.work = tempfile.mkdtemp(prefix="tabulora-e2e-")
        self.artifacts = args.artifacts
        os.makedirs(self.artifacts, exist_ok=True)
        self.env = dict(os.environ, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=",
                        WINEPREFIX=os.path.join(self.work, "prefix"), LANG="en_US.UTF-8", LC_ALL="en_US.UTF-8")
        self.xvfb = None
        self.app = None
        self.app_log = None

    # ---- plumbing

    def run(self, *command, check=True, timeout=30):
        remaining = max(1.0, min(timeout, self.deadline - time.monotonic()))
        result = subprocess.run(command, env=self.env, capture_output=True, text=True, timeout=remaining)
        if check and result.returncode != 0:
            raise Failure(f"{command[0]} failed: {result.stderr.strip()}")
        return result.stdout

    def scale(self, value):
        return value * self.dpi // 96

    def poll(self, what, probe, timeout=20):
        try:
            return wait_for(what, probe, timeout, self.deadline)
        except Failure:
            self.screenshot(f"timeout-{self.dpi}")
            raise

    def start_display(self):
        self.xvfb = start_display(self.env)

    def prepare_wine(self):
        self.run("wineboot", "-i", timeout=90)
        # Wine draws the frames (there is no window manager) and uses the DPI under test.
        self.run("wine", "reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Decorated", "/d", "N", "/f")
        self.run("wine", "reg", "add", r"HKCU\Control Panel\Desktop", "/v", "LogPixels", "/t", "REG_DWORD",
                 "/d", str(self.dpi), "/f")
        self.run("wineserver", "-w", timeout=60)

    def windows(self, title):
        """Visible windows whose whole title matches the regular expression `title`."""
        out = self.run("xdotool", "search", "--onlyvisible", "--name", f"^{title}$", check=False)
        return [line for line in out.split() if line]

    def wait_window(self, title, timeout=20):
        return self.poll(f'the window "{title}"', lambda: (self.windows(title) or [None])[0], timeout)

    def wait_gone(self, title, timeout=20):
        self.poll(f'the window "{title}" to close', lambda: not self.windows(title), timeout)

    def geometry(self, window):
        values = {}
        for line in self.run("xdotool", "getwindowgeometry", "--shell", window).splitlines():
            key, _, value = line.partition("=")
            values[key] = int(value) if value.lstrip("-").isdigit() else value
        return values["X"], values["Y"], values["WIDTH"], values["HEIGHT"]

    def client_origin(self, window, client_width96, client_height96):
        # The frame is as wide on the left as on the right and at the bottom; caption and menu
        # bar take the rest of the height.
        x, y, width, height = self.geometry(window)
        border = (width - self.scale(client_width96)) // 2
        return x + border, y + height - border - self.scale(client_height96)

    def click(self, x, y):
        self.run("xdotool", "mousemove", str(x), str(y), "sleep", "0.1", "click", "1")

    def click_client(self, window, size96, point96):
        ox, oy = self.client_origin(window, *size96)
        self.click(ox + self.scale(point96[0]), oy + self.scale(point96[1]))

    def point_at(self, window):
        # Without a window manager the keyboard goes to the window under the pointer.
        x, y, width, height = self.geometry(window)
        self.run("xdotool", "mousemove", str(x + width // 2), str(y + min(height // 2, 12)))

    def type_line(self, text):
        self.run("xdotool", "type", "--delay", "15", text)
        self.run("xdotool", "key", "Return")

    def screenshot(self, name, window="root"):
        path = os.path.join(self.artifacts, f"{name}.png")
        self.run("import", "-window", window, path, check=False)
        return path

    def message_texts(self):
        """The texts of the message boxes shown so far, in order. Wine writes each box's text
        to the program's log when the box opens (debug channel "msgbox")."""
        texts = []
        with open(self.app_log, encoding="utf-8", errors="replace") as log:
            for line in log:
                marker = line.find("MSGBOX_OnInit L\"")
                if marker >= 0:
                    quoted = line[marker + len("MSGBOX_OnInit L\""):].rstrip("\n")
                    texts.append(unescape_wine_string(quoted[:-1] if quoted.endswith('"') else quoted))
        return texts

    def wine_path(self, path):
        return "Z:" + path.replace("/", "\\")

    # ---- the scenario

    def choose_in_file_dialog(self, title, path):
        dialog = self.wait_window(title)
        time.sleep(0.5)
        self.point_at(dialog)
        self.type_line(self.wine_path(path))
        self.wait_gone(title)

    def close_success(self, expected_text, seen):
        """Reads the "Success" box that follows the first `seen` boxes of the run, and closes it."""
        box = self.wait_window("Success", timeout=30)
        texts = self.poll("the text of the message box", lambda: self.message_texts()[seen:])
        text = texts[-1]
        if text != expected_text:
            raise Failure(f'the "Success" box says {text!r}, expected {expected_text!r}')
        self.point_at(box)
        self.run("xdotool", "key", "Return")
        self.wait_gone("Success")

    def expect_file(self, path, expected):
        if not os.path.exists(path):
            raise Failure(f"{path} was not written")
        with open(path, "rb") as handle:
            content = handle.read()
        if content != expected:
            raise Failure(f"{path} holds {content!r}, expected {expected!r}")

    def scenario(self):
        data = os.path.join(self.work, "data")
        out = os.path.join(self.work, "out")
        os.makedirs(data)
        os.makedirs(out)
        file_a, file_b = os.path.join(data, "a.json"), os.path.join(data, "b.json")
        with open(file_a, "w", encoding="utf-8") as handle:
            handle.write(FILE_A)
        with open(file_b, "w", encoding="utf-8") as handle:
            handle.write(FILE_B)
        suffix = f"-{self.dpi}dpi"
        main_size = (CLIENT_WIDTH, CLIENT_HEIGHT)

        self.app_log = os.path.join(self.work, "app.log")
        with open(self.app_log, "w") as log:
            self.app = subprocess.Popen(["wine", self.args.exe], env=dict(self.env, WINEDEBUG="-all,+msgbox"),
                                        cwd=self.work, stdout=subprocess.DEVNULL, stderr=log)
        main = self.wait_window(MAIN_TITLE, timeout=40)
        time.sleep(1)
        self.screenshot("main-empty" + suffix, main)

        # Load one file through the open dialog.
        self.click_client(main, main_size, (230, 24))
        self.choose_in_file_dialog("Open", file_a)
        time.sleep(0.5)
        self.screenshot("main-loaded" + suffix, main)

        # The separator dialog: choose "Semicolon", then OK.
        self.click_client(main, main_size, (436, 101))
        separator = self.wait_window("CSV Separator")
        time.sleep(0.5)
        self.screenshot("separator-dialog" + suffix, separator)
        separator_size = (SEPARATOR_WIDTH, SEPARATOR_HEIGHT)
        self.click_client(separator, separator_size, (20, 62))
        self.click_client(separator, separator_size, (68, 163))
        self.wait_gone("CSV Separator")

        # One file: the export button goes straight to the save dialog.
        single = os.path.join(out, "single.csv")
        seen = len(self.message_texts())
        self.click_client(main, main_size, (230, 150))
        self.choose_in_file_dialog("Save( As)?", single)
        self.close_success("Operation completed. File saved: " + self.wine_path(single), seen)
        self.expect_file(single, CSV_A)

        # A second file, then both into a folder through the export menu.
        self.click_client(main, main_size, (230, 24))
        self.choose_in_file_dialog("Open", file_b)
        time.sleep(0.5)
        self.click_client(main, main_size, (230, 150))
        time.sleep(0.7)
        self.screenshot("export-menu" + suffix)
        seen = len(self.message_texts())
        self.run("xdotool", "key", "Down", "Down", "Return")
        folder_dialog = self.wait_window("Select folder:")
        time.sleep(0.5)
        self.point_at(folder_dialog)
        self.type_line(self.wine_path(out))
        if self.windows("Select folder:"):   # the first Return may only open the folder
            time.sleep(0.5)
            self.run("xdotool", "key", "Return")
        self.wait_gone("Select folder:")
        self.close_success("Operation completed. Files saved: " + self.wine_path(out), seen)
        self.expect_file(os.path.join(out, "a.csv"), CSV_A)
        self.expect_file(os.path.join(out, "b.csv"), CSV_B)
        self.feedback_and_about(main, suffix)

    def open_help_item(self, main, key):
        self.point_at(main)
        self.run("xdotool", "key", "alt+h")
        time.sleep(0.5)
        self.run("xdotool", "key", key)

    def feedback_and_about(self, main, suffix):
        """Help menu: "Send Feedback..." and "About..." open their windows, Escape closes them."""
        self.open_help_item(main, "f")
        feedback = self.wait_window(FEEDBACK_TITLE)
        time.sleep(0.7)
        self.screenshot("feedback-nothing-chosen" + suffix, feedback)
        self.click_client(feedback, FEEDBACK_SIZE, (130, 23))   # "I like it!"
        time.sleep(0.5)
        self.screenshot("feedback-like-chosen" + suffix, feedback)
        self.point_at(feedback)
        self.run("xdotool", "key", "Escape")   # the memo has the focus
        self.wait_gone(FEEDBACK_TITLE)

        self.open_help_item(main, "a")
        about = self.wait_window(ABOUT_TITLE)
        time.sleep(1.5)   # some rain
        self.screenshot("about-rain" + suffix, about)
        ox, oy = self.client_origin(about, *ABOUT_SIZE)
        self.run("xdotool", "mousemove", str(ox + self.scale(48 + 26)), str(oy + self.scale(42 + 139)),
                 "click", "--repeat", "2", "--delay", "80", "1")
        time.sleep(3)   # the panel slides out of the window
        self.screenshot("about-picture-revealed" + suffix, about)
        self.point_at(about)
        self.run("xdotool", "key", "Escape")   # "OK" has the focus
        self.wait_gone(ABOUT_TITLE)

    def close(self):
        if self.app and os.path.exists(self.app_log):
            shutil.copy(self.app_log, os.path.join(self.artifacts, f"tabulora-{self.dpi}dpi.log"))
        if self.app:
            subprocess.run(["wineserver", "-k"], env=self.env, capture_output=True, timeout=30)
            try:
                self.app.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.app.kill()
        if self.xvfb:
            self.xvfb.send_signal(signal.SIGTERM)
            self.xvfb.wait(timeout=10)
        shutil.rmtree(self.work, ignore_errors=True)


def run_main(session_class, add_arguments=lambda parser: None, budget=150):
    """Parses the command line, runs one session of `session_class` and reports how it went."""
    parser = argparse.ArgumentParser()
    parser.add_argument("--exe", required=True)
    parser.add_argument("--artifacts", required=True)
    parser.add_argument("--dpi", type=int, default=96)
    parser.add_argument("--budget", type=float, default=budget, help="seconds for the whole run")
    add_arguments(parser)
    args = parser.parse_args()
    session = session_class(args)
    try:
        session.start_display()
        session.prepare_wine()
        session.scenario()
    except (Failure, subprocess.TimeoutExpired) as error:
        print(f"FAILED ({args.dpi} DPI): {error}", file=sys.stderr)
        return 1
    finally:
        session.close()
    print(f"passed at {args.dpi} DPI; screenshots in {args.artifacts}")
    return 0


if __name__ == "__main__":
    sys.exit(run_main(Session))
