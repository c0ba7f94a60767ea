#!/usr/bin/env python3
"""Checks that Windows executables start on Windows 7 SP1: reads the import table of each
executable named and fails on a DLL that is not in windows7_dlls.txt and on a function listed in
newer_than_windows7.txt, both beside this script.

Delay-loaded imports are not read: the MinGW linker leaves the delay-import directory empty, so
they cannot be found there. The program does not use them; a function newer than Windows 7 is
looked up with GetProcAddress instead.

    check_imports.py [--dlls FILE] [--newer FILE] EXE...
"""

import argparse
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))


class PeError(Exception):
    pass


class PeImage:
    """The parts of a PE file the import tables need: sections and data directories."""

    def __init__(self, path):
        with open(path, "rb") as f:
            self.data = f.read()
        if self.data[:2] != b"MZ":
            raise PeError("no MZ header")
        pe_offset = self.u32(0x3C)
        if self.data[pe_offset:pe_offset + 4] != b"PE\0\0":
            raise PeError("no PE signature")
        coff = pe_offset + 4
        section_count = self.u16(coff + 2)
        optional_size = self.u16(coff + 16)
        optional = coff + 20
        magic = self.u16(optional)
        if magic == 0x20B:  # PE32+
            self.pointer_size = 8
            directories = optional + 112
        elif magic == 0x10B:  # PE32
            self.pointer_size = 4
            directories = optional + 96
        else:
            raise PeError(f"unknown optional header magic {magic:#x}")
        directory_count = self.u32(directories - 4)
        self.directories = [(self.u32(directories + 8 * i), self.u32(directories + 8 * i + 4))
                            for i in range(directory_count)]
        self.sections = []
        first_section = optional + optional_size
        for i in range(section_count):
            header = first_section + 40 * i
            virtual_size, virtual_address, raw_size, raw_pointer = struct.unpack_from("<IIII", self.data, header + 8)
            self.sections.append((virtual_address, max(virtual_size, raw_size), raw_pointer))

    def u16(self, offset):
        return struct.unpack_from("<H", self.data, offset)[0]

    def u32(self, offset):
        return struct.unpack_from("<I", self.data, offset)[0]

    def u64(self, offset):
        return struct.unpack_from("<Q", self.data, offset)[0]

    def offset(self, rva):
        for address, size, raw in self.sections:
            if address <= rva < address + size:
                return raw + rva - address
        raise PeError(f"address {rva:#x} lies in no section")

    def text(self, rva):
        start = self.offset(rva)
        end = self.data.index(b"\0", start)
        return self.data[start:end].decode("ascii")

    def thunk_names(self, rva):
        """The names (or "#ordinal") of a null-terminated thunk array."""
        names = []
        ordinal_flag = 1 << (8 * self.pointer_size - 1)
        position = self.offset(rva)
        while True:
            value = self.u64(position) if self.pointer_size == 8 else self.u32(position)
            if value == 0:
                return names
            if value & ordinal_flag:
                names.append(f"#{value & 0xFFFF}")
            else:
                names.append(self.text((value & 0x7FFFFFFF) + 2))  # past the hint
            position += self.pointer_size

    def imports(self):
        """{dll name in lower case: [function, ...]} of the import table."""
        found = {}
        rva, size = self.directories[1] if len(self.directories) > 1 else (0, 0)
        if rva and size:
            position = self.offset(rva)
            while True:
                lookup, _, _, name, address = struct.unpack_from("<IIIII", self.data, position)
                if name == 0:
                    break
                found.setdefault(self.text(name).lower(), []).extend(self.thunk_names(lookup or address))
                position += 20
        return found


def read_list(path):
    entries = []
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.strip()
            if line and not line.startswith("#"):
                entries.append(line)
    return entries


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--dlls", default=os.path.join(HERE, "windows7_dlls.txt"))
    parser.add_argument("--newer", default=os.path.join(HERE, "newer_than_windows7.txt"))
    parser.add_argument("executables", nargs="+")
    args = parser.parse_args()

    windows7_dlls = {line.lower() for line in read_list(args.dlls)}
    newer = {}
    for line in read_list(args.newer):
        dll, function, since = line.split(None, 2)
        newer[(dll.lower(), function)] = since

    problems = 0
    for path in args.executables:
        name = os.path.basename(path)
        try:
            imports = PeImage(path).imports()
        except (OSError, PeError, ValueError, struct.error) as error:
            print(f"{name}: cannot read the import table: {error}")
            problems += 1
            continue
        # A reader that finds nothing would pass everything: every program imports kernel32.
        if "kernel32.dll" not in imports:
            print(f"{name}: no import from kernel32.dll found; the import table was not read right")
            problems += 1
        function_count = sum(len(functions) for functions in imports.values())
        print(f"{name}: {len(imports)} DLLs, {function_count} functions")
        for dll, functions in sorted(imports.items()):
            if dll not in windows7_dlls:
                print(f"  {dll}: not a DLL of Windows 7 SP1")
                problems += 1
            for function in sorted(set(functions)):
                since = newer.get((dll, function))
                if since:
                    print(f"  {dll}!{function}: only from {since} on; look it up at run time")
                    problems += 1
    if problems:
        print(f"{problems} problem(s): the program would not start on Windows 7 SP1")
        return 1
    print("every import exists on Windows 7 SP1")
    return 0


if __name__ == "__main__":
    sys.exit(main())
