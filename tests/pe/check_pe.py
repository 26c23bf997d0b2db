#!/usr/bin/env python3
"""Reads the facts of a built updater back from the file, through the cross binutils' objdump,
and fails when one is off: format, machine, subsystem, imports, resources and manifest.

    check_pe.py OBJDUMP EXE MACHINE PAYLOAD_DIR RESOURCE_NAME...
"""

import re
import subprocess
import sys
import xml.etree.ElementTree as ET
from pathlib import Path

SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "advapi32.dll", "msvcrt.dll"}
ASM_V1 = "{urn:schemas-microsoft-com:asm.v1}"
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"

failures = []


def expect(condition, message):
    if not condition:
        failures.append(message)


def check_headers(dump, machine):
    if machine == "i386":
        expect("file format pei-i386" in dump, "not a PE32 file for i386")
        expect(re.search(r"^Magic\s+010b\s+\(PE32\)", dump, re.M), "optional header is not PE32")
    else:
        expect("file format pei-x86-64" in dump, "not a PE32+ file for x86-64")
    expect(re.search(r"^Subsystem\s+00000002\s+\(Windows GUI\)", dump, re.M), "subsystem is not Windows GUI")


def check_imports(dump):
    dlls = {name.lower() for name in re.findall(r"DLL Name: (\S+)", dump)}
    expect(dlls, "no imports found")
    expect(dlls <= SYSTEM_DLLS, f"imports beyond the system DLLs: {sorted(dlls - SYSTEM_DLLS)}")


def resource_tree(dump):
    """(type, name, language, size) for every resource leaf in objdump's resource listing."""
    section = dump[dump.index("The .rsrc Resource Directory section:"):]
    leaves, path = [], []
    for line in section.splitlines():
        entry = re.match(r"^[0-9a-f]+(\s+)Entry: (?:name: \[val: [0-9a-f]+ len \d+\]: ([^,\s]+)|ID: (?:0x)?([0-9a-f]+))", line)
        if entry:
            depth = (len(entry.group(1)) - 3) // 2  # type, name, language
            key = entry.group(2) if entry.group(2) else int(entry.group(3), 16)
            path = path[:depth] + [key]
            continue
        leaf = re.search(r"Leaf: Addr: 0x[0-9a-f]+, Size: 0x([0-9a-f]+)", line)
        if leaf and len(path) == 3:
            leaves.append((path[0], path[1], path[2], int(leaf.group(1), 16)))
    return leaves


def check_resources(dump, payload_dir, names):
    leaves = resource_tree(dump)
    types = sorted({str(t) for t, _, _, _ in leaves})
    expect(types == ["24", "BIN"], f"resource types {types}, expected BIN and 24 (manifest) only")
    bins = sorted((n, lang, size) for t, n, lang, size in leaves if t == "BIN")
    expected = sorted((n, 0x411, (payload_dir / n).stat().st_size) for n in names)
    expect(bins == expected, f"BIN resources {bins}, expected {expected}")
    manifests = [(n, size) for t, n, _, size in leaves if t == 24]
    expect(len(manifests) == 1 and manifests[0][0] == 1, f"manifest resources {manifests}, expected one with ID 1")


def check_manifest(exe):
    data = exe.read_bytes()
    start, end = data.find(b"<?xml"), data.find(b"</assembly>")
    expect(start >= 0 and end > start, "no manifest text in the file")
    if failures:
        return
    root = ET.fromstring(data[start:end + len(b"</assembly>")])
    expect(root.tag == ASM_V1 + "assembly" and root.get("manifestVersion") == "1.0", "not a 1.0 assembly manifest")
    children = [child.tag for child in root]
    expect(children == [ASM_V1 + "assemblyIdentity", ASM_V1 + "description", ASM_V3 + "trustInfo"],
           f"manifest declares {children}, expected identity, description and trust information only")
    identity = root.find(ASM_V1 + "assemblyIdentity")
    expect(identity is not None and identity.attrib == {"type": "win32", "name": "QUORLEN_P101", "version": "1.0.0.1",
                                                        "processorArchitecture": "x86"},
           f"assembly identity {identity.attrib if identity is not None else None}")
    expect(root.findtext(ASM_V1 + "description") == "QUORLEN_P101", "description is not QUORLEN_P101")
    level = root.find(f"{ASM_V3}trustInfo/{ASM_V3}security/{ASM_V3}requestedPrivileges/{ASM_V3}requestedExecutionLevel")
    expect(level is not None and level.attrib == {"level": "requireAdministrator", "uiAccess": "false"},
           f"execution level {level.attrib if level is not None else None}")


def main():
    objdump, exe, machine, payload_dir, *names = sys.argv[1:]
    exe, payload_dir = Path(exe), Path(payload_dir)
    dump = subprocess.run([objdump, "-p", str(exe)], check=True, capture_output=True, text=True).stdout
    check_headers(dump, machine)
    check_imports(dump)
    check_resources(dump, payload_dir, names)
    check_manifest(exe)
    for failure in failures:
        print("FAIL:", failure)
    if not failures:
        print(f"{exe.name}: {machine}, Windows GUI, system imports only, resources {sorted(names)} and the manifest")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
