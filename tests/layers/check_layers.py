#!/usr/bin/env python3
"""Fails when the folders of src/ include one another in a cycle.

usage: check_layers.py SRC_DIR [ALLOWED_PAIR ...]    (a pair as a:b)

Each folder of SRC_DIR is a node; a quoted #include of a header in another
folder is an edge. Every strongly connected group of folders must be a
single folder or exactly one of the allowed pairs.
"""
import os
import re
import sys

src = os.path.abspath(sys.argv[1])
allowed = {frozenset(p.split(':')) for p in sys.argv[2:]}
include = re.compile(r'^\s*#\s*include\s*"([^"/]+)/[^"]+"')

folders = sorted(d for d in os.listdir(src) if os.path.isdir(os.path.join(src, d)))
edges = {f: set() for f in folders}
where = {}
for f in folders:
    for root, _, names in os.walk(os.path.join(src, f)):
        for n in names:
            path = os.path.join(root, n)
            with open(path, errors='replace') as fh:
                for line in fh:
                    m = include.match(line)
                    if m and m.group(1) in edges and m.group(1) != f:
                        edges[f].add(m.group(1))
                        where.setdefault((f, m.group(1)), os.path.relpath(path, src))

# Tarjan's strongly connected components.
index, low, stack, on, groups = {}, {}, [], set(), []
def visit(v):
    index[v] = low[v] = len(index)
    stack.append(v)
    on.add(v)
    for w in edges[v]:
        if w not in index:
            visit(w)
            low[v] = min(low[v], low[w])
        elif w in on:
            low[v] = min(low[v], index[w])
    if low[v] == index[v]:
        group = []
        while True:
            w = stack.pop()
            on.discard(w)
            group.append(w)
            if w == v:
                break
        groups.append(sorted(group))
for v in folders:
    if v not in index:
        visit(v)

bad = [g for g in groups if len(g) > 1 and frozenset(g) not in allowed]
for g in bad:
    print('include cycle between folders: ' + ' '.join(g))
    for a in g:
        for b in sorted(edges[a] & set(g)):
            print(f'  {a} -> {b} (first in {where[(a, b)]})')
sys.exit(1 if bad else 0)
