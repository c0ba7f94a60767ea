#!/usr/bin/env python3
"""The import check finds fault with each kind of import that stops a program on Windows 7, and
with nothing else: run on the probe, it reports exactly these; run on the probe together with a
good executable, it still fails and names the good one's imports as fine.

    check_imports_test.py CHECK_IMPORTS PROBE GOOD_EXE
"""

import os
import subprocess
import sys

EXPECTED_PROBLEMS = [
    "  api-ms-win-crt-runtime-l1-1-0.dll: not a DLL of Windows 7 SP1",
    "  user32.dll!GetDpiForWindow: only from Windows 10 1607 on; look it up at run time",
]


def run(*command):
    return subprocess.run([sys.executable, *command], capture_output=True, text=True, timeout=60)


def main():
    check, probe, good = sys.argv[1:4]
    failures = []

    result = run(check, probe)
    problems = [line for line in result.stdout.splitlines() if line.startswith("  ")]
    if result.returncode != 1:
        failures.append(f"the probe gave exit code {result.returncode}, not 1")
    if problems != EXPECTED_PROBLEMS:
        failures.append("the probe's problems were:\n" + "\n".join(problems))
    if "2 problem(s)" not in result.stdout:
        failures.append("the count of problems is missing")

    result = run(check, good, probe)
    good_line = [line for line in result.stdout.splitlines() if line.startswith(os.path.basename(good) + ":")]
    if result.returncode != 1:
        failures.append("a bad executable after a good one went unnoticed")
    if len(good_line) != 1 or "functions" not in good_line[0]:
        failures.append(f"the good executable's summary is {good_line}")

    if failures:
        print(result.stdout)
        print("\n".join(failures))
        return 1
    print("the check reports the probe's two problems and nothing else")
    return 0


if __name__ == "__main__":
    sys.exit(main())
