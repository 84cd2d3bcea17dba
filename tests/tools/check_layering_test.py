#!/usr/bin/env python3
"""Tests of tools/check-layering over a small project built here with Ninja and Qt: a clean
tree passes and leaves its build folder as it was; each form of breaking the table is
planted and named; a source the build has not compiled as it stands is read.

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
platform/low: Qt6::Core
platform/high: platform/low Qt6::Core
kit/a: platform/low Qt6::Core
kit/b: kit/a Qt6::Widgets
application: platform/high kit/b Qt6::Widgets
"""

# kit is one library of two folders (as NTXAppKit): its include root offers kit/b to kit/a,
# and Qt's include root offers every module to whatever links Qt6::Core, so only the
# check stands between those includes and the build.
TREE = {
    "CMakeLists.txt": """\
cmake_minimum_required(VERSION 3.25)
project(LayeringCheck LANGUAGES CXX)
set(CMAKE_CXX_STANDARD 17)
find_package(Qt6 REQUIRED COMPONENTS Core Gui Widgets Network)
include(cmake/Chronark.cmake)
chronark_describe_build()
add_subdirectory(platform/low)
add_subdirectory(platform/high)
add_subdirectory(kit)
add_subdirectory(application)
include(forms.cmake OPTIONAL)
""",
    "platform/low/CMakeLists.txt": "chronark_library(low PUBLIC Qt6::Core)\n",
    "platform/low/Low.h": "#pragma once\nint low();\n",
    "platform/low/Low.cpp": '#include "platform/low/Low.h"\nint low() { return 1; }\n',
    "platform/high/CMakeLists.txt": "chronark_library(high PUBLIC low Qt6::Core)\n",
    "platform/high/High.h": '#pragma once\n#include "platform/low/Low.h"\n',
    "platform/high/High.cpp": '#include "High.h"\n#include <string>\n',
    "kit/CMakeLists.txt": "chronark_library(kit PUBLIC low Qt6::Widgets)\n",
    "kit/a/A.h": '#pragma once\n#include <platform/low/Low.h>\n',
    "kit/a/A.cpp": '#include "kit/a/A.h"\n',
    "kit/b/B.h": '#pragma once\n#include "kit/a/A.h"\n',
    "kit/b/B.cpp": '#include "kit/b/B.h"\n#include <QLabel>\n',
    "application/CMakeLists.txt": "chronark_library(app PRIVATE high kit Qt6::Widgets)\n",
    "application/Document.h": '#pragma once\n#include "platform/high/High.h"\n#include "kit/b/B.h"\n',
    "application/Document.cpp": '#include "application/Document.h"\n',
}

