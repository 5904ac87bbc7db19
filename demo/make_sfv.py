#!/usr/bin/env python3
"""Writes a .sfv list of the given files (CRC-32 of each, names relative to the list's folder),
as release groups ship them: a comment header, CRLF line ends, upper-case hexadecimal.

Usage: make_sfv.py OUT.sfv FILE...
"""
import os
import sys
import zlib


def crc32(path):
    crc = 0
    with open(path, "rb") as f:
        while chunk := f.read(1 << 20):
            crc = zlib.crc32(chunk, crc)
    return crc


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    out, files = sys.argv[1], sys.argv[2:]
    folder = os.path.dirname(os.path.abspath(out))
    lines = ["; KIV Demo Release 1.0 -- checked by nfocrc", ";"]
    for path in files:
        name = os.path.relpath(os.path.abspath(path), folder)
        lines.append(f"{name} {crc32(path):08X}")
    with open(out, "w", newline="\r\n") as f:
        f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
