#!/usr/bin/env python3
"""Tests of tools/check-exceptions: a handler or a connected callable that lets an
exception into Qt's frames fails the check, in each way one can be written; the forms
that keep exceptions in pass.

Usage: check_exceptions_test.py SOURCE_ROOT   (ctest runs it as test "exceptions_check")
"""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

SOURCE = os.path.abspath(sys.argv.pop(1) if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", ".."))
CHECK = os.path.join(SOURCE, "tools", "check-exceptions")

HEADER = """\
#pragma once
#include <QWidget>
class View : public QWidget
{
    Q_OBJECT
public:
    void step();
Q_SIGNALS:
    void stepped();
protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool event(QEvent *event) override;
};
"""

GUARDED_SOURCE = """\
#include "components/view/View.h"
#include "platform/foundation/ExceptionBoundary.h"

void View::keyPressEvent(QKeyEvent *event)
try {
    step();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "keyPressEvent");
}

bool View::event(QEvent *event)
{
    return platform::ExceptionBoundary::guardOr(this, "event", false, [&] { return QWidget::event(event); });
}

void View::step()
{
    connect(this, &View::stepped, this, platform::ExceptionBoundary::guarded(this, "stepped", [this] { step(); }));
    connect(this, &View::stepped, this, platform::ExceptionBoundary::guarded(this, "step", &View::step));
    connect(this, &View::stepped, this, &QWidget::update);
    connect(this, &View::stepped, this, &View::stepped);
    // cannot throw: only sets a flag
    connect(this, &View::stepped, this, [this]() noexcept { setProperty("x", 1); });
    QMetaObject::invokeMethod(this, [this] {
        platform::ExceptionBoundary::guard(this, "a queued call", [&] { step(); });
    }, Qt::QueuedConnection);
    QTimer::singleShot(0, this, platform::ExceptionBoundary::guarded(this, "a timer", [this] { step(); }));
}
"""


def write(root, path, text):
    full = os.path.join(root, path)
    os.makedirs(os.path.dirname(full), exist_ok=True)
    with open(full, "w", encoding="utf-8") as f:
        f.write(text)


class Tree:
    def __init__(self):
        self.root = tempfile.mkdtemp(prefix="exceptions-")
        write(self.root, "components/view/View.h", HEADER)
        write(self.root, "components/view/View.cpp", GUARDED_SOURCE)

    def check(self):
        return subprocess.run([sys.executable, CHECK, self.root],
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)

    def close(self):
        shutil.rmtree(self.root)


class Entries(unittest.TestCase):
    def setUp(self):
        self.tree = Tree()
        self.addCleanup(self.tree.close)

    def assertFails(self, path, text, line, says):
        write(self.tree.root, path, text)
        run = self.tree.check()
        self.assertEqual(run.returncode, 1, run.stdout)
        self.assertIn(f"{path}:{line}:", run.stdout)
        self.assertIn(says, run.stdout)

    def test_guarded_entries_pass(self):
        run = self.tree.check()
        self.assertEqual(run.returncode, 0, run.stdout)
        self.assertIn("2 event handlers and 0 other entries from Qt checked, 0 problem(s)", run.stdout)

    def test_an_unguarded_event_handler_fails(self):
        self.assertFails("components/view/Other.cpp",
                         '#include "components/view/View.h"\n\nvoid Other::mousePressEvent(QMouseEvent *e)\n{\n'
                         "    step();\n}\n"
                         "class Other : public QWidget\n{\n    void mousePressEvent(QMouseEvent *e) override;\n};\n",
                         3, "event handler mousePressEvent: an exception from it would cross Qt's frames")

    def test_an_unguarded_handler_defined_in_its_class_fails(self):
        self.assertFails("components/view/Inline.h",
                         "#pragma once\nclass Inline : public QWidget\n{\n"
                         "    void paintEvent(QPaintEvent *) override { draw(); }\n};\n",
                         4, "event handler paintEvent")

    def test_a_guard_with_code_outside_it_fails(self):
        text = GUARDED_SOURCE.replace("    return platform::ExceptionBoundary::guardOr(",
                                      "    prepare();\n    return platform::ExceptionBoundary::guardOr(")
        self.assertFails("components/view/View.cpp", text, 11, "event handler event")

    def test_a_try_block_that_does_not_report_fails(self):
        text = GUARDED_SOURCE.replace('platform::ExceptionBoundary::caught(this, "keyPressEvent");', "")
        self.assertFails("components/view/View.cpp", text, 4, "does not hand the exception to ExceptionBoundary")

    def test_a_try_block_that_catches_only_some_exceptions_fails(self):
        text = GUARDED_SOURCE.replace("} catch (...) {", "} catch (const std::exception &) {")
        self.assertFails("components/view/View.cpp", text, 4, "does not hand the exception")

    def test_noexcept_needs_its_reason(self):
        text = HEADER.replace("    void keyPressEvent(QKeyEvent *event) override;\n",
                              "    void keyPressEvent(QKeyEvent *) noexcept override {}\n")
        write(self.tree.root, "components/view/View.cpp",
              GUARDED_SOURCE.split("bool View::event")[0].replace("void View::keyPressEvent", "void unused")
              + "bool View::event(QEvent *e)\n{\n    return platform::ExceptionBoundary::guardOr(this, \"event\", "
                "false, [&] { return true; });\n}\n")
        self.assertFails("components/view/View.h", text, 11, "noexcept without a comment")
        write(self.tree.root, "components/view/View.h",
              text.replace("noexcept override {}", "noexcept override {} // cannot throw: does nothing"))
        run = self.tree.check()
        self.assertEqual(run.returncode, 0, run.stdout)

    def test_an_unguarded_lambda_fails_in_each_call(self):
        for call, says in (("connect(this, &View::stepped, this, [this] { step(); });", "a lambda given to connect"),
                           ("QObject::connect(this, &View::stepped, [this] { step(); });", "a lambda given to connect"),
                           ("QTimer::singleShot(0, this, [this] { step(); });", "a lambda given to singleShot"),
                           ("QMetaObject::invokeMethod(this, [this] { step(); }, Qt::QueuedConnection);",
                            "a lambda given to invokeMethod"),
                           ("connect(this, &View::stepped, this, [this]() noexcept { step(); });",
                            "needs a comment")):
            with self.subTest(call=call):
                text = GUARDED_SOURCE.replace("    connect(this, &View::stepped, this, &QWidget::update);",
                                              "    " + call)
                self.assertFails("components/view/View.cpp", text, 20, says)

    def test_a_call_handed_to_another_thread_is_judged_by_what_it_wraps(self):
        for wrapped, passes in (('platform::ThreadHandOff(platform::ExceptionBoundary::guarded(this, "a", [this] { step(); }))',
                                 True),
                                ("ThreadHandOff([this] {\n        platform::ExceptionBoundary::guard(this, \"b\", [&] { step(); });\n    })",
                                 True),
                                ("platform::ThreadHandOff([this] { step(); })", False)):
            with self.subTest(wrapped=wrapped):
                text = GUARDED_SOURCE.replace("    connect(this, &View::stepped, this, &QWidget::update);",
                                              "    QMetaObject::invokeMethod(this, " + wrapped + ", Qt::QueuedConnection);")
                if passes:
                    write(self.tree.root, "components/view/View.cpp", text)
                    run = self.tree.check()
                    self.assertEqual(run.returncode, 0, run.stdout)
                else:
                    self.assertFails("components/view/View.cpp", text, 20, "a lambda given to invokeMethod")

    def test_an_unguarded_slot_of_ours_fails(self):
        text = GUARDED_SOURCE.replace("&QWidget::update", "&View::step")
        self.assertFails("components/view/View.cpp", text, 20, "slot View::step given to connect")

    def test_a_slot_of_ours_whose_definition_keeps_its_exceptions_in_passes(self):
        text = GUARDED_SOURCE.replace("&QWidget::update", "&View::step, Qt::UniqueConnection").replace(
            "void View::step()\n{", "void View::step()\ntry {").replace(
            "{ step(); }));\n}\n", "{ step(); }));\n} catch (...) {\n"
            "    platform::ExceptionBoundary::caught(this, \"step\");\n}\n")
        write(self.tree.root, "components/view/View.cpp", text)
        run = self.tree.check()
        self.assertEqual(run.returncode, 0, run.stdout)

    def test_guarded_with_a_unique_connection_fails(self):
        # Qt takes no functor for a unique connection: it refuses the connection at run time.
        text = GUARDED_SOURCE.replace(
            "&QWidget::update", 'platform::ExceptionBoundary::guarded(this, "step", &View::step), Qt::UniqueConnection')
        self.assertFails("components/view/View.cpp", text, 20, "Qt::UniqueConnection needs a member function")

    def test_a_callable_the_check_cannot_see_into_fails(self):
        text = GUARDED_SOURCE.replace("&QWidget::update", "callback")
        self.assertFails("components/view/View.cpp", text, 20, "cannot see into")

    def test_a_slot_named_by_a_string_is_held_to_its_definition(self):
        text = GUARDED_SOURCE.replace("&QWidget::update", "SLOT(step())")
        self.assertFails("components/view/View.cpp", text, 16, "step (called by name from connect at line 20)")
        guarded = text.replace("void View::step()\n{", "void View::step()\ntry {").replace(
            "{ step(); }));\n}\n", "{ step(); }));\n} catch (...) {\n"
            "    platform::ExceptionBoundary::caught(this, \"step\");\n}\n")
        write(self.tree.root, "components/view/View.cpp", guarded)
        run = self.tree.check()
        self.assertEqual(run.returncode, 0, run.stdout)

    def test_qt_virtuals_that_qt_calls_are_entries(self):
        # Each Qt virtual, in a class derived from the Qt class that declares it (here
        # through a class of ours), defined out of its class and in it.
        header = ("#pragma once\n"
                  "class Model : public QAbstractListModel\n{\n"
                  "    QVariant data(const QModelIndex &index, int role) const override;\n"
                  "    bool setData(const QModelIndex &index, const QVariant &value, int role) override;\n};\n"
                  "class Base : public QStyledItemDelegate\n{\n};\n"
                  "class Delegate : public Base\n{\n"
                  "    void paint(QPainter *p, const QStyleOptionViewItem &o, const QModelIndex &i) const override;\n};\n"
                  "class Job : public QRunnable\n{\n    void run() override { work(); }\n};\n")
        cases = (("QVariant Model::data(const QModelIndex &index, int role) const\n{\n    return source->value(index);\n}\n",
                  "data, called by Qt"),
                 ("bool Model::setData(const QModelIndex &index, const QVariant &value, int role)\n{\n"
                  "    return source->set(index, value);\n}\n", "setData, called by Qt"),
                 ("void Delegate::paint(QPainter *p, const QStyleOptionViewItem &o, const QModelIndex &i) const\n{\n"
                  "    cell->draw(p);\n}\n", "paint, called by Qt"))
        write(self.tree.root, "components/view/Model.h", header.replace("    void run() override { work(); }\n", ""))
        for body, says in cases:
            with self.subTest(says=says):
                self.assertFails("components/view/Model.cpp", '#include "components/view/Model.h"\n\n' + body, 3, says)
        write(self.tree.root, "components/view/Model.cpp", "")
        self.assertFails("components/view/Model.h", header, 16, "run, called by Qt")
        # The same definitions in the forms that keep exceptions in pass; a function of
        # the same name in a class that is no model is not Qt's.
        write(self.tree.root, "components/view/Model.h", header.replace(
            "{ work(); }", "{\n        platform::ExceptionBoundary::guard(this, \"run\", [&] { work(); });\n    }"))
        write(self.tree.root, "components/view/Model.cpp",
              '#include "components/view/Model.h"\n\n'
              "QVariant Model::data(const QModelIndex &index, int role) const\n{\n"
              "    return platform::ExceptionBoundary::guardOr(this, \"data\", QVariant(), [&] { return source->value(index); });\n}\n"
              "bool Model::setData(const QModelIndex &index, const QVariant &value, int role)\ntry {\n"
              "    return source->set(index, value);\n} catch (...) {\n"
              "    platform::ExceptionBoundary::caught(this, \"setData\");\n    return false;\n}\n"
              "void Delegate::paint(QPainter *p, const QStyleOptionViewItem &o, const QModelIndex &i) const\n{\n"
              "    platform::ExceptionBoundary::guard(this, \"paint\", [&] { cell->draw(p); });\n}\n"
              "class Table\n{\n    QVariant data(int row) const { return rows.at(row); }\n};\n"
              "void Runner::run()\n{\n    work();\n}\n")
        run = self.tree.check()
        self.assertEqual(run.returncode, 0, run.stdout)

    def test_an_event_handler_written_without_override_is_one(self):
        self.assertFails("components/view/Plain.h",
                         "#pragma once\nclass Plain : public QWidget\n{\n"
                         "protected:\n    void mouseReleaseEvent(QMouseEvent *event) { click(); }\n};\n",
                         5, "event handler mouseReleaseEvent")
        # A function of ours that only takes an event is no handler.
        write(self.tree.root, "components/view/Plain.h",
              "#pragma once\nclass Plain : public QWidget\n{\n"
              "protected:\n    QMenu *menuForEvent(QMouseEvent *event) { return build(); }\n};\n")
        run = self.tree.check()
        self.assertEqual(run.returncode, 0, run.stdout)

    def test_every_call_that_takes_a_functor_is_held_to_the_rule(self):
        for call, says in (('menu->addAction(tr("Go"), this, [this] { step(); });', "a lambda given to addAction"),
                           ('menu.addAction(icon, tr("Go"), this, [this] { step(); }, QKeySequence());',
                            "a lambda given to addAction"),
                           ("timer->callOnTimeout(this, [this] { step(); });", "a lambda given to callOnTimeout"),
                           ("new QShortcut(QKeySequence::Delete, this, [this] { step(); });",
                            "a lambda given to QShortcut"),
                           ("QShortcut shortcut(QKeySequence::Delete, this, this, [this] { step(); });",
                            "a lambda given to QShortcut"),
                           ("QThreadPool::globalInstance()->start([this] { step(); });", "a lambda given to start"),
                           ("auto *job = QRunnable::create([this] { step(); });", "a lambda given to create"),
                           ("menu->addAction(tr(\"Go\"), this, &View::step);", "slot View::step given to addAction")):
            with self.subTest(call=call):
                text = GUARDED_SOURCE.replace("    connect(this, &View::stepped, this, &QWidget::update);",
                                              "    " + call)
                self.assertFails("components/view/View.cpp", text, 20, says)
        for call in ('menu->addAction(tr("Go"), this, platform::ExceptionBoundary::guarded(this, "go", [this] { step(); }));',
                     "menu->addAction(tr(\"Go\"));",
                     "timer->callOnTimeout(this, &QWidget::update);",
                     "QThreadPool::globalInstance()->start(platform::ThreadHandOff([this] {\n"
                     "        try {\n            step();\n        } catch (...) {\n            report();\n        }\n    }));"):
            with self.subTest(call=call):
                text = GUARDED_SOURCE.replace("    connect(this, &View::stepped, this, &QWidget::update);",
                                              "    " + call)
                write(self.tree.root, "components/view/View.cpp", text)
                run = self.tree.check()
                self.assertEqual(run.returncode, 0, run.stdout)
        # A try block whose catch (...) throws again keeps nothing in.
        text = GUARDED_SOURCE.replace("    connect(this, &View::stepped, this, &QWidget::update);",
                                      "    QThreadPool::globalInstance()->start([this] {\n        try {\n            step();\n"
                                      "        } catch (...) {\n            throw;\n        }\n    });")
        self.assertFails("components/view/View.cpp", text, 20, "a lambda given to start")

    def test_comments_and_tests_do_not_count(self):
        write(self.tree.root, "components/view/Notes.cpp",
              "// connect(this, &View::stepped, this, [this] { step(); });\n"
              "/* void Notes::paintEvent(QPaintEvent *) { draw(); } */\n")
        write(self.tree.root, "tests/components/view/TestView.cpp",
              "void T::run() { connect(this, &View::stepped, this, [this] { step(); }); }\n")
        run = self.tree.check()
        self.assertEqual(run.returncode, 0, run.stdout)


if __name__ == "__main__":
    unittest.main()
