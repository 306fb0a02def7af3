#!/usr/bin/env python3
"""Fails when README.md or a guide beside the program names another version than version.txt.

version.txt is the one place the version (VERSION, e.g. 2.00.0003) and the
release label (RELEASE, e.g. 2.2) are written; the build makes everything
else from it. README.md and the technician's guides in their four
languages (tools/scripts/guides.py) are read by people and cannot be
generated, so this check holds them to it: every version number they name (three
or four dotted parts, as "2.00.0003" or in the release ZIP's name) must be
VERSION or a form the build derives from it (2.0.3, 2.0.0.3), every release label ("Rel.2.2", "rel. 2.2") must be RELEASE,
and each must name VERSION at least once. Prints what differs, file and
line; ends with 1 then, 0 when all agree.
"""
import re
import sys

from guides import GUIDES, ROOT, read_text

# Each with its encoding: version numbers and labels are ASCII in all.
DOCUMENTS = (("README.md", "utf-8"),) + GUIDES
# Any number of three or four dotted parts, as "2.00.0003" or "2.0.0.3".
VERSION_LIKE = re.compile(r"(?<![\w.])\d+(?:\.\d+){2,3}(?!\.?\d)")
RELEASE_LIKE = re.compile(r"\b[Rr]el\.\s?(\d+(?:\.\d+)*)")


def read_source(path):
    values = {}
    for line in path.read_text(encoding="utf-8").splitlines():
        match = re.match(r"^([A-Z]+)\s*=\s*(\S+)\s*$", line)
        if match:
            values[match.group(1)] = match.group(2)
    missing = [key for key in ("VERSION", "RELEASE") if key not in values]
    if missing:
        raise SystemExit(f"check-version: {path}: no {' or '.join(missing)}")
    return values["VERSION"], values["RELEASE"]


def other_forms(version):
    """The forms the build derives: 2.0.3 (CMake) and 2.0.0.3 (resource, manifest)."""
    major, minor, revision = (int(part) for part in version.split("."))
    return {f"{major}.{minor}.{revision}", f"{major}.{minor}.0.{revision}"}


def check(document, text, version, release):
    problems = []
    named = False
    for number, line in enumerate(text.splitlines(), 1):
        for found in VERSION_LIKE.findall(line):
            if found == version:
                named = True
            elif found not in other_forms(version):
                problems.append(f"{document}:{number}: version {found}, not {version}")
        for found in RELEASE_LIKE.findall(line):
            if found != release:
                problems.append(f"{document}:{number}: release {found}, not {release}")
    if not named:
        problems.append(f"{document}: names no version; it should name {version}")
    return problems


def main():
    version, release = read_source(ROOT / "version.txt")
    problems = []
    for document, encoding in DOCUMENTS:
        problems += check(document, read_text(document, encoding, errors="replace"), version, release)
    for problem in problems:
        print(f"check-version: {problem}", file=sys.stderr)
    if problems:
        print("check-version: version.txt is the source; correct the documents", file=sys.stderr)
        return 1
    names = ", ".join(document for document, _ in DOCUMENTS)
    print(f"check-version: {names} name {version} as version.txt does")
    return 0


if __name__ == "__main__":
    sys.exit(main())
