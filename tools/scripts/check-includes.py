#!/usr/bin/env python3
"""Fails when an include goes against the order of the tree.

1. The folders of src/ form one order, lowest first, which the table under
   "## Layers" of docs/architecture.md lists first (one row per folder,
   the folder in backticks). Each folder of src/ is one subsystem;
   `#include "folder/file.h"` from a file in another folder must name a
   folder listed before its own. A folder of src/ the table leaves out, or
   a row that names no folder, is a fault too.

2. The parts of the tree include one way only:
     src      src/                      includes src
     testkit  tools/testkit/            includes src and testkit
     tools    the rest of tools/        includes src, testkit and tools
     bench    bench/                    includes src, testkit and bench
     tests    tests/                    includes src, testkit, tools, tests
   Nothing outside tests/ includes tests/, so the program, its tools and its
   benchmarks never depend on a test.

   An include (quoted or angled) is resolved as the compiler would: a quoted
   one first against the including file's own folder, then each against the
   source-tree folders that the CMake files name as include directories
   (any target's: a name found through another target's folder is a fault
   all the same) and src/ and tools/, which the fuzz, lint and bench
   scripts pass with -I. An include that resolves to no file of the tree
   (system headers, the generated app_version.h) is not a part's.

Prints the order of src/ and the parts, or every fault found.
"""
import pathlib
import re
import sys

ROOT = pathlib.Path(__file__).resolve().parents[2]
SRC = ROOT / "src"
ARCHITECTURE = ROOT / "docs" / "architecture.md"
LAYER_ROW = re.compile(r"^\| `([a-z0-9_]+)/` \|", re.M)
SOURCES = (".h", ".cpp", ".rc")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^/"]+)/[^"]+"', re.M)
ANY_INCLUDE = re.compile(r'^\s*#\s*include\s+([<"])([^>"]+)[>"]', re.M)
CMAKE_INCLUDE_DIRS = re.compile(r'\b(?:target_)?include_directories\s*\(([^)]*)\)', re.I)
ALLOWED = {
    "src": {"src"},
    "testkit": {"src", "testkit"},
    "tools": {"src", "testkit", "tools"},
    "bench": {"src", "testkit", "bench"},
    "tests": {"src", "testkit", "tools", "tests"},
}


def sources(top):
    return [p for p in sorted(top.rglob("*")) if p.suffix in SOURCES and p.is_file()]


def folder_graph():
    """folder -> {included folder: the first file that includes it}."""
    graph = {}
    for path in sources(SRC):
        folder = path.relative_to(SRC).parts[0]
        edges = graph.setdefault(folder, {})
        for included in INCLUDE.findall(path.read_text(encoding="utf-8", errors="replace")):
            if included != folder and (SRC / included).is_dir():
                edges.setdefault(included, str(path.relative_to(SRC)))
    return graph


def documented_order():
    """The folders of the first table under "## Layers" of docs/architecture.md."""
    section = ARCHITECTURE.read_text(encoding="utf-8").split("\n## Layers\n", 1)[-1]
    table = section[section.find("\n|"):].split("\n\n", 1)[0]
    return LAYER_ROW.findall(table)


def order_faults(graph, layers):
    faults = [f"  {f}/ is not in the Layers table" for f in sorted(set(graph) - set(layers))]
    faults += [f"  the Layers table names {f}/, which src/ lacks" for f in layers if f not in graph]
    rank = {f: i for i, f in enumerate(layers)}
    for folder, edges in sorted(graph.items()):
        for included, where in sorted(edges.items()):
            if folder in rank and included in rank and rank[included] > rank[folder]:
                faults.append(f"  {where} includes {included}/, listed after {folder}/")
    return faults


def part(path):
    """The part of the tree a file belongs to, or None outside the parts."""
    try:
        rel = path.resolve().relative_to(ROOT).parts
    except ValueError:
        return None
    if rel[:2] == ("tools", "testkit"):
        return "testkit"
    return rel[0] if rel and rel[0] in ALLOWED else None


def include_dirs():
    """src/, tools/ and every source-tree folder a CMake file adds."""
    dirs = {SRC, ROOT / "tools"}
    cmake_files = [p for p in ROOT.rglob("CMakeLists.txt") if "build" not in p.relative_to(ROOT).parts]
    cmake_files += list((ROOT / "cmake").glob("*.cmake"))
    for cmake in cmake_files:
        # A .cmake file of cmake/ is included from the top CMakeLists.txt.
        here = ROOT if cmake.parent.name == "cmake" else cmake.parent
        for args in CMAKE_INCLUDE_DIRS.findall(cmake.read_text(encoding="utf-8")):
            for word in args.split():
                word = word.replace("${CMAKE_SOURCE_DIR}", str(ROOT))
                word = word.replace("${CMAKE_CURRENT_SOURCE_DIR}", str(here))
                if "${" in word or word.isupper():  # a variable or a keyword
                    continue
                folder = (here / word).resolve()
                if folder.is_dir() and part(folder):
                    dirs.add(folder)
    return sorted(dirs)


def part_faults():
    dirs = include_dirs()
    faults = []
    for top in ("src", "tools", "bench", "tests"):
        for path in sources(ROOT / top):
            mine = part(path)
            text = path.read_text(encoding="utf-8", errors="replace")
            for match in ANY_INCLUDE.finditer(text):
                kind, name = match.groups()
                searched = ([path.parent] if kind == '"' else []) + dirs
                found = next((d / name for d in searched if (d / name).is_file()), None)
                theirs = part(found) if found else None
                if theirs and theirs not in ALLOWED[mine]:
                    rel = f"{path.relative_to(ROOT)}:{text.count(chr(10), 0, match.start()) + 1}"
                    close = '"' if kind == '"' else ">"
                    faults.append(f"  {rel}: #include {kind}{name}{close} is {found.resolve().relative_to(ROOT)}: "
                                  f"{mine} includes only {', '.join(sorted(ALLOWED[mine]))}")
    return faults


def main():
    failed = False
    layers = documented_order()
    faults = order_faults(folder_graph(), layers)
    if faults:
        print("includes against the order of src/ in docs/architecture.md:", file=sys.stderr)
        print("\n".join(faults), file=sys.stderr)
        failed = True
    else:
        print("src/ folders, lowest first: " + " < ".join(layers))
    faults = part_faults()
    if faults:
        print("includes against the order src < testkit < tools, bench < tests:", file=sys.stderr)
        print("\n".join(faults), file=sys.stderr)
        failed = True
    else:
        print("parts, lowest first: src < tools/testkit < tools, bench < tests")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
