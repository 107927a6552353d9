#!/usr/bin/env python3
"""The import audit refuses what it is there to refuse: each row of the table changes the real
list in one way and runs the audit on the real engine, which must fail and say why (or pass).
Usage: check_imports_test.py CHECK_IMPORTS ENGINE LIST CRT_PROGRAM (a program that imports the C
runtime DLL, which no list may admit)"""
import os
import re
import subprocess
import sys
import tempfile


def set_cells(text, function, **cells):
    """The list with the row of function changed: use, win95 or nt replaced."""
    columns = {"use": 2, "win95": 3, "nt": 4}
    lines = text.splitlines(keepends=True)
    for i, line in enumerate(lines):
        parts = line.split("|")
        if len(parts) > 7 and parts[2].strip() == function:
            for name, value in cells.items():
                parts[columns[name] + 1] = f" {value} "
            lines[i] = "|".join(parts)
            return "".join(lines)
    raise KeyError(function)


def drop_row(text, function):
    return "".join(line for line in text.splitlines(keepends=True)
                   if not re.match(rf"\|\s*\w+\s*\|\s*{re.escape(function)}\s*\|", line))


def add_row(text, dll, function, use):
    return text + f"| {dll} | {function} | {use} | 95 | 3.1 | yes | a test row |\n"


def main():
    check, engine, listing, crt_program = sys.argv[1:5]
    original = open(listing, encoding="utf-8").read()
    rows = [
        ("the list as it is", original, 0, "each implemented by Windows 95"),
        ("a function without a row", drop_row(original, "MoveFileA"), 1, "KERNEL32 MoveFileA is imported but not in"),
        ("a function the list keeps out", set_cells(original, "MoveFileA", use="never"), 1, "says it must not be"),
        ("a function reached at run time only", set_cells(original, "MoveFileA", use="runtime"), 1,
         "through GetProcAddress only"),
        ("a stub on Windows 95", set_cells(original, "MoveFileA", win95="stub"), 1, "not implemented by its first release"),
        ("first in Windows 98", set_cells(original, "GetTickCount", win95="98"), 1, "gives Windows 95 as '98'"),
        ("first in Windows NT 4.0", set_cells(original, "GetTickCount", nt="4.0"), 1, "gives Windows NT '4.0'"),
        ("NT 3.51 is still a class the engine runs on", set_cells(original, "GetTickCount", nt="3.51"), 0,
         "each implemented"),
        ("a listed import the engine does not import", add_row(original, "KERNEL32", "Beep", "import"), 1,
         "no longer imports it"),
        ("an unknown use", add_row(original, "KERNEL32", "Beep", "sometimes"), 1, "is none of"),
    ]
    failures = 0
    with tempfile.TemporaryDirectory() as work:
        changed = os.path.join(work, "engine-imports.md")
        rows.append(("a program that imports the C runtime DLL", original, 1, "MSVCRT.DLL"))
        for label, text, expected_code, expected_text in rows:
            with open(changed, "w", encoding="utf-8") as out:
                out.write(text)
            program = crt_program if "C runtime" in label else engine
            run = subprocess.run([sys.executable, check, program, changed], capture_output=True, text=True)
            said = run.stdout + run.stderr
            if run.returncode != expected_code or expected_text not in said:
                failures += 1
                print(f"FAIL {label}: expected exit {expected_code} saying {expected_text!r}, "
                      f"got exit {run.returncode}:\n{said}")
            else:
                print(f"ok   {label}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
