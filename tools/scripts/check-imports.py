#!/usr/bin/env python3
"""Fails when the shipped program imports anything that Windows 7 SP1 lacks.

Usage: check-imports.py PROGRAM.exe [COMPILER]

The loader refuses a program whose import table names a function the
system's DLLs do not export, before a line of it runs. So every name the
program imports from a system DLL is compiled as a reference with
_WIN32_WINNT=0x0601: MinGW-w64's headers hide what Windows 7 lacks, and a
hidden name fails to compile. A few newer functions are declared without a
guard; newer-than-windows7.txt lists them. API-set DLLs (api-ms-win-*,
ext-ms-*) and the universal C runtime (ucrtbase.dll) are not on a bare
Windows 7. The C runtime msvcrt.dll, which MinGW-w64 targets, is part of
every Windows since XP; its names are the C library's, not the Win32 API's,
so they are not compiled.
"""
import os
import re
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
HEADERS = ["windows.h", "commctrl.h", "tlhelp32.h", "objbase.h", "ole2.h",
           "olectl.h", "ocidl.h", "shellapi.h", "shlobj.h", "dbt.h",
           "winver.h", "uxtheme.h", "wtsapi32.h", "shobjidl.h", "bcrypt.h", "setupapi.h",
           "cfgmgr32.h"]
C_RUNTIME = {"msvcrt.dll"}
NOT_ON_WINDOWS7 = re.compile(r"^(api-ms-win-|ext-ms-|ucrtbase\.dll$)", re.I)


def imports(exe):
    """{dll (lower case): [function names]} from objdump's import table."""
    out = subprocess.run(["x86_64-w64-mingw32-objdump", "-p", exe], check=True,
                         capture_output=True, text=True).stdout
    table, dll = {}, None
    for line in out.splitlines():
        m = re.match(r"\s*DLL Name: (\S+)", line)
        if m:
            dll = m.group(1).lower()
            table.setdefault(dll, [])
            continue
        m = re.match(r"\s+[0-9a-f]+\s+\d+\s+(\S+)\s*$", line)
        if dll and m:
            table[dll].append(m.group(1))
        elif line and not line[0].isspace():
            dll = None  # the next part of the dump begins
    return table


def newer_list():
    names = set()
    with open(os.path.join(HERE, "newer-than-windows7.txt")) as f:
        for line in f:
            name = line.split("#", 1)[0].strip()
            if name:
                names.add(name)
    return names


def hidden_by_headers(names, compiler):
    """The names that do not compile with the Windows 7 headers."""
    source = "".join(f"#include <{h}>\n" for h in HEADERS)
    source += "void refer(void) {\n"
    source += "".join(f"  (void)&{n};\n" for n in sorted(names))
    source += "}\n"
    with tempfile.NamedTemporaryFile("w", suffix=".c", delete=False) as f:
        f.write(source)
        path = f.name
    try:
        run = subprocess.run([compiler, "-x", "c", "-fsyntax-only", "-fmax-errors=0",
                              "-D_WIN32_WINNT=0x0601", "-DWINVER=0x0601", path],
                             capture_output=True, text=True,
                             env=dict(os.environ, LC_ALL="C"))
    finally:
        os.unlink(path)
    if run.returncode == 0:
        return set()
    hidden = set(re.findall(r"'(\w+)' undeclared", run.stderr))
    if not hidden:
        sys.exit("check-imports: the reference file did not compile:\n" + run.stderr)
    return hidden


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    exe = sys.argv[1]
    compiler = sys.argv[2] if len(sys.argv) > 2 else "x86_64-w64-mingw32-gcc-posix"
    table = imports(exe)
    if not table:
        sys.exit(f"check-imports: no import table read from {exe}")
    listed = newer_list()
    problems = []
    reasons = {}  # "dll!name" -> why it is not on Windows 7
    system_names = {}
    for dll, names in sorted(table.items()):
        if NOT_ON_WINDOWS7.match(dll):
            problems.append(f"{dll}: not on Windows 7 ({', '.join(names)})")
            continue
        if dll in C_RUNTIME:
            continue
        for name in names:
            system_names.setdefault(name, dll)
            if name in listed:
                reasons.setdefault(f"{dll}!{name}", []).append("listed in newer-than-windows7.txt")
    for name in hidden_by_headers(set(system_names), compiler):
        reasons.setdefault(f"{system_names[name]}!{name}", []).append(
            "hidden by the Windows 7 headers")
    problems += [f"{where}: newer than Windows 7 ({', '.join(why)})"
                 for where, why in reasons.items()]
    count = sum(len(n) for n in table.values())
    if problems:
        print(f"check-imports: {os.path.basename(exe)} would not load on Windows 7 SP1:")
        for p in sorted(problems):
            print("  " + p)
        return 1
    print(f"check-imports: {os.path.basename(exe)}: {count} imports from "
          f"{len(table)} DLLs, all on Windows 7 SP1")
    return 0


if __name__ == "__main__":
    sys.exit(main())
