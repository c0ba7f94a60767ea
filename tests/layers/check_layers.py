#!/usr/bin/env python3
"""Checks that the source folders include only the folders below them.

Each folder may include its own headers and those of the folders its row names; nothing else.
The table is itself checked to be free of cycles. The folders below the window toolkit must not
make windows of their own either."""
import re
import sys
from pathlib import Path

ALLOWED = {
    "engine": set(),
    "platform": {"engine"},
    "cli": {"engine", "platform"},
    "base": {"engine"},
    "update": {"base", "platform", "engine"},
    "winui": {"base", "platform", "engine"},
    "ui": {"winui", "update", "base", "platform", "engine"},
    "app": {"ui", "winui", "update", "base", "platform", "engine"},
}
WINDOWLESS = ["engine", "platform", "cli", "base", "update"]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"/]+)/')
MAKES_WINDOWS = re.compile(r"\b(CreateWindowExW?|RegisterClass(Ex)?W?|winui::)")


def has_cycle(graph):
    state = {}

    def visit(node):
        if state.get(node) == "open":
            return True
        if state.get(node) == "done":
            return False
        state[node] = "open"
        if any(visit(below) for below in graph[node]):
            return True
        state[node] = "done"
        return False

    return any(visit(node) for node in graph)


def main(root):
    problems = []
    if has_cycle(ALLOWED):
        problems.append("the table of allowed includes has a cycle")
    for folder, allowed in ALLOWED.items():
        for source in sorted((root / folder).rglob("*")):
            if source.suffix not in (".h", ".cpp"):
                continue
            for number, line in enumerate(source.read_text(encoding="utf-8").splitlines(), 1):
                match = INCLUDE.match(line)
                if match and match.group(1) != folder and match.group(1) not in allowed:
                    problems.append(f"{source.relative_to(root)}:{number}: {folder}/ may not include "
                                    f"{match.group(1)}/")
                if folder in WINDOWLESS and MAKES_WINDOWS.search(line):
                    problems.append(f"{source.relative_to(root)}:{number}: {folder}/ makes no windows")
    for problem in problems:
        print(problem)
    print(f"layers: {len(problems)} problem(s)")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(Path(sys.argv[1] if len(sys.argv) > 1 else ".").resolve()))
