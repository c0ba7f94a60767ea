"""What the end-to-end tests share: a virtual display of their own, bounded waits, commands run
in the test's environment."""

import os
import select
import subprocess
import time


class Failure(Exception):
    pass


def start_display(env, width=1280, height=900):
    """Starts Xvfb on a free display (it writes the number to a pipe), points env at it and
    returns the process."""
    read_end, write_end = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", f"{width}x{height}x24",
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


def wait_for(what, probe, timeout, deadline=None):
    """The first true result of probe(), asked every 0.2 s; Failure after `timeout` seconds or at
    the monotonic `deadline`, whichever comes first."""
    end = time.monotonic() + timeout
    if deadline is not None:
        end = min(end, deadline)
    while time.monotonic() < end:
        result = probe()
        if result:
            return result
        time.sleep(0.2)
    raise Failure(f"timed out waiting for {what}")
