#!/usr/bin/env python3
"""Prints which folder includes which, and every include cycle between folders or between units
(a header and its source count as one unit). Exits 1 when there is a cycle.
Usage: scripts/include-graph.py [--units]   (--units also lists the unit-level edges)"""
import os
import re
import sys
from collections import defaultdict

ROOTS = ["viewer", "console", "scene", "model", "paint", "plugins", "data"]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def sources(top):
    for root in ROOTS:
        for folder, _, names in os.walk(os.path.join(top, root)):
            for name in sorted(names):
                if name.endswith((".h", ".cpp", ".inc")):
                    yield os.path.relpath(os.path.join(folder, name), top)


def cycles(graph):
    """Strongly connected components with more than one node (Tarjan, iterative)."""
    index, low, on_stack, stack, found = {}, {}, set(), [], []
    counter = [0]
    for start in sorted(graph):
        if start in index:
            continue
        work = [(start, iter(sorted(graph[start])))]
        index[start] = low[start] = counter[0]
        counter[0] += 1
        stack.append(start)
        on_stack.add(start)
        while work:
            node, children = work[-1]
            advanced = False
            for child in children:
                if child not in index:
                    index[child] = low[child] = counter[0]
                    counter[0] += 1
                    stack.append(child)
                    on_stack.add(child)
                    work.append((child, iter(sorted(graph.get(child, ())))))
                    advanced = True
                    break
                if child in on_stack:
                    low[node] = min(low[node], index[child])
            if advanced:
                continue
            work.pop()
            if work:
                low[work[-1][0]] = min(low[work[-1][0]], low[node])
            if low[node] == index[node]:
                component = []
                while True:
                    member = stack.pop()
                    on_stack.discard(member)
                    component.append(member)
                    if member == node:
                        break
                if len(component) > 1:
                    found.append(sorted(component))
    return found


def main():
    top = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    units, folders = defaultdict(set), defaultdict(set)
    for path in sources(top):
        with open(os.path.join(top, path), encoding="utf-8", errors="replace") as f:
            text = f.read()
        unit = os.path.splitext(path)[0]
        for included in INCLUDE.findall(text):
            if not os.path.exists(os.path.join(top, included)):
                continue
            other = os.path.splitext(included)[0]
            if other != unit:
                units[unit].add(other)
            here, there = os.path.dirname(path), os.path.dirname(included)
            if here != there:
                folders[here].add(there)
    for folder in sorted(folders):
        print(f"{folder}/ -> " + ", ".join(f"{t}/" for t in sorted(folders[folder])))
    if "--units" in sys.argv:
        for unit in sorted(units):
            print(f"  {unit} -> " + ", ".join(sorted(units[unit])))
    bad = [("folders", c) for c in cycles(folders)] + [("units", c) for c in cycles(units)]
    for kind, members in bad:
        print(f"cycle between {kind}: " + " <-> ".join(members))
    if not bad:
        print("no include cycle between folders or units")
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
