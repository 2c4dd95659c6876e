#!/usr/bin/env python3
"""Fails on any #include that reaches up the layers of src/.

The folders are layers, lowest first: platform < html < model < engine < schedule < archive
< reports < {cli, shell}. A file may include its own layer and those below it; the two front
ends may include every layer of the core but not each other. A lower layer that needs an
upper one declares an interface that the upper one implements.

Usage: check-layers.py [SOURCE_ROOT]   (default: src beside this script's folder)
Prints file:line, the two layers and the include for every offending line; exits 1 when
there is one, 2 when the root is missing, 0 otherwise.
"""

import os
import re
import sys

CORE = ["platform", "html", "model", "engine", "schedule", "archive", "reports"]
FRONT_ENDS = ["cli", "shell"]
RANK = {layer: rank for rank, layer in enumerate(CORE)}
for front_end in FRONT_ENDS:
    RANK[front_end] = len(CORE)

INCLUDE = re.compile(r'^\s*#\s*include\s*(?:"([^"]+)"|<([^>]+)>)')
SOURCE_SUFFIXES = (".h", ".hpp", ".cpp", ".cc", ".inc")


def layer_of(relative_path):
    """The layer a path below the root lies in, or None outside the layers."""
    first = relative_path.replace(os.sep, "/").split("/", 1)[0]
    return first if first in RANK else None


def allowed(own, included):
    if own == included:
        return True
    if own in FRONT_ENDS and included in FRONT_ENDS:
        return False  # the front ends are siblings
    return RANK[included] < RANK[own]


def included_layer(root, folder, target):
    """The layer an include names: a path from the root ("model/TQLTask.h") or, when it
    starts with a dot, one relative to the including file's folder."""
    if target.startswith("."):
        resolved = os.path.normpath(os.path.join(root, folder, target))
        relative = os.path.relpath(resolved, os.path.normpath(root))
        return None if relative.startswith("..") else layer_of(relative)
    return layer_of(target) if "/" in target else None


def check_file(root, relative_path):
    own = layer_of(relative_path)
    folder = os.path.dirname(relative_path)
    problems = []
    path = os.path.join(root, relative_path)
    with open(path, encoding="utf-8", errors="replace") as source:
        for number, line in enumerate(source, 1):
            match = INCLUDE.match(line)
            if not match:
                continue
            target = match.group(1) or match.group(2)
            other = included_layer(root, folder, target)
            if other is not None and not allowed(own, other):
                problems.append(f"{path}:{number}: {own} includes {other}: {line.strip()}")
    return problems


def check_tree(root):
    problems = []
    for folder, folders, files in os.walk(root):
        folders.sort()
        for name in sorted(files):
            if not name.endswith(SOURCE_SUFFIXES):
                continue
            relative_path = os.path.relpath(os.path.join(folder, name), root)
            if layer_of(relative_path) is not None:
                problems.extend(check_file(root, relative_path))
    return problems


def main(argv):
    default_root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "src")
    root = argv[1] if len(argv) > 1 else os.path.normpath(default_root)
    if not os.path.isdir(root):
        print(f"check-layers: no such folder: {root}", file=sys.stderr)
        return 2
    problems = check_tree(root)
    for problem in problems:
        print(problem)
    if problems:
        print(f"check-layers: {len(problems)} include(s) reach a higher layer", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
