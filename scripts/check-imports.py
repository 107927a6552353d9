#!/usr/bin/env python3
"""The engine's import audit: reads the import table of the built engine and holds it to the list
in docs/engine-imports.md, where every function the engine imports has a row with the oldest
releases that implement it and the source that says so.

Fails on:
- a DLL other than KERNEL32, USER32, GDI32 and ADVAPI32 (no C runtime DLL: the first releases of
  Windows 95 and NT 3.51 have none);
- an import by ordinal, or a function without a row;
- a function whose row says it must not be imported ("never": missing or unimplemented on a class
  the engine runs on; "runtime": reached through GetProcAddress with a fallback);
- an imported function whose row does not give Windows 95 (the first release) and Windows NT 3.51
  or earlier;
- a row marked "import" for a function the engine no longer imports (the list stays exact).
Prints a summary: the functions per DLL and the rows that keep functions out."""
import argparse
import os
import re
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from pe_file import PeFile  # noqa: E402

DLLS = ("KERNEL32", "USER32", "GDI32", "ADVAPI32")
USES = ("import", "never", "runtime")
NT_FLOOR = (3, 51)  # NT 3.51 is a class the engine runs on (win31 by the version rule)


def read_list(path):
    """{(DLL, function): row} from the Markdown table rows of the list."""
    rows = {}
    for number, line in enumerate(open(path, encoding="utf-8"), 1):
        cells = [cell.strip() for cell in line.strip().strip("|").split("|")]
        if not line.startswith("|") or len(cells) < 7 or cells[0] in ("DLL", "") or set(cells[0]) <= set("-: "):
            continue
        dll, function, use, win95, nt, win32s = cells[:6]
        if use not in USES:
            raise ValueError(f"{path}:{number}: use {use!r} is none of {', '.join(USES)}")
        if (dll, function) in rows:
            raise ValueError(f"{path}:{number}: {dll} {function} is listed twice")
        rows[(dll, function)] = {"use": use, "win95": win95, "nt": nt, "win32s": win32s, "line": number}
    return rows


def nt_version(text):
    match = re.fullmatch(r"(\d+)\.(\d+)", text)
    return (int(match.group(1)), int(match.group(2))) if match else None


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("engine")
    parser.add_argument("list")
    args = parser.parse_args()
    try:
        imports = PeFile(args.engine).imports()
        rows = read_list(args.list)
    except (OSError, ValueError) as error:
        print(f"check-imports: {error}", file=sys.stderr)
        return 1
    problems = []
    for dll, functions in sorted(imports.items()):
        if dll not in DLLS:
            problems.append(f"imports {dll}.DLL ({', '.join(functions)}): only {', '.join(DLLS)} are allowed")
            continue
        for function in functions:
            row = rows.get((dll, function))
            where = f"{dll} {function}"
            if function.startswith("#"):
                problems.append(f"{dll} is imported by ordinal {function}: import by name")
            elif row is None:
                problems.append(f"{where} is imported but not in {args.list}: look up its oldest releases and add it")
            elif row["use"] == "never":
                problems.append(f"{where} is imported, but line {row['line']} says it must not be "
                                f"(Windows 95: {row['win95']}, Windows NT: {row['nt']})")
            elif row["use"] == "runtime":
                problems.append(f"{where} is imported, but line {row['line']} says it is reached through "
                                f"GetProcAddress only")
            else:
                version = nt_version(row["nt"])
                if row["win95"] != "95":
                    problems.append(f"{where}: line {row['line']} gives Windows 95 as {row['win95']!r}, "
                                    f"not implemented by its first release")
                if version is None or version > NT_FLOOR:
                    problems.append(f"{where}: line {row['line']} gives Windows NT {row['nt']!r}, "
                                    f"later than 3.51")
    imported = {(dll, function) for dll, functions in imports.items() for function in functions}
    for key, row in sorted(rows.items()):
        if row["use"] == "import" and key not in imported:
            problems.append(f"{key[0]} {key[1]}: line {row['line']} lists it as imported, but the engine no longer "
                            f"imports it: remove the row")
    for problem in problems:
        print(f"check-imports: {args.engine}: {problem}", file=sys.stderr)
    if problems:
        return 1
    summary = ", ".join(f"{dll} {len(imports.get(dll, []))}" for dll in DLLS)
    kept_out = [f"{dll} {function} ({row['use']})" for (dll, function), row in sorted(rows.items())
                if row["use"] != "import"]
    win32s_no = sorted(f"{dll} {function}" for (dll, function), row in rows.items()
                       if row["use"] == "import" and row["win32s"] not in ("yes",))
    print(f"check-imports: {sum(len(f) for f in imports.values())} functions from {len(imports)} DLLs: {summary}; "
          f"each implemented by Windows 95 and by Windows NT 3.51 or earlier")
    print(f"check-imports: kept out of the import table: {', '.join(kept_out) or 'none'}")
    print(f"check-imports: not known to be in Win32s (not a target): {len(win32s_no)} functions")
    return 0


if __name__ == "__main__":
    sys.exit(main())