# Each form, in a folder or file of its own, with what the check says of it.
FORM_TABLE = TABLE + """\
platform/viainterface: platform/low Qt6::Core
platform/byname: platform/low Qt6::Core
platform/byflag: platform/low Qt6::Core
platform/helper: platform/low Qt6::Core
platform/reach: platform/low Qt6::Core
platform/aliased: platform/low Qt6::Core
platform/sourced: platform/low Qt6::Core
platform/objects: platform/low Qt6::Core
platform/objlib: Qt6::Core
platform/linkobj: platform/low Qt6::Core
platform/two: Qt6::Core
platform/declared: platform/low Qt6::Core
platform/lookedup: platform/low Qt6::Core
"""
FORMS = {
    "forms.cmake": """\
add_library(network_deps INTERFACE)
target_link_libraries(network_deps INTERFACE Qt6::Network)
add_library(app_deps INTERFACE)
target_link_libraries(app_deps INTERFACE app)
add_library(layers::high ALIAS high)
add_library(helper STATIC platform/helper/helper.cpp)
target_link_libraries(helper PRIVATE low app)
configure_file(kit/a/Config.h.in "${CMAKE_BINARY_DIR}/generated/kit/kit/a/Config.h")
target_include_directories(kit PUBLIC "${CMAKE_BINARY_DIR}/generated/kit")
foreach(form viainterface byname byflag reach aliased sourced objects objlib linkobj declared lookedup)
  add_subdirectory(platform/${form})
endforeach()
add_library(twofolders STATIC platform/two/Two.cpp application/Other.cpp)
target_link_libraries(twofolders PRIVATE Qt6::Core)
""",
    "platform/sourced/CMakeLists.txt":
        "chronark_library(sourced PRIVATE low)\n"
        "target_sources(sourced PRIVATE ${PROJECT_SOURCE_DIR}/application/Borrowed.cpp)\n",
    "platform/objects/CMakeLists.txt": "chronark_library(objects PRIVATE low)\n"
                                       "target_sources(objects PRIVATE $<TARGET_OBJECTS:app>)\n",
    "platform/objlib/CMakeLists.txt": "add_library(objlib OBJECT ${PROJECT_SOURCE_DIR}/application/ObjLib.cpp)\n"
                                      "target_link_libraries(objlib PRIVATE Qt6::Core)\n",
    "platform/linkobj/CMakeLists.txt": "chronark_library(linkobj PRIVATE low objlib)\n",
    "platform/two/Two.cpp": "int two() { return 2; }\n",
    # A function of the application declared by hand and called from a lower library: no
    # include shows it, the objects do. Its own low() is allowed.
    "platform/declared/CMakeLists.txt": "chronark_library(declared PRIVATE low)\n",
    "platform/declared/Declared.cpp": '#include "platform/low/Low.h"\nextern int applicationCount();\n'
                                      "int declared() { return applicationCount() + low(); }\n",
    "application/Count.cpp": "int applicationCount() { return 3; }\n",
    # The same function looked up by its name, and a function of a lower folder, which
    # the library may reach, looked up so too.
    "platform/lookedup/CMakeLists.txt": "chronark_library(lookedup PRIVATE low)\n",
    "platform/lookedup/LookedUp.cpp": '#include <dlfcn.h>\n'
                                      'void *lookedUp() { return dlsym(RTLD_DEFAULT, "_Z16applicationCountv"); }\n'
                                      'void *lookedUpLow() { return dlsym(RTLD_DEFAULT, "_Z3lowv"); }\n',
    "application/Other.cpp": "int other() { return 2; }\n",
    "application/Borrowed.cpp": "int borrowed() { return 2; }\n",
    "application/ObjLib.cpp": "int objlib() { return 2; }\n",
    "platform/viainterface/CMakeLists.txt": "chronark_library(viainterface PRIVATE low network_deps)\n",
    "platform/byname/CMakeLists.txt": "chronark_library(byname PRIVATE low Qt6Network)\n",
    "platform/byflag/CMakeLists.txt": "chronark_library(byflag PRIVATE low -lQt6Network)\n",
    "platform/reach/CMakeLists.txt": "chronark_library(reach PRIVATE low app_deps)\n",
    "platform/aliased/CMakeLists.txt": "chronark_library(aliased PRIVATE low layers::high)\n",
    **{f"platform/{form}/{form}.cpp": "int %s() { return 0; }\n" % form
       for form in ("viainterface", "byname", "byflag", "reach", "aliased", "helper", "sourced", "objects", "linkobj")},
    "kit/a/Detail.inl": '#include "kit/b/B.h"\n',
    "kit/a/WithDetail.cpp": '#include "kit/a/Detail.inl"\n',
    "kit/a/Config.h.in": '#pragma once\n#include "kit/b/B.h"\n',
    "kit/a/WithConfig.cpp": '#include "kit/a/Config.h"\n',
    "kit/a/Absolute.cpp": '#include "{root}/kit/b/B.h"\n',
    "kit/a/Climb.cpp": '#include "../b/B.h"\n',
    "kit/a/Macro.cpp": '#define HEADER "kit/b/B.h"\n#include HEADER\n',
    "kit/a/Label.cpp": "#include <QLabel>\n",
    "platform/high/HighWidgets.cpp": "#include <QtWidgets/QWidget>\n",
}
SAID = {
    "Qt6::Network through an INTERFACE target":
        "viainterface (platform/viainterface) links Qt6::Network, which tools/layering.txt does not allow "
        "platform/viainterface (its Qt modules: Qt6::Core)",
    "the linker's name Qt6Network":
        "byname (platform/byname) links Qt6::Network, which tools/layering.txt does not allow platform/byname "
        "(its Qt modules: Qt6::Core)",
    "-lQt6Network": "byflag (platform/byflag) links Qt6::Network, which tools/layering.txt does not allow "
                    "platform/byflag (its Qt modules: Qt6::Core)",
    "a library made with plain add_library":
        "helper (platform/helper) links app (application), which tools/layering.txt does not allow",
    "a library of the project through an INTERFACE target":
        "reach (platform/reach) links app (application), which tools/layering.txt does not allow",
    "an ALIAS target": "aliased (platform/aliased) links high (platform/high), which tools/layering.txt does not allow",
    "an application file added to a platform library with target_sources":
        "sourced (platform/sourced) builds application/Borrowed.cpp, which lies outside its folder",
    "the objects of application code through $<TARGET_OBJECTS:…>":
        "objects (platform/objects) takes the objects of app (application), which lie outside its folder",
    "a plain add_library over files of two folders":
        "twofolders is made in the source root, which no line of tools/layering.txt holds: "
        "a library is made by the CMakeLists.txt of its own folder",
    "an OBJECT library of application code": "objlib (platform/objlib) builds application/ObjLib.cpp, "
                                             "which lies outside its folder",
    "a library that links an OBJECT library of another folder":
        "linkobj (platform/linkobj) takes the objects of objlib (platform/objlib), which lie outside its folder",
    "a hand-written extern of an application function":
        "declared (platform/declared) uses applicationCount(), which only app (application) and objects "
        "(platform/objects) define: tools/layering.txt does not let platform/declared reach it",
    "a symbol of the application looked up by its name":
        "lookedup (platform/lookedup) looks up by name (dlsym) applicationCount(), which only app (application) and "
        "objects (platform/objects) define: tools/layering.txt does not let platform/lookedup reach it",
    "an .inl file": 'kit/a/Detail.inl:1: kit/a may not include kit/b ("kit/b/B.h")',
    "a header generated from a .h.in": 'kit/a/Config.h.in:2: kit/a may not include kit/b ("kit/b/B.h")',
    "an absolute include path": 'kit/a/Absolute.cpp:1: include "{root}/kit/b/B.h" is an absolute path, and kit/a '
                                'may not include kit/b; include "kit/b/B.h" from the source root',
    "a relative include": 'kit/a/Climb.cpp:1: relative include "../b/B.h" climbs out of its folder, and kit/a may '
                          'not include kit/b; include "kit/b/B.h" from the source root',
    "an include a macro builds": "kit/a/Macro.cpp:2: include HEADER is built by a macro; write the path",
    "what no include line explains": "kit/a/Macro.cpp: kit/a may not include kit/b: it reaches kit/b/B.h, "
                                     "through no include line that this check can read",
    "a Qt module its line does not name":
        "kit/a/Label.cpp:1: include <QLabel> is of QtWidgets, which tools/layering.txt does not allow kit/a",
    "a Qt module its library does not link":
        "platform/high/HighWidgets.cpp:1: include <QtWidgets/QWidget> is of QtWidgets, which high (platform/high) "
        "does not link",
}


