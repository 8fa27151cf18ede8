#!/usr/bin/env python3
"""Checks the layers of src/: each folder includes only itself and the folders below it.

    check_layers.py SOURCE_DIR

Top to bottom (folders side by side, as commands and groups, include neither each other):

    component  >  ui  >  commands, groups  >  window  >  status  >  grid  >  domain  >  base  >  db

site/ (the embedded and demo site, its own library) may include db, domain and base; nothing in
the product includes site/. A folder of src/ missing from this list fails the check too, so a new
folder is placed on purpose.

Prints every offending include and every cycle between folders; exits 1 when there is one.
"""
import argparse
import pathlib
import re
import sys

LAYERS = [["component"], ["ui"], ["commands", "groups"], ["window"], ["status"], ["grid"], ["domain"],
          ["base"], ["db"]]
RANK = {folder: rank for rank, level in enumerate(LAYERS) for folder in level}
SITE = "site"
SITE_MAY_USE = {"db", "domain", "base"}
INCLUDE = re.compile(r'^\s*#\s*include\s*[<"]([A-Za-z_]+)/[^>"]+[>"]', re.MULTILINE)


def allowed(source, target):
    if source == target:
        return True
    if source == SITE:
        return target in SITE_MAY_USE
    if target == SITE:
        return False
    return RANK[target] > RANK[source]


def folder_edges(src):
    """{(from, to): [file:line, ...]} over every include of another src/ folder."""
    folders = {p.name for p in src.iterdir() if p.is_dir()}
    edges = {}
    for path in sorted(src.rglob("*")):
        if path.suffix not in (".h", ".cpp") or not path.is_file():
            continue
        source = path.relative_to(src).parts[0]
        text = path.read_text(encoding="utf-8", errors="replace")
        for match in INCLUDE.finditer(text):
            target = match.group(1)
            if target in folders and target != source:
                line = text.count("\n", 0, match.start()) + 1
                edges.setdefault((source, target), []).append(f"{path.relative_to(src.parent)}:{line}")
    return folders, edges


def cycles(edges):
    """The strongly connected groups of more than one folder (Tarjan)."""
    graph = {}
    for a, b in edges:
        graph.setdefault(a, set()).add(b)
        graph.setdefault(b, set())
    index, low, stack, on_stack, found = {}, {}, [], set(), []

    def visit(node):
        index[node] = low[node] = len(index)
        stack.append(node)
        on_stack.add(node)
        for nxt in sorted(graph[node]):
            if nxt not in index:
                visit(nxt)
                low[node] = min(low[node], low[nxt])
            elif nxt in on_stack:
                low[node] = min(low[node], index[nxt])
        if low[node] == index[node]:
            group = []
            while True:
                member = stack.pop()
                on_stack.discard(member)
                group.append(member)
                if member == node:
                    break
            if len(group) > 1:
                found.append(sorted(group))

    for node in sorted(graph):
        if node not in index:
            visit(node)
    return found


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("source_dir", type=pathlib.Path)
    args = parser.parse_args()
    src = (args.source_dir / "src").resolve()

    problems = []
    folders, edges = folder_edges(src)
    for folder in sorted(folders - set(RANK) - {SITE}):
        problems.append(f"src/{folder}/ is in no layer: add it to LAYERS in {pathlib.Path(__file__).name}")
    for (source, target), places in sorted(edges.items()):
        if source in RANK or source == SITE:
            if target in RANK or target == SITE:
                if not allowed(source, target):
                    for place in places:
                        problems.append(f"{place}: {source}/ may not include {target}/")
    for group in cycles(edges):
        problems.append("include cycle between folders: " + ", ".join(group))

    for problem in problems:
        print(problem)
    if not problems:
        print(f"{len(folders)} folders of src/ in layers; {len(edges)} folder-to-folder edges, all downward")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
