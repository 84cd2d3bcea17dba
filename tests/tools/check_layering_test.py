#!/usr/bin/env python3
"""Tests of tools/check-layering: every way of writing an include is read as the compiler
reads it, and the table is held against the build's own graph of libraries.

Usage: check_layering_test.py SOURCE_ROOT   (ctest runs it as test "layering_check")
"""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

SOURCE = os.path.abspath(sys.argv.pop(1) if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", ".."))
CHECK = os.path.join(SOURCE, "tools", "check-layering")

TABLE = """\
platform/low:
platform/high: platform/low
application: platform/high
"""


def write(root, path, text):
    full = os.path.join(root, path)
    os.makedirs(os.path.dirname(full), exist_ok=True)
    with open(full, "w", encoding="utf-8") as f:
        f.write(text)


class Tree:
    """A small source tree of three layers: platform/low, platform/high and application."""

    def __init__(self, table=TABLE):
        self.root = tempfile.mkdtemp(prefix="layering-")
        write(self.root, "tools/layering.txt", table)
        write(self.root, "platform/low/Low.h", "#pragma once\n")
        write(self.root, "platform/low/Low.cpp", '#include "platform/low/Low.h"\n')
        write(self.root, "platform/high/High.h", '#pragma once\n#include "platform/low/Low.h"\n')
        write(self.root, "platform/high/High.cpp", '#include "High.h"\n#include <string>\n')
        write(self.root, "application/Document.h", '#pragma once\n#include "platform/high/High.h"\n')
        write(self.root, "application/Document.cpp", '#include "application/Document.h"\n')

    def check(self, *extra):
        return subprocess.run([sys.executable, CHECK, self.root, *extra],
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)

    def close(self):
        shutil.rmtree(self.root)


class IncludeForms(unittest.TestCase):
    def setUp(self):
        self.tree = Tree()
        self.addCleanup(self.tree.close)

    def assertRefused(self, include, path="platform/low/Low.cpp", says="may not include application"):
        write(self.tree.root, path, f"#include \"platform/low/Low.h\"\n{include}\n")
        run = self.tree.check()
        self.assertEqual(run.returncode, 1, run.stdout)
        self.assertIn(f"{path}:2:", run.stdout)
        self.assertIn(says, run.stdout)

    def test_the_tree_as_written_passes(self):
        run = self.tree.check()
        self.assertEqual(run.returncode, 0, run.stdout)
        self.assertIn("0 problem(s)", run.stdout)

    def test_every_spelling_of_a_forbidden_include_is_refused(self):
        for include in ('#include "application/Document.h"',
                        "#include <application/Document.h>",
                        '#include "./application/Document.h"',
                        '#include "platform/../application/Document.h"',
                        '#include "../../application/Document.h"',
                        "  #  include   <./application//Document.h>",
                        '#include_next "application/Document.h"'):
            with self.subTest(include=include):
                self.assertRefused(include)

    def test_a_layer_below_is_refused_its_upper_neighbour(self):
        self.assertRefused('#include "../high/High.h"', says="may not include platform/high")
        self.assertRefused("#include <platform/high/High.h>", says="may not include platform/high")

    def test_an_include_built_by_a_macro_is_refused(self):
        for include in ("#include DOCUMENT_HEADER", '#include STRINGIFY(application/Document.h)'):
            with self.subTest(include=include):
                self.assertRefused(include, says="built by a macro")

    def test_a_relative_include_into_a_forbidden_layer_is_named_as_relative(self):
        self.assertRefused('#include "../../application/Document.h"',
                           says='relative include "../../application/Document.h" climbs out of its folder, '
                                'and platform/low may not include application; '
                                'include "application/Document.h" from the source root')

    def test_climbing_within_allowed_layers_is_refused_as_style(self):
        self.assertRefused('#include "../low/Low.h"', path="platform/high/High.cpp", says="climbs out")

    def test_an_include_out_of_the_tree_is_refused(self):
        self.assertRefused('#include "../../../outside.h"', says="leaves the source tree")

    def test_allowed_spellings_pass(self):
        write(self.tree.root, "application/Document.cpp",
              '#include "Document.h"\n#include <platform/low/Low.h>\n#include "./platform/high/High.h"\n'
              "#include <QWidget>\n")
        run = self.tree.check()
        self.assertEqual(run.returncode, 0, run.stdout)


QT_TABLE = TABLE.replace("application: platform/high", "application: platform/high Qt6::Widgets")

def qt_headers():
    """The folder of Qt's headers, or None without qtpaths6."""
    if not shutil.which("qtpaths6"):
        return None
    run = subprocess.run(["qtpaths6", "--query", "QT_INSTALL_HEADERS"], stdout=subprocess.PIPE, text=True)
    folder = run.stdout.strip()
    return folder if run.returncode == 0 and os.path.isdir(folder) else None


CMAKE_TOP = """\
cmake_minimum_required(VERSION 3.25)
project(LayeringCheck LANGUAGES CXX)
option(CHRONARK_TESTS "" OFF)
option(CHRONARK_BENCH "" OFF)
option(CHRONARK_FUZZ "" OFF)
option(CHRONARK_TSAN "" OFF)
include(cmake/Chronark.cmake)
# Stands in for Qt's widgets module: what matters is who links it.
add_library(Qt6::Widgets INTERFACE IMPORTED)
add_subdirectory(platform/low)
add_subdirectory(platform/high)
add_subdirectory(application)
"""


@unittest.skipUnless(shutil.which("cmake"), "cmake is needed")
class TableAgainstBuild(unittest.TestCase):
    """The table and the libraries' links must describe the same layers."""

    def build(self, table, high_links, application_links, extra=None, low_links=""):
        tree = Tree(table)
        self.addCleanup(tree.close)
        for path, text in (extra or {}).items():
            write(tree.root, path, text)
        os.makedirs(os.path.join(tree.root, "cmake"))
        shutil.copy(os.path.join(SOURCE, "cmake", "Chronark.cmake"), os.path.join(tree.root, "cmake"))
        write(tree.root, "CMakeLists.txt", CMAKE_TOP)
        write(tree.root, "platform/low/CMakeLists.txt", f"chronark_library(low PUBLIC {low_links})\n"
              if low_links else "chronark_library(low)\n")
        write(tree.root, "platform/high/CMakeLists.txt", f"chronark_library(high PUBLIC {high_links})\n")
        write(tree.root, "application/CMakeLists.txt", f"chronark_library(app PRIVATE {application_links})\n")
        build = os.path.join(tree.root, "build")
        configure = subprocess.run(["cmake", "-S", tree.root, "-B", build],
                                   stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        self.assertEqual(configure.returncode, 0, configure.stdout)
        return tree.check("--build", build)

    def test_links_that_match_the_table_pass(self):
        run = self.build(TABLE, "low", "high")
        self.assertEqual(run.returncode, 0, run.stdout)
        self.assertIn("3 libraries of the build compared", run.stdout)

    def test_a_redundant_direct_link_within_the_layers_passes(self):
        run = self.build(TABLE, "low", "high low")
        self.assertEqual(run.returncode, 0, run.stdout)

    def test_a_link_the_table_does_not_allow_fails(self):
        run = self.build("platform/low:\nplatform/high:\napplication: platform/high\n", "low", "high")
        self.assertEqual(run.returncode, 1, run.stdout)
        self.assertIn("high (platform/high) links low (platform/low), which tools/layering.txt does not allow", run.stdout)

    def test_a_layer_the_table_allows_but_the_build_does_not_link_fails(self):
        run = self.build("platform/low:\nplatform/high: platform/low\napplication: platform/high platform/low\n",
                         "", "high")
        self.assertEqual(run.returncode, 1, run.stdout)
        self.assertIn("lets platform/high include platform/low, which high does not link", run.stdout)

    def test_a_qt_module_the_library_does_not_link_is_refused_in_any_spelling(self):
        # Qt's include root comes with Qt6::Core: "QtWidgets/QLabel" compiles wherever
        # QtCore does, quoted as well as angled.
        spellings = ["<QtWidgets/QWidget>", "<QtWidgets/./QWidget>", '"QtWidgets/QLabel"',
                     "<QtCore/../QtWidgets/QLabel>"]
        headers = qt_headers()
        if headers:
            # Looked up in Qt's headers: plain names, the lower-case headers, the module's
            # own header, and Qt's root reached from the compiler's folders.
            spellings += ["<QWidget>", '"QWidget"', "<qwidget.h>", '"qlabel.h"', "<QtWidgets>"]
            if os.path.dirname(headers).startswith("/usr/include"):
                spellings.append(f"<{os.path.basename(headers)}/QtWidgets/QWidget>")
        for spelled in spellings:
            with self.subTest(include=spelled):
                tree_run = self.build(QT_TABLE, "low", "high Qt6::Widgets",
                                      extra={"platform/low/Low.cpp": f'#include "platform/low/Low.h"\n#include {spelled}\n'})
                self.assertEqual(tree_run.returncode, 1, tree_run.stdout)
                self.assertIn(f"platform/low/Low.cpp:2: include {spelled} is of QtWidgets, which low (platform/low) "
                              "does not link", tree_run.stdout)

    def test_a_quoted_include_of_a_file_of_the_tree_is_not_taken_for_qt(self):
        write_qlabel = {"platform/low/QtWidgets/QLabel": "#pragma once\n",
                        "platform/low/Low.cpp": '#include "platform/low/Low.h"\n#include "QtWidgets/QLabel"\n'}
        run = self.build(QT_TABLE, "low", "high Qt6::Widgets", extra=write_qlabel)
        self.assertEqual(run.returncode, 0, run.stdout)

    def test_a_qt_module_is_not_inherited_from_the_layer_below(self):
        # The layer below links the module for itself; the layers above it name what they
        # link and include on their own lines, or the check fails.
        table = "platform/low: Qt6::Widgets\nplatform/high: platform/low\napplication: platform/high\n"
        run = self.build(table, "low", "high", low_links="Qt6::Widgets")
        self.assertEqual(run.returncode, 0, run.stdout)

        run = self.build(table, "low Qt6::Widgets", "high", low_links="Qt6::Widgets")
        self.assertEqual(run.returncode, 1, run.stdout)
        self.assertIn("high (platform/high) links Qt6::Widgets, which tools/layering.txt does not allow "
                      "platform/high (its Qt modules: none)", run.stdout)

        for path, spelled in (("platform/high/High.cpp", "<QtWidgets/QWidget>"),
                              ("application/Document.cpp", '"QtWidgets/QLabel"')):
            with self.subTest(include=spelled):
                folder = os.path.dirname(path)
                run = self.build(table, "low", "high", low_links="Qt6::Widgets",
                                 extra={path: f"#pragma once\n#include {spelled}\n"})
                self.assertEqual(run.returncode, 1, run.stdout)
                self.assertIn(f"{path}:2: include {spelled} is of QtWidgets, which tools/layering.txt does not "
                              f"allow {folder}", run.stdout)

        run = self.build(table.replace("application: platform/high", "application: platform/high Qt6::Widgets"),
                         "low", "high", low_links="Qt6::Widgets",
                         extra={"application/Document.cpp": '#include "QtWidgets/QLabel"\n'})
        self.assertEqual(run.returncode, 0, run.stdout)

    def test_a_qt_module_the_library_links_passes(self):
        run = self.build(QT_TABLE, "low", "high Qt6::Widgets",
                         extra={"application/Document.cpp": '#include "application/Document.h"\n'
                                                            "#include <QtWidgets/QWidget>\n"})
        self.assertEqual(run.returncode, 0, run.stdout)

    def test_a_qt_module_linked_but_not_in_the_table_fails(self):
        run = self.build(TABLE, "low", "high Qt6::Widgets")
        self.assertEqual(run.returncode, 1, run.stdout)
        self.assertIn("app (application) links Qt6::Widgets, which tools/layering.txt does not allow application",
                      run.stdout)

    def test_a_qt_module_linked_below_the_line_that_names_it_fails(self):
        # The table keeps widgets to the application; the layer below links them all the same.
        run = self.build(QT_TABLE, "low Qt6::Widgets", "high")
        self.assertEqual(run.returncode, 1, run.stdout)
        self.assertIn("high (platform/high) links Qt6::Widgets, which tools/layering.txt does not allow platform/high",
                      run.stdout)

    def test_a_qt_module_in_the_table_but_not_linked_fails(self):
        run = self.build(QT_TABLE, "low", "high")
        self.assertEqual(run.returncode, 1, run.stdout)
        self.assertIn("tools/layering.txt lets application use Qt6::Widgets, which app does not link", run.stdout)

    def test_a_qt_module_is_written_as_its_target(self):
        run = self.build(TABLE.replace("application: platform/high", "application: platform/high QtWidgets"),
                         "low", "high")
        self.assertNotEqual(run.returncode, 0, run.stdout)

    def test_a_qt_module_the_library_reaches_but_its_folder_does_not_name_is_refused(self):
        table = QT_TABLE.replace("application: platform/high Qt6::Widgets",
                                 "application: platform/high\napplication/view: application Qt6::Widgets")
        run = self.build(table, "low", "high Qt6::Widgets",
                         extra={"application/Document.cpp": '#include "application/Document.h"\n'
                                                            "#include <QtWidgets/QWidget>\n",
                                "application/view/View.cpp": "#include <QtWidgets/QWidget>\n"})
        self.assertEqual(run.returncode, 1, run.stdout)
        self.assertIn("application/Document.cpp:2: include <QtWidgets/QWidget> is of QtWidgets, which "
                      "tools/layering.txt does not allow application", run.stdout)
        self.assertNotIn("application/view/View.cpp", run.stdout)

    def test_a_library_without_a_line_fails(self):
        run = self.build("platform/low:\nplatform/high: platform/low\n", "low", "high")
        self.assertEqual(run.returncode, 1, run.stdout)
        self.assertIn("no line for application (library app)", run.stdout)


if __name__ == "__main__":
    unittest.main()
