#!/usr/bin/env python3
"""Tests of tools/check-test-hygiene: each form, planted alone in a test source of an
empty tree, must fail the check and be named at its line; the same words in comments
and strings, and the test support's own use, must pass.

Usage: check_test_hygiene_test.py SOURCE_ROOT   (ctest runs it as test "test_hygiene_check")
"""
import os
import subprocess
import sys
import tempfile

SOURCE = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", ".."))
CHECK = os.path.join(SOURCE, "tools", "check-test-hygiene")

PLANTED = [
    ("message-handler", "const QtMessageHandler previous = qInstallMessageHandler(handler);"),
    ("message-handler", "qInstallMessageHandler(nullptr);"),
    ("message-handler", "auto old = ::qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});"),
    ("build-folder", "const QString folder = QCoreApplication::applicationDirPath();"),
    ("build-folder", "image.save(qApp->applicationDirPath() + \"/shot.png\");"),
    ("logging-filter", "const auto old = QLoggingCategory::installFilter(filter);"),
    ("logging-filter", "qSetMessagePattern(QStringLiteral(\"%{message}\"));"),
    ("logging-filter", "QLoggingCategory::setFilterRules(QStringLiteral(\"chronark.*=true\"));"),
]

HARMLESS = [
    "// qInstallMessageHandler would replace the check",
    "/* QCoreApplication::applicationDirPath() */",
    "const char *why = \"qInstallMessageHandler\";",
    "testsupport::CapturedLog log;",
    "testsupport::ScopedLoggingFilter filter(onlyOurs);",
]


def run(relpath, line):
    with tempfile.TemporaryDirectory() as root:
        path = os.path.join(root, relpath)
        os.makedirs(os.path.dirname(path))
        with open(path, "w", encoding="utf-8") as out:
            out.write("#include <QtGlobal>\n\nvoid f()\n{\n    " + line + "\n}\n")
        result = subprocess.run([sys.executable, CHECK, root], stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                text=True)
        return result.returncode, result.stdout


def main():
    failures = []
    for kind, line in PLANTED:
        code, out = run("tests/things/TestThing.cpp", line)
        if code == 0 or f"tests/things/TestThing.cpp:5: {kind}" not in out:
            failures.append(f"not caught as {kind}: {line}\n{out}")
    for line in HARMLESS:
        code, out = run("tests/things/TestThing.cpp", line)
        if code != 0:
            failures.append(f"taken for a finding: {line}\n{out}")
    code, out = run("tests/support/QtWarningCheck.cpp", "qInstallMessageHandler(handler);")
    if code != 0:
        failures.append("the test support's own handler taken for a finding\n" + out)
    for f in failures:
        print("FAIL:", f)
    print(f"check_test_hygiene_test: {len(PLANTED) + len(HARMLESS) + 1 - len(failures)} passed, {len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
