#!/usr/bin/env bash
# Checks the floors of src/ from its #include "..." lines and exits 1 naming
# the files at fault when:
#   - headers include each other in a circle;
#   - a class (X.h with its X.cpp) needs, through other classes, itself again,
#     leaving out the includes of app/Engine.h (the one way up, through gEngine);
#   - a file in src/core includes anything of ours outside src/core;
#   - folders include each other in a circle, leaving out app/Engine.h.
# On success it prints the folders from the bottom floor up.
# Usage: scripts/check_layout.sh [SRC_DIR]   (default: the src/ next to this script)
set -euo pipefail
src="${1:-$(cd "$(dirname "$0")/.." && pwd)/src}"
exec python3 - "$src" <<'PY'
import os, re, sys

root = sys.argv[1]
ENGINE = "app/Engine.h"
include_line = re.compile(r'^\s*#\s*include\s*"([^"]+)"')

files = []
for folder, _, names in os.walk(root):
    for name in names:
        if name.endswith((".h", ".hpp", ".cpp", ".c", ".def", ".inc")):
            files.append(os.path.relpath(os.path.join(folder, name), root))
files.sort()
known = set(files)

edges = {f: set() for f in files}
for f in files:
    with open(os.path.join(root, f), errors="replace") as text:
        for line in text:
            m = include_line.match(line)
            if not m:
                continue
            beside = os.path.normpath(os.path.join(os.path.dirname(f), m.group(1)))
            target = beside if beside in known else m.group(1)
            if target in known:  # anything else is a system or third-party header
                edges[f].add(target)

def folder(f):
    return f.split("/")[0] if "/" in f else "(top)"

def unit(f):  # a class: its header and source side by side
    return os.path.splitext(f)[0]

def find_cycle(graph):
    """One circle as a list of nodes (first repeated at the end), or None."""
    state = {}
    for start in sorted(graph):
        if start in state:
            continue
        state[start] = 1
        path, stack = [start], [iter(sorted(graph[start]))]
        while stack:
            nxt = next(stack[-1], None)
            if nxt is None:
                state[path.pop()] = 2
                stack.pop()
            elif state.get(nxt) == 1:
                return path[path.index(nxt):] + [nxt]
            elif nxt not in state:
                state[nxt] = 1
                path.append(nxt)
                stack.append(iter(sorted(graph.get(nxt, ()))))
    return None

def collapse(key, skip_engine):
    graph, why = {}, {}
    for f, targets in sorted(edges.items()):
        graph.setdefault(key(f), set())
        for t in sorted(targets):
            if skip_engine and t == ENGINE:
                continue
            a, b = key(f), key(t)
            if a != b:
                graph[a].add(b)
                why.setdefault((a, b), []).append(f"{f} -> {t}")
    return graph, why

failures = []

def report_cycle(title, graph, why):
    cycle = find_cycle(graph)
    if cycle:
        failures.append(f"{title}: " + " -> ".join(cycle))
        for a, b in zip(cycle, cycle[1:]):
            arrows = why.get((a, b), [f"{a} -> {b}"])
            failures.extend(f"    {arrow}" for arrow in arrows[:3])
            if len(arrows) > 3:
                failures.append(f"    ... and {len(arrows) - 3} more from {a} to {b}")

headers = {f: {t for t in ts if not t.endswith((".cpp", ".c"))} for f, ts in edges.items() if not f.endswith((".cpp", ".c"))}
report_cycle("headers include each other in a circle", headers, {})
report_cycle("classes need each other in a circle (app/Engine.h left out)", *collapse(unit, True))

for f in files:
    if folder(f) == "core":
        for t in sorted(edges[f]):
            if folder(t) != "core":
                failures.append(f"core includes a file above it: {f} -> {t}")

folders, why = collapse(folder, True)
report_cycle("folders include each other in a circle (app/Engine.h left out)", folders, why)

if failures:
    print("check_layout: FAILED", file=sys.stderr)
    for line in failures:
        print(line, file=sys.stderr)
    sys.exit(1)

# Floors, bottom first: each folder after every folder it includes.
order, placed = [], set()
while len(placed) < len(folders):
    floor = sorted(f for f in folders if f not in placed and folders[f] <= placed)
    order.append(" ".join(floor))
    placed.update(floor)
print(f"check_layout: {len(files)} files, no circle; floors from the bottom: " + " | ".join(order))
PY
