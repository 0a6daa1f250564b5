#!/usr/bin/env python3
"""Checks that every #include "..." under src/ goes down the program's layers, never up or sideways.

Usage: check_layers.py SOURCE-DIR

The layers, bottom to top; a folder may include its own headers and those of the layers below it.
The engine helper (browser) and the composition root (app) are the two programs at the top: the
root includes no part of the helper, and nothing includes the root. Prints each include against
the order as FILE:LINE and exits 1; prints a summary and exits 0 when there is none.
"""
import os
import re
import sys

LAYERS = ["platform", "store", "links", "web", "ui/common", "tray", "ui/about", "ui/main", "browser", "app"]
# Pairs that the order alone would allow and that are still refused: (from, to).
REFUSED = {("app", "browser")}

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def layer_of(path):
    """The layer of a path relative to src/ (a file, or an include's name); None outside them."""
    for layer in sorted(LAYERS, key=len, reverse=True):
        if path == layer or path.startswith(layer + "/"):
            return layer
    return None


def main():
    if len(sys.argv) != 2:
        print(__doc__.strip().splitlines()[2], file=sys.stderr)
        return 2
    src = os.path.join(sys.argv[1], "src")
    faults = []
    checked = 0
    for root, _, names in os.walk(src):
        for name in sorted(names):
            if not name.endswith((".h", ".cpp", ".in")):
                continue
            path = os.path.join(root, name)
            relative = os.path.relpath(path, src).replace(os.sep, "/")
            here = layer_of(relative)
            if here is None:
                faults.append(f"{path}: not in any layer ({', '.join(LAYERS)})")
                continue
            with open(path, encoding="utf-8") as source:
                for number, line in enumerate(source, 1):
                    match = INCLUDE.match(line)
                    if not match:
                        continue
                    included = match.group(1)
                    there = layer_of(included)
                    if there is None:
                        continue  # a header beside the file (a generated moc file)
                    checked += 1
                    if there == here:
                        continue
                    if LAYERS.index(there) > LAYERS.index(here) or (here, there) in REFUSED:
                        faults.append(f"{path}:{number}: {here} includes {included} ({there}), "
                                      f"which is not below it")
    for fault in faults:
        print(fault)
    if faults:
        print(f"{len(faults)} of {checked} includes go against the layers "
              f"({' < '.join(LAYERS)})")
        return 1
    print(f"{checked} includes of the program's own headers, all down the layers")
    return 0


if __name__ == "__main__":
    sys.exit(main())
