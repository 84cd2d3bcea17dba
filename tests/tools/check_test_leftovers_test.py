#!/usr/bin/env python3
"""Tests of tools/check-test-leftovers: a run that leaves a trace in a watched folder (a
new file or folder, an old file written again, removed, or given another mode, a
rewrite whose times were put back, a write into the other watched folder than the one it
started in), in the user folders it was given, or at the top of a shared folder, fails
and names it; a run that leaves nothing, or cleans up after itself, or writes only into
ctest's own Testing folder or outside, passes; a failing run keeps its status.

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
    ("an old file removed", "rm old.txt", 1, "old.txt"),
    ("an old file given another mode", "chmod 600 old.txt", 1, "old.txt"),
    ("a rewrite with its times put back",
     "touch -r old.txt \"$OUTSIDE/ref\" && echo old > old.txt && touch -r \"$OUTSIDE/ref\" old.txt", 1, "old.txt"),
    ("a write into the other watched folder", "echo x > \"$OTHER/made.txt\"", 1, "made.txt"),
    ("a file left in the run's home", "echo x > \"$HOME/.made\"", 1, ".made"),
    ("a file left in the run's temporary folder", "mktemp >/dev/null", 1, "(in the run's TMPDIR)"),
    ("a folder left in the run's state folder", "mkdir \"$XDG_STATE_HOME/Chronark\"", 1, "Chronark"),
    ("a name left in a shared folder", "echo x > \"$SHARED/chronark-test-home-1\"", 1, "chronark-test-home-1"),
    ("a file made and removed in the run's home", "echo x > \"$HOME/.gone\" && rm \"$HOME/.gone\"", 0, None),
]


def main():
    failures = []
    for what, command, expected, name in CASES:
        with tempfile.TemporaryDirectory() as folder, tempfile.TemporaryDirectory() as outside, \
                tempfile.TemporaryDirectory() as other, tempfile.TemporaryDirectory() as shared:
            os.makedirs(os.path.join(folder, "tests"))
            with open(os.path.join(folder, "old.txt"), "w") as f:
                f.write("old\n")
            environment = dict(os.environ, OUTSIDE=outside, OTHER=other, SHARED=shared,
                               CHRONARK_LEFTOVERS_SHARED=shared)
            result = subprocess.run([CHECK, folder, other, "--", "bash", "-c", command], cwd=folder,
                                    env=environment, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
            if result.returncode != expected:
                failures.append(f"{what}: status {result.returncode}, expected {expected}\n{result.stdout}")
            elif name and name not in result.stdout:
                failures.append(f"{what}: {name} not named\n{result.stdout}")
    for f in failures:
        print("FAIL:", f)
    print(f"check_test_leftovers_test: {len(CASES) - len(failures)} passed, {len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
