#!/usr/bin/env python3
"""Fails when the folders of src/ include each other in a circle.

Each folder of src/ is one subsystem; `#include "folder/file.h"` from a file
in another folder is an edge between the two. The folders must form one
order (no cycle of any length), so that each can be read and tested with
only the folders below it. Prints the order, or the cycle found.
"""
import pathlib
import re
import sys

SRC = pathlib.Path(__file__).resolve().parents[2] / "src"
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^/"]+)/[^"]+"', re.M)


def folder_graph():
    graph = {}
    for path in sorted(SRC.rglob("*")):
        if path.suffix not in (".h", ".cpp", ".rc") or not path.is_file():
            continue
        folder = path.relative_to(SRC).parts[0]
        edges = graph.setdefault(folder, {})
        for included in INCLUDE.findall(path.read_text(encoding="utf-8", errors="replace")):
            if included != folder and (SRC / included).is_dir():
                edges.setdefault(included, str(path.relative_to(SRC)))
    return graph


def find_cycle(graph):
    state = {}  # 1: on the current path, 2: finished
    path = []

    def visit(node):
        state[node] = 1
        path.append(node)
        for nxt in sorted(graph.get(node, {})):
            if state.get(nxt) == 1:
                return path[path.index(nxt):] + [nxt]
            if nxt not in state:
                found = visit(nxt)
                if found:
                    return found
        path.pop()
        state[node] = 2
        return None

    for node in sorted(graph):
        if node not in state:
            found = visit(node)
            if found:
                return found
    return None


def order(graph):
    done, out = set(), []

    def visit(node):
        if node in done:
            return
        done.add(node)
        for nxt in sorted(graph.get(node, {})):
            visit(nxt)
        out.append(node)

    for node in sorted(graph):
        visit(node)
    return out


def main():
    graph = folder_graph()
    cycle = find_cycle(graph)
    if cycle:
        print("include cycle between the folders of src/:", file=sys.stderr)
        for a, b in zip(cycle, cycle[1:]):
            print(f"  {a}/ -> {b}/   ({graph[a][b]})", file=sys.stderr)
        return 1
    print("src/ folders, lowest first: " + " < ".join(order(graph)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
