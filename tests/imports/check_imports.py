#!/usr/bin/env python3
"""Reads the import tables of Zeb.exe and ZebUpdater.exe and fails when one
names a DLL that Windows would look for in the program's folder first: only
the KnownDLLs (always loaded from the system folder) and comctl32 (bound to
the system's side-by-side copy by the manifest) may be imported directly.
Everything else is delay-loaded from the system folder.

    check_imports.py BUILD_DIR
"""
import os
import struct
import sys

# Windows 7 to 11 list these under HKLM\SYSTEM\CurrentControlSet\Control\
# Session Manager\KnownDLLs (the 7 list, which the later ones contain).
KNOWN_DLLS = {
    "advapi32.dll", "clbcatq.dll", "comdlg32.dll", "difxapi.dll", "gdi32.dll", "imagehlp.dll",
    "imm32.dll", "kernel32.dll", "lpk.dll", "msctf.dll", "msvcrt.dll", "normaliz.dll", "nsi.dll",
    "ole32.dll", "oleaut32.dll", "psapi.dll", "rpcrt4.dll", "sechost.dll", "setupapi.dll",
    "shell32.dll", "shlwapi.dll", "user32.dll", "usp10.dll",
    "wldap32.dll", "ws2_32.dll",
}
MANIFEST_BOUND = {"comctl32.dll"}


def read_imports(path):
    """The DLL names of the import table."""
    with open(path, "rb") as f:
        data = f.read()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError("%s is not a PE file" % path)
    sections = struct.unpack_from("<H", data, pe + 6)[0]
    optional_size = struct.unpack_from("<H", data, pe + 20)[0]
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    directories = optional + (112 if magic == 0x20B else 96)
    table = optional + optional_size
    spans = []
    for i in range(sections):
        s = table + 40 * i
        size, rva, raw_size, raw = struct.unpack_from("<IIII", data, s + 8)
        spans.append((rva, max(size, raw_size), raw))

    def at(rva):
        for start, size, raw in spans:
            if start <= rva < start + size:
                return raw + rva - start
        raise ValueError("address %#x outside the sections" % rva)

    def name(rva):
        o = at(rva)
        return data[o:data.index(b"\0", o)].decode("ascii").lower()

    rva = struct.unpack_from("<I", data, directories + 8)[0]  # the import directory
    found = []
    o = at(rva) if rva else None
    while o is not None and data[o:o + 20] != b"\0" * 20:
        found.append(name(struct.unpack_from("<I", data, o + 12)[0]))
        o += 20
    return found


def main():
    build = sys.argv[1]
    bad = []
    for program in ("Zeb.exe", "ZebUpdater.exe"):
        direct = read_imports(os.path.join(build, program))
        print("%s imports: %s" % (program, ", ".join(direct)))
        bad += ["%s imports %s" % (program, d) for d in direct if d not in KNOWN_DLLS | MANIFEST_BOUND]
    for line in bad:
        print("not a KnownDLL: " + line)
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