def write(root, files):
    for path, text in files.items():
        full = os.path.join(root, path)
        os.makedirs(os.path.dirname(full), exist_ok=True)
        with open(full, "w", encoding="utf-8") as f:
            f.write(text.replace("{root}", root))


def run(command, cwd=None):
    return subprocess.run(command, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)


class Project:
    """The tree, configured and built with Ninja (the build configures once more itself,
    which answers the questions the first configure asked of CMake's file API)."""

    def __init__(self, case, files, table):
        self.root = os.path.realpath(tempfile.mkdtemp(prefix="layering-"))
        case.addClassCleanup(shutil.rmtree, self.root)
        self.build = os.path.join(self.root, "build")
        shutil.copytree(os.path.join(SOURCE, "cmake"), os.path.join(self.root, "cmake"))
        write(self.root, {**TREE, **files, "tools/layering.txt": table})
        for step in (["cmake", "-S", self.root, "-B", self.build, "-G", "Ninja"], ["cmake", "--build", self.build]):
            done = run(step)
            if done.returncode:
                raise AssertionError(done.stdout)

    def check(self, table=None, cwd=None):
        if table is not None:
            write(self.root, {"tools/layering.txt": table})
        return run([sys.executable, CHECK, self.root, "--build", self.build], cwd=cwd)


def listing(folder):
    return sorted((os.path.relpath(os.path.join(d, n), folder), os.lstat(os.path.join(d, n)).st_mtime_ns)
                  for d, dirs, files in os.walk(folder) for n in dirs + files)


