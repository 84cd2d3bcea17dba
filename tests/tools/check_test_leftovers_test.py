#!/usr/bin/env python3
"""Tests of tools/check-test-leftovers: a run that writes into a watched folder (a new
file, a new folder, an old file written again, a file beside the program) fails and
names what it left; a run that leaves nothing, or cleans up after itself, or writes only
into ctest's own Testing folder or outside, passes; a failing run keeps its status.

Usage: check_test_leftovers_test.py SOURCE_ROOT   (ctest runs it as test "test_leftovers_check")
"""
import os
import subprocess
import sys
import tempfile

SOURCE = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", ".."))
CHECK = os.path.join(SOURCE, "tools", "check-test-leftovers")

# (what, shell command run inside the watched folder, expected status, a name the report must hold)
CASES = [
    ("a new file", "echo x > made.txt", 1, "made.txt"),
    ("a new empty folder", "mkdir -p deep/er", 1, "deep/er"),
    ("an old file written again", "echo y >> old.txt", 1, "old.txt"),
    ("a file in a folder below", "echo z > tests/shot.png", 1, "tests/shot.png"),
    ("nothing", "true", 0, None),
    ("a file made and removed", "echo x > gone && rm gone", 0, None),
    ("ctest's own records", "mkdir -p Testing/Temporary && echo x > Testing/Temporary/LastTest.log", 0, None),
    ("ctest's list of a program's tests", "echo x > 'tests/test_thing[1]_tests.cmake'", 0, None),
    ("outside the folder", "echo x > \"$OUTSIDE/elsewhere\"", 0, None),
    ("a failing run that leaves nothing", "exit 3", 3, None),
    ("a failing run that leaves a file", "echo x > made.txt; exit 3", 3, "made.txt"),
]


def main():
    failures = []
    for what, command, expected, name in CASES:
        with tempfile.TemporaryDirectory() as folder, tempfile.TemporaryDirectory() as outside:
            os.makedirs(os.path.join(folder, "tests"))
            with open(os.path.join(folder, "old.txt"), "w") as f:
                f.write("old\n")
            result = subprocess.run(["bash", CHECK, folder, "--", "bash", "-c", command], cwd=folder,
                                    env=dict(os.environ, OUTSIDE=outside), stdout=subprocess.PIPE,
                                    stderr=subprocess.STDOUT, text=True)
            if result.returncode != expected:
                failures.append(f"{what}: status {result.returncode}, expected {expected}\n{result.stdout}")
            elif name and os.path.join(folder, name) not in result.stdout:
                failures.append(f"{what}: {name} not named\n{result.stdout}")
    for f in failures:
        print("FAIL:", f)
    print(f"check_test_leftovers_test: {len(CASES) - len(failures)} passed, {len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
