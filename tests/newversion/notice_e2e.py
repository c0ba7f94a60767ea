#!/usr/bin/env python3
"""Starts the real Tabulora.exe under Wine on a virtual display against the local check server
(run under tests/update/local_servers.py, which supplies the ports and a fresh Wine prefix). The
server reports version 2.2, so the new-version notice must appear at the top right of the screen
with its texts (saved as notice.png in the artifacts folder) and hide itself about eleven seconds
later. Every wait is bounded."""

import argparse
import os
import subprocess
import sys
import time
import urllib.parse
import urllib.request

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from e2e_support import Failure, run, start_display, wait_for  # noqa: E402

NOTICE_TITLE = "UPDATE AVAILABLE"
NOTICE_WIDTH, NOTICE_HEIGHT = 320, 68
SCREEN_WIDTH, SCREEN_HEIGHT = 1280, 900
ANSWER = ("<version>2.2</version>\r\n<url>https://maker.example/get</url>\r\n\r\n<result>0</result>\r\n\r\n"
          "<important></important>\r\n")



def control(path, fields=None):
    port = os.environ["TABULORA_TEST_PLAIN_PORT"]
    data = urllib.parse.urlencode(fields or {}).encode()
    with urllib.request.urlopen(f"http://127.0.0.1:{port}{path}", data=data, timeout=10) as answer:
        return answer.read().decode()




def notice_windows(env):
    out = run(env, "xdotool", "search", "--onlyvisible", "--name", f"^{NOTICE_TITLE}$").stdout
    return out.split()



def geometry(env, window):
    values = {}
    for line in run(env, "xdotool", "getwindowgeometry", "--shell", window).stdout.splitlines():
        key, _, value = line.partition("=")
        values[key] = value
    return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--exe", required=True)
    parser.add_argument("--artifacts", required=True)
    args = parser.parse_args()
    os.makedirs(args.artifacts, exist_ok=True)
    env = dict(os.environ, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=", LANG="en_US.UTF-8",
               LC_ALL="en_US.UTF-8", TABULORA_MAKER_HOST="127.0.0.1:" + os.environ["TABULORA_TEST_MIXED_PORT"])
    env.pop("TABULORA_DPI", None)
    xvfb = start_display(env, SCREEN_WIDTH, SCREEN_HEIGHT)
    app = None
    try:
        run(env, "wineboot", "-i")
        run(env, "wineserver", "-w")
        control("/control/answer", {"status": "200", "body": ANSWER})

        app = subprocess.Popen(["wine", os.path.abspath(args.exe)], env=env,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        window = wait_for("the notice", lambda: (notice_windows(env) or [None])[0], 90)
        appeared = time.monotonic()
        time.sleep(0.5)   # let it paint
        screenshot = os.path.join(args.artifacts, "notice.png")
        run(env, "import", "-window", "root", screenshot)

        x, y, width, height = geometry(env, window)
        if (width, height) != (NOTICE_WIDTH, NOTICE_HEIGHT):
            raise Failure(f"notice is {width}x{height}, expected {NOTICE_WIDTH}x{NOTICE_HEIGHT}")
        if (x, y) != (SCREEN_WIDTH - NOTICE_WIDTH - 5, 5):
            raise Failure(f"notice at {x},{y}, expected the top right corner with a 5-pixel gap")
        requests = control("/control/requests").split("\n")
        if requests[0] != "1":
            raise Failure(f"expected one check request, the server saw {requests[0]}")

        # It closes itself on the eleventh tick of a one-second timer: still there after five
        # seconds, gone well within a minute.
        time.sleep(max(0.0, appeared + 5 - time.monotonic()))
        if not notice_windows(env):
            raise Failure("the notice closed before its time")
        wait_for("the notice to hide itself", lambda: not notice_windows(env), 60)
        print(f"notice shown for about {time.monotonic() - appeared:.0f} s; screenshot: {screenshot}")
        return 0
    except Failure as failure:
        run(env, "import", "-window", "root", os.path.join(args.artifacts, "notice-failure.png"))
        print(f"notice_e2e: {failure}", file=sys.stderr)
        return 1
    finally:
        if app:
            app.kill()
        run(env, "wineserver", "-k")
        xvfb.kill()


if __name__ == "__main__":
    sys.exit(main())
