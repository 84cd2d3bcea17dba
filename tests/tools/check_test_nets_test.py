#!/usr/bin/env python3
"""Tests of the test support's nets: a planted test that leaves the logging state changed,
or whose exception reaches a net of the program or ends the process, fails and names what
it did (the exception by the line that threw it), and so does one that holds the GUI
thread, named by its line; the controls pass. The planted tests
are those of tests/tools/planted/PlantedNets.cpp, each run alone.

Usage: check_test_nets_test.py PLANTED_PROGRAM   (ctest runs it as test "test_nets_check")
"""
import os
import subprocess
import sys
import tempfile

PROGRAM = sys.argv[1]

# (test, expected to fail, texts the output must hold, texts it must not)
CASES = [
    ("PlantedLogging.RulesSetInTheEnvironment", True, ["left the logging state changed", "QT_LOGGING_RULES"], []),
    ("PlantedLogging.APatternSetInTheEnvironment", True, ["left the logging state changed", "QT_MESSAGE_PATTERN"], []),
    ("PlantedLogging.WarningsOfTheDefaultCategoryTurnedOff", True,
     ["warning messages of the default category turned off"], []),
    ("PlantedLogging.ScopedChangesArePutBack", False, [], ["logging state changed"]),
    ("PlantedExceptions.StoiInAPaintEvent", True, ["thrown at", "PlantedNets.cpp", "stoi"], []),
    ("PlantedExceptions.AtInAModelsData", True, ["thrown at", "PlantedNets.cpp", "out_of_range"],
     ["active painter"]),
    ("PlantedExceptions.AtInAConnectedLambda", True, ["An exception reached a net", "thrown at", "PlantedNets.cpp"], []),
    ("PlantedExceptions.AThrowingTaskOfAThreadPool", True, ["thrown at", "PlantedNets.cpp", "a task's own failure"], []),
    ("PlantedExceptions.AnExceptionTheTestExpects", False, [], ["An exception reached a net"]),
    # The GUI-thread watchdog: a hold of a slot that QTest's click runs, and a hold of a
    # delivery's own code after a nested loop returned (a sleep: time spent waiting for
    # a processor on a loaded machine does not count as a hold, time spent blocked does).
    ("PlantedWatchdog.ASlotThatAClickHolds", True, ["The GUI thread was held", "PlantedNets.cpp:"], []),
    ("PlantedWatchdog.AHoldAfterANestedLoop", True, ["The GUI thread was held", "PlantedNets.cpp:"], []),
    # Qt Test's record of held buttons: a double click sent without its release leaves
    # every later move a drag; the same click ended as on a desktop passes.
    ("PlantedMouse.ADoubleClickWithoutItsRelease", True, ["left mouse buttons held"], []),
    ("PlantedMouse.ADoubleClickEndedAsOnADesktop", False, [], ["left mouse buttons held"]),
]


def main():
    failures = []
    environment = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    environment.pop("CHRONARK_STRICT_TESTS", None)
    for test, fails, said, unsaid in CASES:
        # Most of the planted tests end their process: each runs as a test's child, in user
        # folders of this check's that go with it.
        with tempfile.TemporaryDirectory() as home:
            folders = {name: os.path.join(home, name.lower())
                       for name in ("XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME")}
            for folder in folders.values():
                os.makedirs(folder)
            run = subprocess.run([PROGRAM, f"--gtest_filter={test}"],
                                 env=dict(environment, CHRONARK_TEST_CHILD="1", **folders), stdout=subprocess.PIPE,
                                 stderr=subprocess.STDOUT, text=True, errors="replace", timeout=120)
        problems = []
        if (run.returncode != 0) != fails:
            problems.append(f"status {run.returncode}, expected it to {'fail' if fails else 'pass'}")
        if "[ RUN      ] " + test not in run.stdout:
            problems.append("the test did not run")
        problems += [f"does not say {text!r}" for text in said if text not in run.stdout]
        problems += [f"says {text!r}" for text in unsaid if text in run.stdout]
        if problems:
            failures.append(f"{test}: {'; '.join(problems)}\n{run.stdout[-3000:]}")
    for f in failures:
        print("FAIL:", f)
    print(f"check_test_nets_test: {len(CASES) - len(failures)} passed, {len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
