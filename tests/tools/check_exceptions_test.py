#!/usr/bin/env python3
"""Tests of tools/check-exceptions: a throw the list does not hold fails, and so does a
list that holds more; in a file that can reach a throw, an entry from Qt that lets an
exception into Qt's frames fails in each way one is written, and the forms that keep
exceptions in pass.

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

THROWER_HEADER = "#pragma once\nint valueAt(int index);\n"
THROWER = '#include "components/model/Source.h"\n\nint valueAt(int index)\n{\n    if (index < 0)\n' \
          '        throw platform::Exception(platform::Exception::RangeException, "index");\n    return index;\n}\n'
LIST = "# file count reason\ncomponents/model/Source.cpp 1 a negative index raises NSRangeException\n"

HEADER = """\
#pragma once
#include "components/model/Source.h"
#include <QWidget>
class View : public QWidget
{
    Q_OBJECT
public:
    virtual void step();
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
SLOT_LINE = "    connect(this, &View::stepped, this, &QWidget::update);"
TRY_STEP = ("void View::step()\ntry {", "{ step(); }));\n} catch (...) {\n    platform::ExceptionBoundary::caught(this, \"step\");\n}\n")


def write(root, path, text):
    full = os.path.join(root, path)
    os.makedirs(os.path.dirname(full), exist_ok=True)
    with open(full, "w", encoding="utf-8") as f:
        f.write(text)


def with_guarded_step(text):
    return text.replace("void View::step()\n{", TRY_STEP[0]).replace("{ step(); }));\n}\n", TRY_STEP[1])


class Check(unittest.TestCase):
    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="exceptions-")
        self.addCleanup(shutil.rmtree, self.root)
        for path, text in (("tools/throws.txt", LIST), ("components/model/Source.h", THROWER_HEADER),
                           ("components/model/Source.cpp", THROWER), ("components/view/View.h", HEADER),
                           ("components/view/View.cpp", GUARDED_SOURCE)):
            write(self.root, path, text)

    def run_check(self):
        return subprocess.run([sys.executable, CHECK, self.root], stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                              text=True)

    def assertPasses(self, path=None, text=None):
        if path:
            write(self.root, path, text)
        run = self.run_check()
        self.assertEqual(run.returncode, 0, run.stdout)
        return run.stdout

    def assertFails(self, path, text, line, says, where=None):
        write(self.root, path, text)
        run = self.run_check()
        self.assertEqual(run.returncode, 1, run.stdout)
        self.assertIn(f"{where or path}:{line}: ", run.stdout)
        self.assertIn(says, run.stdout)

    def test_the_guarded_tree_passes(self):
        self.assertIn("1 files throw, 4 of 4 files reach a throw, 2 entries from Qt checked, 0 problem(s)",
                      self.assertPasses())

    def test_every_throw_is_listed_exactly(self):
        for extra in ("throw;", "std::rethrow_exception(std::current_exception());",
                      'std::throw_with_nested(std::runtime_error("x"));'):
            with self.subTest(extra=extra):
                self.assertFails("components/model/Source.cpp", THROWER.replace("    return", f"    {extra}\n    return"),
                                 7, "2 throw(s) (lines 6, 7), 1 listed in tools/throws.txt")
        write(self.root, "components/model/Source.cpp", THROWER)
        last = GUARDED_SOURCE.count("\n") + 1
        self.assertFails("components/view/View.cpp", GUARDED_SOURCE + "void f() { throw 1; }\n", last,
                         f"1 throw(s) (lines {last}), 0 listed")
        write(self.root, "components/view/View.cpp", GUARDED_SOURCE)
        for path, text, says in (
                ("components/model/Source.cpp", THROWER.replace("throw ", "return "),
                 "tools/throws.txt: components/model/Source.cpp throws 0 time(s), 1 listed: correct the list"),
                ("tools/throws.txt", LIST + "components/gone.cpp 2 nothing\n", "components/gone.cpp is listed but holds no throw"),
                ("tools/throws.txt", LIST + "components/model/Source.h 1\n",
                 'tools/throws.txt:3: expected "file count what the caller relies on"')):
            with self.subTest(says=says):
                write(self.root, path, text)
                run = self.run_check()
                self.assertEqual(run.returncode, 1, run.stdout)
                self.assertIn(says, run.stdout)
                write(self.root, "components/model/Source.cpp", THROWER)
                write(self.root, "tools/throws.txt", LIST)
        # Comments, strings and the tests' own throws do not count.
        write(self.root, "tests/components/TestSource.cpp", "void t() { throw 1; }\n")
        self.assertPasses("components/model/Notes.cpp", '// throw here\nconst char *s = "throw";\n')

    def test_a_file_that_reaches_no_throw_is_not_linted(self):
        unguarded = "#pragma once\nclass Gauge : public QWidget\n{\n    QSize sizeHint() const override { return measure(); }\n};\n"
        self.assertPasses("components/gauge/Gauge.h", unguarded)
        self.assertFails("components/gauge/Gauge.h", unguarded.replace("#pragma once\n", '#pragma once\n#include "components/model/Source.h"\n'),
                         5, "Gauge::sizeHint, called by Qt: an exception from it would cross Qt's frames")
        # A rethrow caught at once, to tell the exception's type, reaches nothing.
        write(self.root, "tools/throws.txt", LIST + "components/model/Kind.cpp 1 tells the type\n")
        write(self.root, "components/model/Kind.cpp", "void kind() { try { throw; } catch (int) {} }\n")
        self.assertPasses("components/gauge/Gauge.h", unguarded.replace("#pragma once\n", '#pragma once\n#include "components/model/Kind.h"\n'))

    def test_entry_definitions_in_each_unguarded_form_fail(self):
        cases = (
            ("a handler out of its class", '#include "components/view/View.h"\nvoid Other::mousePressEvent(QMouseEvent *e)\n'
             "{\n    step();\n}\nclass Other : public QWidget\n{\n    void mousePressEvent(QMouseEvent *e) override;\n};\n", 2, "Other::mousePressEvent"),
            ("a handler without override", "class Plain : public QWidget\n{\n    void mouseReleaseEvent(QMouseEvent *e) { click(); }\n};\n", 3, "Plain::mouseReleaseEvent"),
            ("QGraphicsItem::paint", "class Item : public QGraphicsItem\n{\n    void paint(QPainter *p, const QStyleOptionGraphicsItem *o, QWidget *w) override { draw(p); }\n};\n", 3, "Item::paint"),
            ("a QProxyStyle virtual", "class Style : public QProxyStyle\n{\n    int pixelMetric(PixelMetric m, const QStyleOption *o, const QWidget *w) const override { return size(); }\n};\n", 3, "Style::pixelMetric"),
            ("a delegate's displayText", "class Cells : public QStyledItemDelegate\n{\n    QString displayText(const QVariant &v, const QLocale &l) const override { return name(v); }\n};\n", 3, "Cells::displayText"),
            ("a delegate's initStyleOption", "class Cells : public QStyledItemDelegate\n{\n    void initStyleOption(QStyleOptionViewItem *o, const QModelIndex &i) const override { look(o, i); }\n};\n", 3, "Cells::initStyleOption"),
            ("QValidator::validate", "class Hours : public QValidator\n{\n    State validate(QString &text, int &pos) const override { return parse(text); }\n};\n", 3, "Hours::validate"),
            ("QLayout::setGeometry", "class Flow : public QLayout\n{\n    void setGeometry(const QRect &r) override { place(r); }\n};\n", 3, "Flow::setGeometry"),
            ("QLayout::sizeHint", "class Flow : public QLayout\n{\n    QSize sizeHint() const override { return measure(); }\n};\n", 3, "Flow::sizeHint"),
            ("scrollContentsBy", "class Area : public QAbstractScrollArea\n{\n    void scrollContentsBy(int dx, int dy) override { follow(dx, dy); }\n};\n", 3, "Area::scrollContentsBy"),
            ("QSyntaxHighlighter::highlightBlock", "class Marks : public QSyntaxHighlighter\n{\n    void highlightBlock(const QString &text) override { colour(text); }\n};\n", 3, "Marks::highlightBlock"),
            ("a proxy's mapToSource", "class Rows : public QIdentityProxyModel\n{\n    QModelIndex mapToSource(const QModelIndex &i) const override { return find(i); }\n};\n", 3, "Rows::mapToSource"),
            ("QIODevice::writeData", "class Sink : public QIODevice\n{\n    qint64 writeData(const char *d, qint64 n) override { return store(d, n); }\n};\n", 3, "Sink::writeData"),
            ("a model whose base is an alias", "using Base = QAbstractListModel;\nclass Jobs : public Base\n{\n    QVariant data(const QModelIndex &i, int r) const override { return value(i); }\n};\n", 4, "Jobs::data"),
            ("Q_DECL_OVERRIDE", "class Gauge : public QWidget\n{\n    QSize sizeHint() const Q_DECL_OVERRIDE { return measure(); }\n};\n", 3, "Gauge::sizeHint"),
            ("a runnable's run", "class Job : public QRunnable\n{\n    void run() override { work(); }\n};\n", 3, "Job::run"),
            ("a catch that throws again", "class Box : public QWidget\n{\n    void paintEvent(QPaintEvent *) override\n    try {\n        draw();\n"
             "    } catch (...) {\n        platform::ExceptionBoundary::caught(this, \"paintEvent\");\n        throw;\n    }\n};\n", 3, "its catch (...) throws again"),
            ("a catch that does not report", "class Box : public QWidget\n{\n    void paintEvent(QPaintEvent *) override\n    try {\n        draw();\n"
             "    } catch (...) {\n    }\n};\n", 3, "does not hand the exception to ExceptionBoundary::caught()"),
            ("a catch of some exceptions", "class Box : public QWidget\n{\n    void paintEvent(QPaintEvent *) override\n    try {\n        draw();\n"
             "    } catch (const std::exception &) {\n        platform::ExceptionBoundary::caught(this, \"paintEvent\");\n    }\n};\n", 3, "it has no catch (...)"),
            ("code beside the guard", "class Box : public QWidget\n{\n    void paintEvent(QPaintEvent *) override\n    {\n        prepare();\n"
             "        platform::ExceptionBoundary::guard(this, \"paintEvent\", [&] { draw(); });\n    }\n};\n", 3, "would cross Qt's frames"),
            ("noexcept without its reason", "class Box : public QWidget\n{\n    void paintEvent(QPaintEvent *) noexcept override { draw(); }\n};\n", 3, "noexcept without a comment"),
        )
        for form, body, line, says in cases:
            with self.subTest(form=form):
                self.assertFails("components/view/Forms.h", '#include "components/model/Source.h"\n' + body, line + 1, says)

    def test_entry_definitions_that_keep_exceptions_in_pass(self):
        self.assertPasses("components/view/Forms.h", '#include "components/model/Source.h"\n'
                          "class Sink : public QIODevice\n{\n    qint64 writeData(const char *d, qint64 n) override\n    {\n"
                          "        return platform::ExceptionBoundary::guardOr(this, \"writeData\", qint64(-1), [&] { return store(d, n); });\n    }\n"
                          "    // cannot throw: a constant\n    bool isSequential() const noexcept override { return true; }\n"
                          "    void paintEvent(QPaintEvent *) override\n    try {\n        draw();\n    } catch (...) {\n"
                          "        platform::ExceptionBoundary::caught(this, \"paintEvent\");\n    }\n"
                          "    QMenu *menuForEvent(QMouseEvent *event) { return build(); }\n"
                          "    virtual void refresh();\n};\nclass Table\n{\n    QVariant data(int row) const { return rows.at(row); }\n};\n"
                          "class Sub : public Sink\n{\n    void refresh() override { reload(); }\n};\n")

    def test_callables_in_each_unguarded_form_fail(self):
        cases = (
            ("connect(this, &View::stepped, this, [this] { step(); });", "a lambda given to connect"),
            ("QObject::connect(this, &View::stepped, [this] { step(); });", "a lambda given to connect"),
            ("QTimer::singleShot(0, this, [this] { step(); });", "a lambda given to singleShot"),
            ("QMetaObject::invokeMethod(this, [this] { step(); }, Qt::QueuedConnection);", "a lambda given to invokeMethod"),
            ("connect(this, &View::stepped, this, [this]() noexcept { step(); });", "needs a comment"),
            ("QMetaObject::invokeMethod(this, platform::ThreadHandOff([this] { step(); }), Qt::QueuedConnection);", "a lambda given to invokeMethod"),
            ('menu->addAction(tr("Go"), this, [this] { step(); });', "a lambda given to addAction"),
            ("timer->callOnTimeout(this, [this] { step(); });", "a lambda given to callOnTimeout"),
            ("new QShortcut(QKeySequence::Delete, this, [this] { step(); });", "a lambda given to QShortcut"),
            ("auto *s = new QShortcut{QKeySequence::Delete, this, [this] { step(); }};", "a lambda given to QShortcut"),
            ("QShortcut shortcut{QKeySequence::Delete, this, this, [this] { step(); }};", "a lambda given to QShortcut"),
            ("QThreadPool::globalInstance()->start([this] { step(); });", "a lambda given to start"),
            ("m_pool.start([this] { step(); });", "a lambda given to start"),
            ("pool->tryStart([this] { step(); });", "a lambda given to tryStart"),
            ("auto *job = QRunnable::create([this] { step(); });", "a lambda given to create"),
            ("std::unique_ptr<QThread> t(QThread::create([this] { step(); }));", "a lambda given to create"),
            ("pool->start([this] {\n        try {\n            step();\n        } catch (...) {\n            throw;\n        }\n    });", "a lambda given to start"),
            ("connect(this, &View::stepped, this, &View::step);", "slot View::step given to connect"),
            ('menu->addAction(tr("Go"), this, &View::step);', "slot View::step given to addAction"),
            ("connect(this, &View::stepped, this, callback);", "cannot see into"),
            ('connect(this, &View::stepped, this, platform::ExceptionBoundary::guarded(this, "s", &View::step), Qt::UniqueConnection);',
             "Qt::UniqueConnection needs a member function"),
        )
        for call, says in cases:
            with self.subTest(call=call):
                self.assertFails("components/view/View.cpp", GUARDED_SOURCE.replace(SLOT_LINE, "    " + call), 20, says)
        self.assertFails("components/view/View.cpp", GUARDED_SOURCE.replace("&QWidget::update", "SLOT(step())"), 16,
                         "step (called by name from connect at line 20)")

    def test_callables_that_keep_exceptions_in_pass(self):
        for call in ('QMetaObject::invokeMethod(this, platform::ThreadHandOff(platform::ExceptionBoundary::guarded(this, "a", [this] { step(); })), Qt::QueuedConnection);',
                     'menu->addAction(tr("Go"));',
                     "timer->start(100);",
                     "timer->callOnTimeout(this, &QWidget::update);",
                     "pool->start(platform::ThreadHandOff([this] {\n        try {\n            step();\n        } catch (...) {\n            report();\n        }\n    }));"):
            with self.subTest(call=call):
                self.assertPasses("components/view/View.cpp", GUARDED_SOURCE.replace(SLOT_LINE, "    " + call))
        guarded = with_guarded_step(GUARDED_SOURCE)
        self.assertPasses("components/view/View.cpp", guarded.replace("&QWidget::update", "&View::step, Qt::UniqueConnection"))
        self.assertPasses("components/view/View.cpp", guarded.replace("&QWidget::update", "SLOT(step())"))

    def test_an_unguarded_override_of_a_guarded_slot_fails(self):
        write(self.root, "components/view/View.cpp", with_guarded_step(GUARDED_SOURCE).replace("&QWidget::update", "&View::step"))
        self.assertPasses()
        self.assertFails("components/view/Fast.h", '#pragma once\n#include "components/model/Source.h"\n#include "components/view/View.h"\n'
                         "class Fast : public View\n{\n    void step() override { jump(); }\n};\n",
                         20, "slot View::step given to connect lets exceptions into Qt's frames (it or an override of it)",
                         where="components/view/View.cpp")

    def test_comments_and_tests_do_not_count(self):
        write(self.root, "tests/components/view/TestView.cpp",
              '#include "components/model/Source.h"\nvoid T::run() { connect(this, &View::stepped, this, [this] { step(); }); }\n')
        self.assertPasses("components/view/Notes.cpp", '#include "components/model/Source.h"\n'
                          "// connect(this, &View::stepped, this, [this] { step(); });\n"
                          "/* void Notes::paintEvent(QPaintEvent *) { draw(); } */\n")


if __name__ == "__main__":
    unittest.main()