@unittest.skipUnless(shutil.which("cmake") and shutil.which("ninja"), "cmake and ninja are needed")
class CleanTree(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.project = Project(cls, {}, TABLE)

    def tearDown(self):
        write(self.project.root, {"tools/layering.txt": TABLE})

    def test_passes_and_leaves_the_build_and_current_folders_as_they_were(self):
        before, here = listing(self.project.build), tempfile.mkdtemp(prefix="layering-cwd-")
        self.addCleanup(shutil.rmtree, here)
        done = self.project.check(cwd=here)
        self.assertEqual(done.returncode, 0, done.stdout)
        self.assertIn("4 libraries of the build compared", done.stdout)
        self.assertIn("0 problem(s)", done.stdout)
        self.assertEqual(listing(self.project.build), before)
        self.assertEqual(os.listdir(here), [])

    def test_the_table_is_held_against_the_build(self):
        for table, said in (
                (TABLE.replace("platform/high: platform/low", "platform/high:"),
                 ["high (platform/high) links low (platform/low), which tools/layering.txt does not allow",
                  'platform/high/High.h:2: platform/high may not include platform/low ("platform/low/Low.h")']),
                (TABLE.replace("platform/high: platform/low", "platform/high: platform/low kit/a"),
                 ["tools/layering.txt lets platform/high include kit/a, which high does not link"]),
                (TABLE.replace("platform/high: platform/low Qt6::Core", "platform/high: platform/low Qt6::Gui"),
                 ["tools/layering.txt lets platform/high use Qt6::Gui, which high does not link"]),
                (TABLE.replace("platform/low: Qt6::Core", "platform/low:"),
                 ["low (platform/low) links Qt6::Core, which tools/layering.txt does not allow platform/low "
                  "(its Qt modules: none)"]),
                (TABLE.replace("application: platform/high kit/b Qt6::Widgets", ""),
                 ["application/Document.cpp: no line of tools/layering.txt holds this file"])):
            with self.subTest(table=table):
                done = self.project.check(table)
                self.assertEqual(done.returncode, 1, done.stdout)
                for line in said:
                    self.assertIn(line, done.stdout.splitlines())

    def test_a_qt_module_is_written_as_its_target(self):
        done = self.project.check(TABLE.replace("Qt6::Widgets\n", "QtWidgets\n"))
        self.assertEqual(done.returncode, 1, done.stdout)
        self.assertIn("a Qt module is written as its CMake target", done.stdout)


@unittest.skipUnless(shutil.which("cmake") and shutil.which("ninja"), "cmake and ninja are needed")
class PlantedForms(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.project = Project(cls, FORMS, FORM_TABLE)

    def test_each_form_is_named(self):
        done = self.project.check()
        self.assertEqual(done.returncode, 1, done.stdout)
        lines = done.stdout.splitlines()
        for form, said in SAID.items():
            with self.subTest(form=form):
                self.assertIn(said.replace("{root}", self.project.root), lines)
        # A symbol of a folder the library may reach, looked up by its name, is no problem.
        self.assertEqual([line for line in lines if line.startswith("lookedup ")],
                         [SAID["a symbol of the application looked up by its name"]])
        # An alias names the library it stands for, and nothing else.
        self.assertEqual([line for line in lines if line.startswith("aliased ")], [SAID["an ALIAS target"]])

    def test_a_source_not_compiled_as_it_stands_is_read(self):
        # One source new since the build (the configure lists it), one changed since.
        # An include that its include path does not offer is taken from the source root.
        write(self.project.root, {"kit/a/Late.cpp": '#include "kit/b/B.h"\n',
                                  "kit/a/A.cpp": '#include "kit/a/A.h"\n#include "kit/b/B.h"\n'
                                                 '#include "application/Document.h"\n'})
        self.assertEqual(run(["cmake", self.project.build]).returncode, 0)
        lines = self.project.check().stdout.splitlines()
        self.assertIn('kit/a/Late.cpp:1: kit/a may not include kit/b ("kit/b/B.h")', lines)
        self.assertIn('kit/a/A.cpp:2: kit/a may not include kit/b ("kit/b/B.h")', lines)
        self.assertIn('kit/a/A.cpp:3: kit/a may not include application ("application/Document.h")', lines)


if __name__ == "__main__":
    unittest.main()
