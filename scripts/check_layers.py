#!/usr/bin/env python3
"""Checks the layers of src/ where the build cannot see them.

    check_layers.py SOURCE_DIR [--app-include-dirs FILE]

Top to bottom (folders side by side, as commands and groups, include neither each other):

    component  >  ui  >  commands, groups  >  window  >  status  >  grid  >  domain  >  base  >  db

The build keeps most of this itself: each folder is a library with an include root of its own, so
`#include "window/X.h"` does not compile where window's library is not linked. What it cannot see,
this script fails on:

- a relative include (`#include "../window/X.h"`) in src/, include/, apps/ or sitebus/: the compiler
  finds it beside the including file, past every include root;
- a header under include/ (installed, what a host compiles against) that includes an internal header;
- the application or the site bus including a folder of src/ other than site/;
- with --app-include-dirs (one directory a line, as CMake computes the application's include path),
  a directory of src/ on it, or a layer's include root, other than the site's;

and, as a second net under the build, an include that points up or sideways, a cycle between
folders, a folder of src/ in no layer (so a new folder is placed on purpose), and the product
including site/ (the embedded and demo site, which may include db, domain and base).

The application's role folders are layers of their own, top to bottom (main.cpp, the wiring, on
top of them all):

    cli  >  demo, web  >  field, desk  >  host

Each role is a library with an include root of its own as well; here, as the same second net: an
include of another role's header that points up or sideways, a cycle between roles, a role folder
in no layer, a role's header included by its bare name ("AppLog.h", not "host/AppLog.h") and any
relative include in the application.

Prints every offending include and every cycle between folders; exits 1 when there is one.
"""
import argparse
import os
import pathlib
import re
import sys

LAYERS = [["component"], ["ui"], ["commands", "groups"], ["window"], ["status"], ["grid"], ["domain"],
          ["base"], ["db"]]
RANK = {folder: rank for rank, level in enumerate(LAYERS) for folder in level}
SITE = "site"
SITE_MAY_USE = {"db", "domain", "base"}
# Code outside the component that builds on its public headers (and the site's).
OUTSIDE = ["apps", "sitebus"]
# The application's role folders, top to bottom, and where they are.
APP = pathlib.PurePath("apps/statusviewer")
APP_ROLES = [["cli"], ["demo", "web"], ["field", "desk"], ["host"]]
APP_RANK = {role: rank for rank, level in enumerate(APP_ROLES) for role in level}
INCLUDE = re.compile(r'^\s*#\s*include\s*[<"]([^>"]+)[>"]', re.MULTILINE)
SOURCE_SUFFIXES = (".h", ".cpp")


def includes(path):
    """(line, included path) of every include of a file."""
    text = path.read_text(encoding="utf-8", errors="replace")
    for match in INCLUDE.finditer(text):
        yield text.count("\n", 0, match.start()) + 1, match.group(1)


def sources(root):
    if not root.is_dir():
        return []
    return [p for p in sorted(root.rglob("*")) if p.suffix in SOURCE_SUFFIXES and p.is_file()]


def is_relative(included):
    return any(part in (".", "..") for part in included.split("/"))


def allowed(source, target):
    if source == target:
        return True
    if source == SITE:
        return target in SITE_MAY_USE
    if target == SITE:
        return False
    return RANK[target] > RANK[source]


def folder_edges(project, src, problems):
    """{(from, to): [file:line, ...]} over every include of another src/ folder; relative
    includes are problems of their own (and still count as the edge they are)."""
    folders = {p.name for p in src.iterdir() if p.is_dir()}
    edges = {}
    for path in sources(src):
        source = path.relative_to(src).parts[0]
        for line, included in includes(path):
            place = f"{path.relative_to(project)}:{line}"
            if is_relative(included):
                resolved = pathlib.Path(os.path.normpath(path.parent / included))
                problems.append(f"{place}: relative include \"{included}\": write it from its folder "
                                f"(\"folder/File.h\") so the layer's include root decides")
                if src not in resolved.parents:
                    continue
                target = resolved.relative_to(src).parts[0]
            else:
                target = included.split("/", 1)[0] if "/" in included else None
            if target in folders and target != source:
                edges.setdefault((source, target), []).append(place)
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


