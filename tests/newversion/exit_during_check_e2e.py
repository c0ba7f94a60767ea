#!/usr/bin/env python3
"""Closes the real Tabulora.exe while its update check waits on a server that never answers
(run under tests/update/local_servers.py, which supplies the silent listener and a fresh Wine
prefix). The check would go on for two attempts of up to two time-outs each; the program must end
within a few seconds of its main window closing, with exit code 0. The window is closed twice,
in two runs: while the check waits for the TLS handshake, and later while it waits for the plain
HTTP answer. Every wait is bounded."""

import os
import subprocess
import sys
import time
import argparse

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from e2e_support import Failure, run, start_display, wait_for  # noqa: E402

MAIN_TITLE = "BRIMTAL - Tabulora"
EXIT_LIMIT_S = 5   # Wine alone takes about 2 s to end a program after its window closes
# Seconds after the check connected: within the HTTPS attempt (its time-out is 10 s), and within
# the plain-HTTP attempt that follows it.
CLOSE_AFTER_S = (3, 13)






def main_window(env):
    out = run(env, "xdotool", "search", "--onlyvisible", "--name", f"^{MAIN_TITLE}$").stdout.split()
    return out[0] if out else None


def connections_to(port):
    """Established connections to 127.0.0.1:port, as the kernel lists them."""
    out = subprocess.run(["ss", "-Htn", "state", "established", f"dport = :{port}"],
                         capture_output=True, text=True).stdout
    return [line for line in out.splitlines() if line.strip()]


def close_during_check(env, exe, port, close_after):
    app = subprocess.Popen(["wine", exe], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        window = wait_for("the main window", lambda: main_window(env), 90)
        wait_for("the check to connect", lambda: connections_to(port), 30)
        time.sleep(close_after)
        if app.poll() is not None:
            raise Failure(f"the program ended by itself (exit code {app.returncode})")
        if not connections_to(port):
            raise Failure("the check no longer waits on the server; the test would prove nothing")

        # Alt+F4 as a person would; without a window manager the keyboard goes to the window
        # under the pointer.
        place = dict(line.partition("=")[::2] for line in
                     run(env, "xdotool", "getwindowgeometry", "--shell", window).stdout.splitlines())
        run(env, "xdotool", "mousemove", str(int(place["X"]) + 40), str(int(place["Y"]) + 60))
        time.sleep(0.3)
        run(env, "xdotool", "key", "alt+F4")
        closed = time.monotonic()
        try:
            code = app.wait(timeout=EXIT_LIMIT_S + 25)
        except subprocess.TimeoutExpired:
            raise Failure(f"the program was still running {time.monotonic() - closed:.1f} s after its "
                          f"window was closed")
        took = time.monotonic() - closed
        print(f"closed {close_after} s into the check: the program ended {took:.1f} s later, "
              f"exit code {code}")
        if took > EXIT_LIMIT_S:
            raise Failure(f"the program took {took:.1f} s to end (limit {EXIT_LIMIT_S} s)")
        if code != 0:
            raise Failure(f"the program ended with exit code {code}, expected 0")
    finally:
        if app.poll() is None:
            app.kill()
            app.wait()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--exe", required=True)
    args = parser.parse_args()
    port = int(os.environ["TABULORA_TEST_SILENT_PORT"])
    env = dict(os.environ, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=", LANG="en_US.UTF-8",
               LC_ALL="en_US.UTF-8", TABULORA_MAKER_HOST=f"127.0.0.1:{port}")
    xvfb = start_display(env)
    try:
        run(env, "wineboot", "-i")
        run(env, "wineserver", "-w")
        for close_after in CLOSE_AFTER_S:
            close_during_check(env, os.path.abspath(args.exe), port, close_after)
        return 0
    except Failure as failure:
        print(f"exit_during_check_e2e: {failure}", file=sys.stderr)
        return 1
    finally:
        run(env, "wineserver", "-k")
        xvfb.kill()


if __name__ == "__main__":
    sys.exit(main())
