#!/usr/bin/env python3
"""Closes the real Tabulora.exe while its update check waits on a server that never answers
(run under tests/update/local_servers.py, which supplies the silent listener and a fresh Wine
prefix). The check would wait up to two attempts of two time-outs; the program must end within a
few seconds of its main window closing, with exit code 0. Every wait is bounded."""

import argparse
import os
import select
import subprocess
import sys
import time

MAIN_TITLE = "BRIMTAL - Tabulora"
EXIT_LIMIT_S = 5      # the process must be gone this long after the window closes
CHECK_RUNNING_S = float(os.environ.get("CHECK_RUNNING_S", "3"))


class Failure(Exception):
    pass


def start_display(env):
    read_end, write_end = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x900x24",
                             "-nolisten", "tcp"],
                            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as pipe:
        ready, _, _ = select.select([pipe], [], [], 30)
        number = pipe.readline().strip() if ready else ""
    if not number:
        xvfb.kill()
        raise Failure("Xvfb did not start")
    env["DISPLAY"] = f":{number}"
    return xvfb


def run(env, *command, timeout=90):
    return subprocess.run(command, env=env, capture_output=True, text=True, timeout=timeout)


def wait_for(what, probe, timeout):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        result = probe()
        if result:
            return result
        time.sleep(0.2)
    raise Failure(f"timed out waiting for {what}")


def main_window(env):
    out = run(env, "xdotool", "search", "--onlyvisible", "--name", f"^{MAIN_TITLE}$").stdout.split()
    return out[0] if out else None


def established_connections_to(port):
    """Connections from a client to 127.0.0.1:port, as the kernel lists them."""
    out = subprocess.run(["ss", "-Htn", "state", "established", f"dport = :{port}"],
                         capture_output=True, text=True).stdout
    return [line for line in out.splitlines() if line.strip()]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--exe", required=True)
    args = parser.parse_args()
    silent_port = int(os.environ["TABULORA_TEST_SILENT_PORT"])
    env = dict(os.environ, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=", LANG="en_US.UTF-8",
               LC_ALL="en_US.UTF-8", TABULORA_MAKER_HOST=f"127.0.0.1:{silent_port}")
    xvfb = start_display(env)
    app = None
    try:
        run(env, "wineboot", "-i")
        run(env, "wineserver", "-w")
        app = subprocess.Popen(["wine", os.path.abspath(args.exe)], env=env,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        window = wait_for("the main window", lambda: main_window(env), 90)
        # The check has connected to the silent server and waits for its answer.
        wait_for("the check to connect", lambda: established_connections_to(silent_port), 30)
        time.sleep(CHECK_RUNNING_S)
        if app.poll() is not None:
            raise Failure(f"the program ended by itself (exit code {app.returncode})")
        if not established_connections_to(silent_port):
            raise Failure("the check is no longer waiting on the server; the test proves nothing")

        # Without a window manager the keyboard goes to the window under the pointer.
        x, y = 0, 0
        for line in run(env, "xdotool", "getwindowgeometry", "--shell", window).stdout.splitlines():
            key, _, value = line.partition("=")
            if key == "X":
                x = int(value)
            elif key == "Y":
                y = int(value)
        run(env, "xdotool", "mousemove", str(x + 40), str(y + 60))
        time.sleep(0.3)
        run(env, "xdotool", "key", "alt+F4")
        closed = time.monotonic()
        try:
            code = app.wait(timeout=EXIT_LIMIT_S + 25)
        except subprocess.TimeoutExpired:
            raise Failure(f"the program was still running {time.monotonic() - closed:.1f} s after its "
                          f"window was closed")
        took = time.monotonic() - closed
        print(f"the program ended {took:.1f} s after its window closed, exit code {code}")
        if took > EXIT_LIMIT_S:
            raise Failure(f"the program took {took:.1f} s to end (limit {EXIT_LIMIT_S} s)")
        if code != 0:
            raise Failure(f"the program ended with exit code {code}, expected 0")
        return 0
    except Failure as failure:
        print(f"exit_during_check_e2e: {failure}", file=sys.stderr)
        return 1
    finally:
        if app and app.poll() is None:
            app.kill()
        run(env, "wineserver", "-k")
        xvfb.kill()


if __name__ == "__main__":
    sys.exit(main())
