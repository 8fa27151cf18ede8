#!/usr/bin/env python3
"""Checks of what a host sees of the component.

  check_public_api.py exports LIBRARY LIST
      The shared library exports exactly the symbols of LIST (demangled, one a line, sorted; lines
      starting with "#" are comments), each under the library's version node; every one of them
      belongs to a public class or function. Prints what differs, to be reviewed and the list
      updated.
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

VERSION_NODE = "STATUSOBJECT_1"
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


def exports(library, list_path):
    out = subprocess.run(["nm", "-D", "--defined-only", "--with-symbol-versions", "-C", library], check=True,
                         capture_output=True, text=True).stdout
    symbols, unversioned = set(), []
    for line in out.splitlines():
        if line.count(" ") < 2:
            continue
        name = line.split(" ", 2)[2]
        if name.endswith("@@" + VERSION_NODE):
            symbols.add(name[: -len(VERSION_NODE) - 2])
        elif name != VERSION_NODE:  # the node's own symbol
            unversioned.append(name)
    reviewed = {line.strip() for line in open(list_path, encoding="utf-8")
                if line.strip() and not line.startswith("#")}
    internal = sorted(s for s in symbols if not PUBLIC.search(s) or HIDDEN_PART.search(s))
    print(f"{len(symbols)} exported symbols under {VERSION_NODE}")
    for s in sorted(unversioned):
        print("exported without the version node:", s)
    for s in internal:
        print("internal symbol exported:", s)
    for s in sorted(symbols - reviewed):
        print("exported, not in the reviewed list:", s)
    for s in sorted(reviewed - symbols):
        print("in the reviewed list, not exported:", s)
    return 1 if unversioned or internal or symbols != reviewed else 0


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
