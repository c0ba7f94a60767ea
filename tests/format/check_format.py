#!/usr/bin/env python3
"""Checks that the tracked C++ files are formatted as the root .clang-format says.

Only clang-format 14 is used (Debian's, installed by scripts/setup): other versions format
differently. Without it the check is skipped, except under CI=true, where it fails.
Usage: check_format.py ROOT [CLANG_FORMAT]"""
import os
import re
import shutil
import subprocess
import sys
from pathlib import Path

VERSION = 14
SKIPPED = 77  # the test's SKIP_RETURN_CODE in CTest
VIOLATION = re.compile(r"^(.+?):(\d+):\d+: error: code should be clang-formatted")


def find_clang_format(given):
    candidates = [given] if given else [os.environ.get("CLANG_FORMAT"), f"clang-format-{VERSION}", "clang-format"]
    for candidate in filter(None, candidates):
        path = shutil.which(candidate)
        if not path:
            continue
        version = subprocess.run([path, "--version"], capture_output=True, text=True).stdout
        match = re.search(r"version (\d+)\.", version)
        if match and int(match.group(1)) == VERSION:
            return path
        print(f"format: {path} is not clang-format {VERSION}: {version.strip()}")
    return None


def tracked_sources(root):
    listing = subprocess.run(["git", "-C", str(root), "ls-files", "-z", "--", "*.cpp", "*.h"],
                             capture_output=True, text=True, check=True).stdout
    return [name for name in listing.split("\0") if name and (root / name).is_file()]


def main(root, given):
    clang_format = find_clang_format(given)
    if not clang_format:
        print(f"format: clang-format {VERSION} not found (scripts/setup installs it)")
        return 1 if os.environ.get("CI", "").lower() in ("true", "1") else SKIPPED
    files = tracked_sources(root)
    result = subprocess.run([clang_format, "--style=file", "--dry-run", "--Werror", "--ferror-limit=1", *files],
                            cwd=root, capture_output=True, text=True)
    first_change = {}
    for line in result.stderr.splitlines():
        match = VIOLATION.match(line)
        if match:
            first_change.setdefault(match.group(1), match.group(2))
    if result.returncode != 0 and not first_change:
        print(result.stderr)
        print("format: clang-format failed")
        return 1
    for name, line in first_change.items():
        print(f"{name}:{line}: clang-format would change this file from here on")
    print(f"format: {len(first_change)} of {len(files)} file(s) would change")
    if first_change:
        print(f"format: to reformat them: git ls-files -z -- '*.cpp' '*.h' | xargs -0 {Path(clang_format).name} -i")
    return 1 if first_change else 0


if __name__ == "__main__":
    sys.exit(main(Path(sys.argv[1]).resolve(), sys.argv[2] if len(sys.argv) > 2 else None))
