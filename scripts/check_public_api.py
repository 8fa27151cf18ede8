#!/usr/bin/env python3
"""Checks of what a host sees of the component.

  check_public_api.py exports LIBRARY MAX
      The shared library's dynamic symbol table holds the public API only: every exported symbol of
      namespace so belongs to a public class or function, and there are at most MAX of them.
  check_public_api.py readme README EXAMPLE
      The C++ block of README's "Hosting the component" is the example host's source, unchanged.
"""
import re
import subprocess
import sys

# The public classes and functions (include/statusobject): their members, vtables and type info.
PUBLIC = re.compile(
    r"(so::Status\b|so::db::(Connection|Recordset|Command|DbError)\b|so::(HostError|ConsoleHost|SiteConnection|"
    r"ImageList|Dialogs)\b|so::FormatDetailedRelayState\(|so::statusPointRange\(|so::mayCommandPoints?\(|"
    r"so::classicCommandPoints\(|so::outsideOperatorBoundaries\(|so::diagnostics::shownRows\(|so::StatusReader\b)")


def exports(library, maximum):
    out = subprocess.run(["nm", "-D", "--defined-only", "-C", library], check=True, capture_output=True,
                         text=True).stdout
    symbols = [line.split(" ", 2)[2] for line in out.splitlines() if line.count(" ") >= 2]
    ours = [s for s in symbols if "so::" in s]
    internal = [s for s in ours if not PUBLIC.search(s)]
    print(f"{len(symbols)} exported symbols, {len(ours)} of namespace so")
    for s in internal:
        print("internal symbol exported:", s)
    if len(symbols) > maximum:
        print(f"more exported symbols than the {maximum} allowed")
    return 1 if internal or len(symbols) > maximum else 0


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
        sys.exit(exports(sys.argv[2], int(sys.argv[3])))
    sys.exit(readme(sys.argv[2], sys.argv[3]))
