#!/usr/bin/env python3
"""check-layers.py [SRC]: fails when a file under src/ includes one from a layer above its own.

The layers, lowest first, are the folders of LAYERS; a file may include from its own layer and
the ones below. Every quoted include must name a file under src/, as the build's include path
takes it ("tables/CoordCube.h") or beside the including file. Prints each upward or unknown
include as FILE:LINE: and exits with status 1 if there is any.
"""

import os
import re
import sys

# Lowest first, each layer its folders or file-name prefixes. Within tables/, the coordinates and
# their loader (CoordCube, with the free memory it measures) lie below the optional tables built on
# them: the loader must not reach up to their code.
LAYERS = [("cube/",), ("tables/CoordCube.", "tables/FreeMemory."), ("tables/",), ("search/",),
          ("requests/",), ("programs/",)]

INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')


def layer(path):
    """The index in LAYERS of the longest folder or prefix that path starts with, or None."""
    found, longest = None, 0
    for i, prefixes in enumerate(LAYERS):
        for prefix in prefixes:
            if path.startswith(prefix) and len(prefix) > longest:
                found, longest = i, len(prefix)
    return found


def resolve(src, including, name):
    """The included file relative to src, looked for as the compiler does; None if not there."""
    for base in (os.path.dirname(including), ""):
        candidate = os.path.normpath(os.path.join(base, name))
        if os.path.isfile(os.path.join(src, candidate)):
            return candidate.replace(os.sep, "/")
    return None


def problems(src):
    for directory, _, files in sorted(os.walk(src)):
        for file_name in sorted(files):
            path = os.path.relpath(os.path.join(directory, file_name), src).replace(os.sep, "/")
            own = layer(path)
            if own is None:
                yield "src/%s: in no layer (%s)" % (path, ", ".join(p for l in LAYERS for p in l))
                continue
            with open(os.path.join(src, path), encoding="utf-8") as text:
                for number, line in enumerate(text, 1):
                    match = INCLUDE.match(line)
                    if not match:
                        continue
                    where = "src/%s:%d: includes \"%s\"" % (path, number, match.group(1))
                    target = resolve(src, path, match.group(1))
                    if target is None:
                        yield where + ", which is no file under src/"
                    elif layer(target) is None or layer(target) > own:
                        yield where + ", from a layer above its own"


def main():
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    src = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "src")
    found = list(problems(src))
    for problem in found:
        print(problem)
    if found:
        print("check-layers: includes go only downward: %s" % " < ".join("|".join(l) for l in LAYERS))
        return 1
    print("check-layers: every include under src/ goes downward")
    return 0


if __name__ == "__main__":
    sys.exit(main())
