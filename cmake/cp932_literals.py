#!/usr/bin/env python3
"""Rewrites a UTF-8 C++ source so that every non-ASCII character becomes its code page 932
bytes as hexadecimal escapes, for compilers that cannot take -fexec-charset=CP932.

    cp932_literals.py INPUT OUTPUT
"""
import os
import sys


def convert(text):
    out = []
    for char in text:
        if ord(char) < 0x80:
            out.append(char)
        else:
            # A closing and reopening quote ends each escape, so no following hex digit joins it.
            out.append("".join(f"\\x{byte:02X}" for byte in char.encode("cp932")) + '""')
    return "".join(out)


source, target = sys.argv[1], sys.argv[2]
os.makedirs(os.path.dirname(target), exist_ok=True)
with open(source, encoding="utf-8") as file:
    text = file.read()
with open(target, "w", encoding="ascii") as file:
    file.write(f'// Generated from {source.rsplit("/", 1)[-1]}; do not edit.\n#line 1 "{source}"\n' + convert(text))
