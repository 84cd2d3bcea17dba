#!/usr/bin/env python3
"""Tests of tools/check-test-leftovers: a run that leaves a trace in a watched folder (a
new file or folder, an old file written again, removed, or given another mode, a
rewrite whose times were put back, a write into the other watched folder than the one it
started in, a build folder at the top of the tree), in the user folders it was given (its
runtime folder among them), in a shared folder (at any depth where the shared folders are
private to the run, at their top elsewhere; /var/tmp among them by default), in the real
home that the user database names, in /run, or a process still running, fails and names it; a run that leaves nothing,
or cleans up after itself, or writes only into ctest's own Testing folder or outside, or
makes pictures where it is told to, passes; another program's file in a shared folder is
not counted where the shared folders are private; a failing run keeps its status.

Usage: check_test_leftovers_test.py SOURCE_ROOT   (ctest runs it as test "test_leftovers_check")
"""
import os
import pwd
import shutil
import socket
import subprocess
import sys
import tempfile
import time

SOURCE = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", ".."))
CHECK = os.path.join(SOURCE, "tools", "check-test-leftovers")

SLEEPS = (f"300.{os.getpid()}", f"301.{os.getpid()}")
REAL_HOME_FILE = f".chronark-leftovers-probe-{os.getpid()}"

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
    ("a socket left in the run's runtime folder", "echo x > \"$XDG_RUNTIME_DIR/bus\"", 1, "(in the run's XDG_RUNTIME_DIR)"),
    # Sleeps of this run's own lengths, told apart from those of another run meanwhile.
    ("a process that left its session", f"setsid sleep {SLEEPS[0]} </dev/null >/dev/null 2>&1 &", 1,
     f"sleep {SLEEPS[0]}"),
    ("a process left in the background", f"sleep {SLEEPS[1]} </dev/null >/dev/null 2>&1 &", 1, f"sleep {SLEEPS[1]}"),
    ("an X server's empty socket folder", "mkdir -m 1777 \"$SHARED/.X11-unix\"", 0, None),
    # Another build folder at the top of the tree than the one the run is given.
    ("a file under a build folder at the top", "mkdir -p build-other && echo x > build-other/made.txt", 1,
     "build-other/made.txt"),
]

# Only where the shared folders are private to the run (root, and a mount namespace).
PRIVATE_CASES = [
    ("a file inside a folder that was there before",
     "echo x > \"$SHARED/before/made\"", 1, "before/made"),
    ("a name left in a shared folder by a failing run", "mkdir \"$SHARED/chronark-x\"; exit 4", 4, "chronark-x"),
    # The real home, found through the system's user database rather than HOME (the run
    # sees it through an overlay: the real one stays as it was).
    ("a file left in the real home", f"echo x > \"$(getent passwd $(id -u) | cut -d: -f6)/{REAL_HOME_FILE}\"", 1,
     f"{REAL_HOME_FILE} (in the real home)"),
    # The system's runtime folder (seen through an overlay too), at any depth.
    ("a file left in /run", f"echo x > /run/{REAL_HOME_FILE}", 1, f"/run/{REAL_HOME_FILE} (in /run)"),
    ("a lock left in a folder of /run", f"mkdir -p /run/lock && echo x > /run/lock/{REAL_HOME_FILE}", 1,
     f"/run/lock/{REAL_HOME_FILE} (in /run)"),
    ("a file made and removed in /run", f"echo x > /run/{REAL_HOME_FILE} && rm /run/{REAL_HOME_FILE}", 0, None),
    # Its services are reached as without the overlay: a socket of /run answers.
    ("a socket of /run reached", f"python3 -c \"import socket; socket.socket(socket.AF_UNIX).connect('/run/{REAL_HOME_FILE}.socket')\"",
     0, None),
]



def private_folders_possible():
    if os.geteuid() != 0 or shutil.which("unshare") is None:
        return False
    return subprocess.call(["unshare", "--mount", "true"], stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL) == 0


def still_running(word):
    for name in os.listdir("/proc"):
        try:
            with open(f"/proc/{name}/cmdline", "rb") as f:
                if f.read().replace(b"\0", b" ").strip() == word.encode():
                    return True
        except OSError:
            pass
    return False


