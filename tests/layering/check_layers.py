#!/usr/bin/env python3
"""Fails when a file includes one of our headers from a layer its own layer
does not use (the table src/layers.txt), naming the file, line and header."""
import pathlib
import re
import sys

root = pathlib.Path(sys.argv[1])
uses = {}
for line in (root / "src/layers.txt").read_text().splitlines():
    line = line.split("#", 1)[0].strip()
    if line:
        folder, _, below = line.partition(":")
        uses[folder.strip()] = below.split()

def reachable(folder):
    seen, todo = {folder}, [folder]
    while todo:
        for below in uses.get(todo.pop(), []):
            if below not in seen:
                seen.add(below)
                todo.append(below)
    return seen

def layer_of_header(header):
    """The layer a quoted include names, longest folder first; None if not ours."""
    if header.startswith("dunmerrow/"):
        return "include"
    for folder in sorted(uses, key=len, reverse=True):
        if header.startswith(folder + "/"):
            return folder
    return None

problems = []
for folder in uses:
    base = root / ("app" if folder == "app" else "src/" + folder)
    if folder == "include":
        continue
    allowed = reachable(folder)
    for path in sorted(base.glob("*.*")):
        if path.suffix not in (".h", ".cc", ".c"):
            continue
        for number, text in enumerate(path.read_text().splitlines(), 1):
            match = re.match(r'\s*#\s*include\s+"([^"]+)"', text)
            if not match:
                continue
            layer = layer_of_header(match.group(1))
            if layer is not None and layer not in allowed:
                problems.append(f"{path.relative_to(root)}:{number}: the layer '{folder}' "
                                f"includes {match.group(1)} from the layer '{layer}' above it")

# Every folder of src/ with code must be in the table, or it escapes the check.
for path in sorted((root / "src").rglob("*.cc")):
    folder = str(path.parent.relative_to(root / "src"))
    if folder not in uses:
        problems.append(f"{path.relative_to(root)}: the folder '{folder}' is not in src/layers.txt")

print("\n".join(problems) if problems else f"{len(uses)} layers, every include within its layer")
sys.exit(1 if problems else 0)
