#!/usr/bin/env python3
"""Checks of what a host sees of the component.

  check_public_api.py exports LIBRARY LIST
      The shared library exports exactly the symbols of LIST (demangled, one a line; a line
      "[NODE]" names the version node of the symbols below it; lines starting with "#" are
      comments), each under the node LIST gives it; the nodes are the library's, each inheriting
      the one listed before it; every symbol belongs to a public class or function. Prints what
      differs, to be reviewed and the list updated.
  check_public_api.py readme README EXAMPLE
      The C++ block of README's "Hosting the component" is the example host's source, unchanged.
  check_public_api.py copies PROGRAM LIBRARY
      PROGRAM (the application) defines none of the project's functions or data that LIBRARY
      defines, exported or hidden: it uses the library's, and carries no second copy of a layer
      of it. Weak definitions (inline functions and templates of the public headers, instantiated
      wherever they are used) and what an anonymous namespace holds are not compared.
"""
import re
import subprocess
import sys

# The insides of public classes: their Impl and Private classes, lambdas.
HIDDEN_PART = re.compile(r"::(Impl|Private)\b|\{lambda")

# The public classes and functions (include/statusobject): their members, vtables and type info.
PUBLIC = re.compile(
    r"(so::Status\b|so::db::(Connection|Recordset|Command|DbError)\b|so::(HostError|ConsoleHost|SiteConnection|"
    r"ImageList|Dialogs)\b|so::FormatDetailedRelayState\(|so::statusPointRange\(|so::mayCommandPoints?\(|"
    r"so::classicCommandPoints\(|so::outsideOperatorBoundaries\(|so::diagnostics::shownRows\(|so::StatusReader\b|"
    r"so::libraryVersion\(|so::mayActOnPoint\(|so::AlarmHost\b|"
    r"so::(recordAcknowledgements|recordShelving|recordShelvingOver|readAcknowledgements|readShelvings)\(|"
    r"so::(parsePointStatus|parseStateCodes|parseThreatLevels|kindListIcon|portListIcon|sectionOfObjectType)\(|"
    r"so::db::qtConnectionName\()")


def reviewed_list(list_path):
    """(nodes in order, {symbol: node}) from the reviewed list."""
    nodes, reviewed, node = [], {}, None
    for number, line in enumerate(open(list_path, encoding="utf-8"), 1):
        line = line.strip()
        if not line or line.startswith("#"):
            continue
        if line.startswith("[") and line.endswith("]"):
            node = line[1:-1]
            nodes.append(node)
        elif node is None:
            raise SystemExit(f"{list_path}:{number}: a symbol before the first [NODE] line")
        else:
            reviewed[line] = node
    return nodes, reviewed


def node_parents(library):
    """{node: parent or None} from the library's version definitions."""
    out = subprocess.run(["readelf", "-V", "--wide", library], check=True, capture_output=True, text=True).stdout
    section = out.split(".gnu.version_d", 1)[1].split(".gnu.version_r", 1)[0] if ".gnu.version_d" in out else ""
    parents, current = {}, None
    for line in section.splitlines():
        defined = re.search(r"Flags: (\S+)\s+Index: \d+\s+Cnt: \d+\s+Name: (\S+)", line)
        if defined:
            current = None if defined.group(1) == "BASE" else defined.group(2)
            if current:
                parents[current] = None
            continue
        parent = re.search(r"Parent 1: (\S+)", line)
        if parent and current:
            parents[current] = parent.group(1)
    return parents


def exports(library, list_path):
    nodes, reviewed = reviewed_list(list_path)
    out = subprocess.run(["nm", "-D", "--defined-only", "--with-symbol-versions", "-C", library], check=True,
                         capture_output=True, text=True).stdout
    symbols, unversioned = {}, []
    for line in out.splitlines():
        if line.count(" ") < 2:
            continue
        name = line.split(" ", 2)[2]
        if "@@" in name:
            name, node = name.rsplit("@@", 1)
            symbols[name] = node
        elif name not in nodes:  # a node's own symbol
            unversioned.append(name)
    failures = [f"exported without a version node: {s}" for s in sorted(unversioned)]
    parents = node_parents(library)
    for before, node in zip([None] + nodes, nodes):
        if node not in parents:
            failures.append(f"version node {node} is not defined by the library")
        elif parents[node] != before:
            failures.append(f"version node {node} inherits {parents[node]}, not {before}")
    failures += [f"version node {n} is not in the reviewed list" for n in sorted(set(parents) - set(nodes))]
    failures += [f"internal symbol exported: {s}" for s in sorted(symbols)
                 if not PUBLIC.search(s) or HIDDEN_PART.search(s)]
    failures += [f"exported, not in the reviewed list: {s}@@{symbols[s]}" for s in sorted(symbols.keys() - reviewed.keys())]
    failures += [f"in the reviewed list, not exported: {s}" for s in sorted(reviewed.keys() - symbols.keys())]
    failures += [f"exported under {symbols[s]}, reviewed under {reviewed[s]}: {s}" for s in sorted(symbols)
                 if s in reviewed and symbols[s] != reviewed[s]]
    print(f"{len(symbols)} exported symbols under {', '.join(nodes)}")
    for failure in failures:
        print(failure)
    return 1 if failures else 0


# The project's namespaces, as nm -C writes a definition in them (and their vtables and type info).
PROJECT_SYMBOL = re.compile(r"^(?:(?:vtable|typeinfo|typeinfo name|VTT|construction vtable) for )?(?:so|sv)::")


def definitions(binary):
    """(strong, weak): the demangled names of the project's symbols binary defines, from its full
    symbol table. An inline function compiled with hidden visibility ends up local (t) like a
    strong one; where any of its aliases is weak, it counts as weak."""
    out = subprocess.run(["nm", "--defined-only", "-C", binary], check=True, capture_output=True, text=True).stdout
    strong, weak = set(), set()
    for line in out.splitlines():
        parts = line.split(" ", 2)
        if len(parts) < 3 or not PROJECT_SYMBOL.match(parts[2]) or "(anonymous namespace)" in parts[2]:
            continue
        (strong if parts[1] in "TtDdBbRr" else weak).add(parts[2])
    return strong - weak, weak


def copies(program, library):
    program_strong, program_weak = definitions(program)
    library_strong, library_weak = definitions(library)
    both = sorted((program_strong & library_strong) - program_weak - library_weak)
    for name in both:
        print("defined by the program and the library:", name)
    print(f"{len(both)} of the library's {len(library_strong)} definitions also in {program}")
    return 1 if both else 0


def readme(readme_path, example_path):
    text = open(readme_path, encoding="utf-8").read()
    section = text.split("## Hosting the component", 1)[1].split("\n## ", 1)[0]
    blocks = re.findall(r"```cpp\n(.*?)```", section, re.S)
    example = open(example_path, encoding="utf-8").read()
    if example not in blocks:
        print("README's hosting section does not hold the example host's main.cpp as it is")
        return 1
    return 0


if __name__ == "__main__":
    if sys.argv[1] == "exports":
        sys.exit(exports(sys.argv[2], sys.argv[3]))
    if sys.argv[1] == "copies":
        sys.exit(copies(sys.argv[2], sys.argv[3]))
    sys.exit(readme(sys.argv[2], sys.argv[3]))