def run_case(what, command, expected, name, environment_changes=None, during=None):
    """Runs the check on a command in a fresh watched folder; returns a failure or None."""
    with tempfile.TemporaryDirectory() as folder, tempfile.TemporaryDirectory() as outside, \
            tempfile.TemporaryDirectory() as other, tempfile.TemporaryDirectory() as shared:
        os.makedirs(os.path.join(folder, "tests"))
        os.makedirs(os.path.join(shared, "before"))
        with open(os.path.join(folder, "old.txt"), "w") as f:
            f.write("old\n")
        environment = dict(os.environ, OUTSIDE=outside, OTHER=other, SHARED=shared,
                           CHRONARK_LEFTOVERS_SHARED=shared)
        environment.update(environment_changes(outside) if environment_changes else {})
        environment = {k: v for k, v in environment.items() if v is not None}
        process = subprocess.Popen([CHECK, folder, other, "--", "bash", "-c", command], cwd=folder,
                                   env=environment, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        if during:
            during(outside, shared)
        output, _ = process.communicate()
        if process.returncode != expected:
            return f"{what}: status {process.returncode}, expected {expected}\n{output}"
        if name and name not in output:
            return f"{what}: {name} not named\n{output}"
        return None


def another_program_writes(outside, shared):
    """Writes into the real shared folder while the run waits for it."""
    deadline = time.monotonic() + 30
    while not os.path.exists(os.path.join(outside, "waiting")) and time.monotonic() < deadline:
        time.sleep(0.02)
    with open(os.path.join(shared, "another-program"), "w") as f:
        f.write("x")
    with open(os.path.join(outside, "written"), "w") as f:
        f.write("x")


def main():
    failures = []
    cases = list(CASES)
    private = private_folders_possible()
    if private:
        cases += PRIVATE_CASES
    listening = None
    if private:
        # A service's socket in /run, which a run must reach through the overlay.
        listening = socket.socket(socket.AF_UNIX)
        listening.bind(f"/run/{REAL_HOME_FILE}.socket")
        listening.listen(8)
    try:
        for what, command, expected, name in cases:
            failure = run_case(what, command, expected, name)
            if failure:
                failures.append(failure)
    finally:
        if listening:
            listening.close()
            os.remove(f"/run/{REAL_HOME_FILE}.socket")
    # The processes of the cases above are gone: the check killed what it named.
    for word in (f"sleep {SLEEPS[0]}", f"sleep {SLEEPS[1]}"):
        if still_running(word):
            failures.append(f"a process left by a run is still running: {word}")
    # Pictures the run makes where it is told to are no trace; the check keeps them.
    failure = run_case("a picture in the run's screenshot folder",
                       "mkdir -p \"$CHRONARK_SCREENSHOT_DIR\" && echo x > \"$CHRONARK_SCREENSHOT_DIR/shot.png\"",
                       0, "the run's pictures are in",
                       lambda outside: {"CHRONARK_SCREENSHOT_DIR": None, "TMPDIR": outside})
    if failure:
        failures.append(failure)
    cases_run = len(cases) + 2
    if private:
        # The real home was seen through an overlay: the file never reached it.
        left = os.path.join(pwd.getpwuid(os.getuid()).pw_dir, REAL_HOME_FILE)
        if os.path.lexists(left):
            os.remove(left)
            failures.append(f"the run's file reached the real home: {left}")
        for left in (f"/run/{REAL_HOME_FILE}", f"/run/lock/{REAL_HOME_FILE}"):
            if os.path.lexists(left):
                os.remove(left)
                failures.append(f"the run's file reached the real /run: {left}")
        # /var/tmp is one of the shared folders the check looks at unless told otherwise.
        failure = run_case("a file left in /var/tmp", f"echo x > /var/tmp/{REAL_HOME_FILE}", 1,
                           f"/var/tmp/{REAL_HOME_FILE}", lambda outside: {"CHRONARK_LEFTOVERS_SHARED": None})
        if failure:
            failures.append(failure)
        if os.path.lexists(f"/var/tmp/{REAL_HOME_FILE}"):
            os.remove(f"/var/tmp/{REAL_HOME_FILE}")
            failures.append("the run's file reached the real /var/tmp")
        cases_run += 2
        failure = run_case("another program's file in the shared folder meanwhile",
                           "touch \"$OUTSIDE/waiting\"; while [ ! -e \"$OUTSIDE/written\" ]; do sleep 0.02; done",
                           0, None, during=another_program_writes)
        if failure:
            failures.append(failure)
    else:
        print("check_test_leftovers_test: no private shared folders here; their cases are left out")
    for f in failures:
        print("FAIL:", f)
    print(f"check_test_leftovers_test: {cases_run - len(failures)} passed, {len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