def check_public_headers(project, folders, problems):
    """include/ is installed: its headers include each other, Qt and the standard library only."""
    for path in sources(project / "include"):
        for line, included in includes(path):
            first = included.split("/", 1)[0]
            if is_relative(included) or ("/" in included and first in folders):
                problems.append(f"{path.relative_to(project)}:{line}: public header includes \"{included}\", "
                                f"which a host does not have")


def check_outside(project, src, folders, problems):
    """The application and the site bus build on include/ and the site's headers only."""
    for top in OUTSIDE:
        for path in sources(project / top):
            for line, included in includes(path):
                place = f"{path.relative_to(project)}:{line}"
                if is_relative(included):
                    resolved = pathlib.Path(os.path.normpath(path.parent / included))
                    if resolved == src or src in resolved.parents:
                        problems.append(f"{place}: relative include \"{included}\" reaches into src/")
                    continue
                first = included.split("/", 1)[0]
                if "/" in included and first in folders and first != SITE:
                    problems.append(f"{place}: {top}/ includes \"{included}\": it builds on public headers only")


def check_app_roles(project, problems):
    """The application's roles include only the roles below them, each header by its folder.
    Returns the role-to-role edges (for the cycle check)."""
    app = project / APP
    if not app.is_dir():
        return {}
    roles = {p.name for p in app.iterdir() if p.is_dir() and sources(p)}
    for role in sorted(roles - set(APP_RANK)):
        problems.append(f"{APP}/{role}/ is in no role layer: add it to APP_ROLES in {pathlib.Path(__file__).name}")
    headers = {h.name: h.parent.name for role in roles for h in (app / role).glob("*.h")}
    edges = {}
    for path in sources(app):
        parts = path.relative_to(app).parts
        source = parts[0] if len(parts) > 1 else None  # None: main.cpp, the wiring on top
        for line, included in includes(path):
            place = f"{path.relative_to(project)}:{line}"
            if is_relative(included):
                problems.append(f"{place}: relative include \"{included}\": write it from its role "
                                f"(\"role/File.h\") so the role's include root decides")
                continue
            if "/" not in included:
                if included in headers:
                    problems.append(f"{place}: include \"{included}\" from its folder: "
                                    f"\"{headers[included]}/{included}\"")
                continue
            target = included.split("/", 1)[0]
            if target not in roles or source is None or target == source:
                continue
            edges.setdefault((source, target), []).append(place)
            if source in APP_RANK and target in APP_RANK and APP_RANK[target] <= APP_RANK[source]:
                problems.append(f"{place}: role {source}/ may not include {target}/")
    return edges


def check_app_include_dirs(listing, src, problems):
    site = src / SITE
    for line in listing.read_text().splitlines():
        if not line.strip():
            continue
        directory = pathlib.Path(line.strip()).resolve()
        if directory == site:
            continue
        if directory == src or src in directory.parents:
            problems.append(f"apps/statusviewer sees {directory}: it builds on public headers only")
            continue
        # A layer's include root: a directory holding a link to a folder of src/.
        if directory.is_dir():
            for entry in sorted(directory.iterdir()):
                if entry.is_symlink() and entry.resolve().parent == src and entry.resolve() != site:
                    problems.append(f"apps/statusviewer sees {entry} -> {entry.resolve()}: "
                                    f"it builds on public headers only")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("source_dir", type=pathlib.Path)
    parser.add_argument("--app-include-dirs", type=pathlib.Path)
    args = parser.parse_args()
    project = args.source_dir.resolve()
    src = project / "src"

    problems = []
    folders, edges = folder_edges(project, src, problems)
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
    check_public_headers(project, folders, problems)
    check_outside(project, src, folders, problems)
    role_edges = check_app_roles(project, problems)
    for group in cycles(role_edges):
        problems.append("include cycle between the application's roles: " + ", ".join(group))
    if args.app_include_dirs is not None:
        check_app_include_dirs(args.app_include_dirs, src, problems)

    for problem in problems:
        print(problem)
    if not problems:
        print(f"{len(folders)} folders of src/ in layers; {len(edges)} folder-to-folder edges, all downward; "
              f"no relative include; include/, apps/ and sitebus/ on public headers; "
              f"{len(role_edges)} edges between the application's roles, all downward")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
