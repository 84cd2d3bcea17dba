#!/usr/bin/env python3
"""Tests of the strict run's skip allowlist (tests/support/RunStrictness.h): a real test
program, with a test that skips itself on an X server for the reason "runs on an X
server", is run under CHRONARK_STRICT_TESTS=1 with allowlists of its own. The reason
listed whole lets the run stand; a listed reason the skip's only begins with, one that
only begins with the skip's, or another case fails the run and names the skip; without
strictness any skip passes.

Usage: check_skip_allowlist_test.py TEST_PROGRAM   (ctest runs it as test
"skip_allowlist_check", on the X server of the private desktop)
"""
import os
import subprocess
import sys
import tempfile

PROGRAM = sys.argv[1]
TEST = "HotKeyCenter.OffscreenApplicationHasNoGlobalHotKeys"
REASON = "runs on an X server"


def run(allowlist_lines, strict=True):
    with tempfile.TemporaryDirectory() as folder:
        allowlist = os.path.join(folder, "allowlist.txt")
        with open(allowlist, "w", encoding="utf-8") as out:
            out.write("# a comment line is no reason\n")
            for line in allowlist_lines:
                out.write(line + "\n")
        env = dict(os.environ)
        env["QT_QPA_PLATFORM"] = "xcb"
        env["CHRONARK_SKIP_ALLOWLIST"] = allowlist
        if strict:
            env["CHRONARK_STRICT_TESTS"] = "1"
        else:
            env.pop("CHRONARK_STRICT_TESTS", None)
        done = subprocess.run([PROGRAM, "--gtest_filter=" + TEST], env=env, capture_output=True,
                              text=True, timeout=120)
        return done.returncode, done.stdout + done.stderr


failures = []


def expect(name, allowlist_lines, passes, strict=True):
    code, output = run(allowlist_lines, strict)
    if "[  SKIPPED ]" not in output:
        failures.append(f"{name}: the test did not skip (is the X server there?):\n{output}")
        return
    if passes and code != 0:
        failures.append(f"{name}: the run failed (exit {code}) where it should stand:\n{output}")
    if not passes:
        if code == 0:
            failures.append(f"{name}: the run stood (exit 0) where the skip should fail it:\n{output}")
        elif TEST not in output or REASON not in output or allowlist_lines and "allowed skip reasons" not in output:
            failures.append(f"{name}: the failure does not name the skip and its reason:\n{output}")


expect("the reason whole", [REASON], passes=True)
expect("the reason whole, among others", ["another reason", "  " + REASON + "  "], passes=True)
expect("a listed prefix of the reason", [REASON[:-len(" server")]], passes=False)
expect("a listed reason longer than the skip's", [REASON + " or two"], passes=False)
expect("another case", [REASON.capitalize()], passes=False)
expect("an empty allowlist", [], passes=False)
expect("the reason only in a comment", ["# " + REASON], passes=False)
expect("without strictness", [], passes=True, strict=False)

if failures:
    print("\n\n".join(failures))
    sys.exit(1)
print("skip allowlist: 8 cases as expected")
