#!/usr/bin/env python3
"""Write one JSON record whose text member is a single string of SIZE bytes as written.

The string repeats a sentence with escaped quotes, \\u escapes and two-byte characters, so
that reading it decodes escapes and writing it quotes the CSV cell and doubles its quotes.
"""
import argparse
import sys

sys.dont_write_bytecode = True  # keep bench/ free of __pycache__

UNIT = ('Lorem ipsum \\"dolor\\" sit amet, \\u00e9t\\u00e9 \u00e0 la plage; ' * 4096).encode("utf-8")


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("path")
    parser.add_argument("--size", type=int, default=1 << 30, help="bytes of the string between its quotes")
    args = parser.parse_args()
    with open(args.path, "wb") as out:
        out.write(b'[{"id":1,"text":"')
        written = 0
        while written + len(UNIT) <= args.size:
            written += out.write(UNIT)
        out.write(b"x" * (args.size - written))
        out.write(b'","after":2}]\n')


if __name__ == "__main__":
    main()
