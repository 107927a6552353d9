#!/usr/bin/env python3
"""Checks the engine's structure mechanically:
- no module (a header and its source) includes itself through others (no circular includes);
- the folders keep their directions: entry/ (the entry point and the mode choice) stands above
  everything and nothing includes it; saver/ and settings/ never include each other; install/
  includes nothing from saver/ or settings/; startup/, the ground of every mode, includes no mode
  and nothing above it;
- files without Win32 (no "_win" ending their name) include neither <windows.h> nor a "_win" header;
- with --nm and the engine's library: the mutable variables at namespace scope are only the ones
  the system needs process-wide.
Prints the table of which folder includes which. Exits 1 on the first broken rule's report."""
import argparse
import os
import re
import subprocess
import sys

FOLDERS = ["entry", "startup", "payload", "images", "saver", "settings", "install", "resources"]
# Process-wide variables and why each must be one (the shared counter is the system's own).
ALLOWED_GLOBALS = {
    "instanceCount": "the single-instance counter, in the section every process of the file shares",
    "pathLeadByteTest": "the system code page's lead-byte test, set once at start-up for the path code",
    "randomSource": "where random places come from: the engine's generator, or a test's fixed draws",
    "randomGenerator": "the generator's state, seeded once per process, as the C library's rand() keeps it",
    "workBufferAllocator": "where work buffers come from: the heap, or a test's failing allocator",
}
# Folders that must never include another folder's files.
FORBIDDEN = [(folder, "entry") for folder in FOLDERS if folder != "entry"] + [
             ("startup", "images"), ("startup", "saver"), ("startup", "settings"), ("startup", "install"),
             ("saver", "settings"), ("settings", "saver"), ("install", "saver"), ("install", "settings"),
             ("payload", "startup"), ("payload", "images"), ("payload", "saver"), ("payload", "settings"),
             ("payload", "install"), ("images", "saver"), ("images", "settings"), ("images", "install")]
INCLUDE = re.compile(r'^\s*#\s*include\s+[<"]([^>"]+)[>"]', re.M)


def engine_files(root):
    for folder in FOLDERS:
        for name in sorted(os.listdir(os.path.join(root, folder))):
            if name.endswith((".h", ".cpp")):
                yield f"{folder}/{name}"


def is_win32(path):
    return os.path.splitext(os.path.basename(path))[0].endswith("_win")


def includes_of(root, path):
    with open(os.path.join(root, path), encoding="utf-8") as source:
        return INCLUDE.findall(source.read())


def find_cycle(graph):
    state = {}
    stack = []

    def visit(node):
        state[node] = "open"
        stack.append(node)
        for child in graph.get(node, ()):
            if state.get(child) == "open":
                return stack[stack.index(child):] + [child]
            if child not in state:
                found = visit(child)
                if found:
                    return found
        stack.pop()
        state[node] = "done"
        return None

    for node in sorted(graph):
        if node not in state:
            found = visit(node)
            if found:
                return found
    return None


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", default=os.path.join(os.path.dirname(__file__), ".."))
    parser.add_argument("--nm", help="the nm of the engine's toolchain")
    parser.add_argument("library", nargs="?", help="the engine's static library (for the globals)")
    args = parser.parse_args()
    root = os.path.abspath(args.root)
    problems = []

    files = list(engine_files(root))
    graph = {}  # module -> the modules whose headers it includes
    table = {(a, b): 0 for a in FOLDERS for b in FOLDERS}
    for path in files:
        folder = path.split("/")[0]
        for included in includes_of(root, path):
            target = included.split("/")[0]
            if included == "windows.h" and not is_win32(path) and not path.startswith("resources/"):
                problems.append(f"{path} has no _win in its name but includes <windows.h>")
            if is_win32(included) and not is_win32(path):
                problems.append(f"{path} has no _win in its name but includes {included}")
            if target in FOLDERS:
                module, other = os.path.splitext(path)[0], os.path.splitext(included)[0]
                if other != module:
                    graph.setdefault(module, []).append(other)
                if target != folder:
                    table[(folder, target)] += 1
                if (folder, target) in FORBIDDEN:
                    problems.append(f"{path} includes {included}: {folder}/ must not include {target}/")
    cycle = find_cycle(graph)
    if cycle:
        problems.append("circular includes: " + " -> ".join(cycle))

    print("includes between folders (row includes column, number of #include lines):")
    print(f"{'':>10}" + "".join(f"{f:>10}" for f in FOLDERS))
    for a in FOLDERS:
        print(f"{a:>10}" + "".join(f"{(table[(a, b)] or '-') if a != b else '.':>10}" for b in FOLDERS))

    if args.library:
        listing = subprocess.run([args.nm or "nm", "-C", args.library], check=True, capture_output=True,
                                 text=True).stdout
        found = set()
        for line in listing.splitlines():
            parts = line.split(None, 2)
            if len(parts) == 3 and parts[1] in "bBdD" and not parts[2].startswith((".", "__")) \
                    and parts[2] != "Shared" and not parts[2].startswith("vtable"):
                found.add(parts[2])
        print("mutable variables at namespace scope:")
        for name in sorted(found):
            why = ALLOWED_GLOBALS.get(name)
            print(f"  {name}: {why or 'NOT ALLOWED'}")
            if why is None:
                problems.append(f"{name} is a mutable process-wide variable: make it part of the record that owns it")
    for problem in problems:
        print("check-architecture: " + problem, file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
