// Keys typed with no pause right after a sheet begins, on a real X desktop (openbox
// manages the windows; xdotool types through the X server): the desktop still sends
// them to the document window until it gives the sheet the keyboard, and they reach
// the sheet, in order. Every sheet of the document: the job-name and group sheets
// (typed text and Return), the time entry sheets, the delete assistant and the close
// and revert questions (Escape).
#include "tests/application/document/desktop/DesktopDocumentTest.h"

#include "AppKitExtensions/NTXOutlineViewExtension.h"
#include "application/document/DeleteAssistant.h"
#include "application/document/NodeNameSheets.h"
#include "application/document/TimeEntrySheets.h"
#include "platform/drawing/Sheet.h"

#include <QPointer>
#include <QTemporaryDir>
#include <QTreeView>

#include <functional>

namespace {

class KeysBeforeTheSheetX11 : public mydoctest::DesktopDocumentTest
{
protected:
    // Types the keys, then begins a sheet before the event loop takes them: as keys
    // typed right behind the one that began the sheet, they reach the document window
    // while the sheet does not have the keyboard yet. Answers the sheet.
    QWidget *beginAndType(const std::function<void()> &begin, const QStringList &keys)
    {
        if (!desktoptest::sendKeys(keys, 0))
            return nullptr;
        begin();
        return platform::Sheet::sheetOfWindow(window);
    }

    // Where the keyboard is, as the X server, the window manager and Qt tell it.
    QString keyboardState(const QPointer<QWidget> &sheet) const
    {
        QByteArray focus;
        desktoptest::runProgram(QStringLiteral("xdotool"), {QStringLiteral("getwindowfocus")}, &focus);
        const QWindow *qtFocus = QGuiApplication::focusWindow();
        return QStringLiteral("X focus %1, window manager's active %2, window %3, sheet %4 (%5), Qt's focus window %6")
            .arg(QString::fromLatin1(focus.trimmed()))
            .arg(desktoptest::WindowManager::activeWindow())
            .arg(window->winId())
            .arg(sheet ? sheet->winId() : 0)
            .arg(sheet && sheet->isVisible() ? QStringLiteral("shown") : QStringLiteral("hidden"))
            .arg(qtFocus ? qtFocus->title() + QLatin1Char(' ') + QString::number(qtFocus->winId()) : QStringLiteral("none"));
    }

    // The keys reached the sheet: Escape ended it, and the window has the keyboard again.
    void expectEscaped(QWidget *sheet)
    {
        ASSERT_NE(sheet, nullptr);
        const QPointer<QWidget> shown(sheet);
        EXPECT_TRUE(QTest::qWaitFor([this] { return !platform::Sheet::sheetOfWindow(window); }, Patience))
            << "Escape did not reach the sheet; " << keyboardState(shown).toStdString();
        EXPECT_TRUE(QTest::qWaitFor([this] { return QApplication::activeWindow() == window; }, Patience))
            << keyboardState(shown).toStdString();
        // Its handler has run: the next sheet shows at once.
        testsupport::settleEvents();
    }

    void select(const NodePtr &node)
    {
        NTXOutlineViewExtension::selectItems(document->outlineView(), {QVariant::fromValue(node)}, false);
        document->outlineView()->setFocus();
    }
};

} // namespace

// F2 on a row and the new name's keys in one go, as a quick typist does: the name
// sheet of the job, then of the group, gets every key.
TEST_F(KeysBeforeTheSheetX11, TheNameSheetsTakeTheKeysTypedWithTheKeyThatOpensThem)
{
    NodePtr job = mydoctest::makeJob(QStringLiteral("Job"), 60, {{9, 45}});
    NodePtr group = mydoctest::makeNode(Node::Group, QStringLiteral("Group"));
    document->edits().addNode(job, document->jobList(), 0);
    document->edits().addNode(group, document->jobList(), 1);
    QTreeView *outline = document->outlineView();
    const QStringList typed{QStringLiteral("F2"), QStringLiteral("End"), QStringLiteral("a"), QStringLiteral("b"),
                            QStringLiteral("c"), QStringLiteral("Return")};

    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run);
        for (const NodePtr &node : {job, group}) {
            SCOPED_TRACE(node->itemName().toStdString());
            const QString before = node->itemName();
            select(node);
            ASSERT_TRUE(QTest::qWaitFor([outline] { return outline->hasFocus(); }, Patience));
            ASSERT_TRUE(desktoptest::sendKeys(typed, 0));
            ASSERT_TRUE(QTest::qWaitFor([&] { return node->itemName() == before + QStringLiteral("abc"); }, Patience))
                << "now " << node->itemName().toStdString();
            ASSERT_TRUE(QTest::qWaitFor([this] { return !platform::Sheet::sheetOfWindow(window); }, Patience));
            ASSERT_TRUE(QTest::qWaitFor([this] { return QApplication::activeWindow() == window; }, Patience));
        }
    }
    EXPECT_EQ(job->itemName(), QStringLiteral("Jobabcabc"));
    EXPECT_EQ(group->itemName(), QStringLiteral("Groupabcabc"));
}

// A new job's and a new group's sheet begun from the program: the name typed at once
// replaces the offered one (selected whole), and Return makes the node.
TEST_F(KeysBeforeTheSheetX11, TheNewNodeSheetsTakeTheNameTypedAtOnce)
{
    const int before = document->jobList()->childrenCount();
    QWidget *sheet = beginAndType([this] { document->nameSheets().newJobEntry(nullptr); },
                                  {QStringLiteral("N"), QStringLiteral("e"),
                                   QStringLiteral("w"), QStringLiteral("Return")});
    ASSERT_NE(sheet, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return document->jobList()->childrenCount() == before + 1; }, Patience));
    EXPECT_EQ(document->jobList()->childAtIndex(before)->itemName(), QStringLiteral("New"));
    ASSERT_TRUE(QTest::qWaitFor([this] { return !platform::Sheet::sheetOfWindow(window); }, Patience));

    sheet = beginAndType([this] { document->nameSheets().newGroupEntry(nullptr); },
                         {QStringLiteral("G"), QStringLiteral("r"), QStringLiteral("Return")});
    ASSERT_NE(sheet, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return document->jobList()->childrenCount() == before + 2; }, Patience));
    EXPECT_EQ(document->jobList()->childAtIndex(before + 1)->itemName(), QStringLiteral("Gr"));
}

// The time entry sheets, the delete assistant and the close and revert questions:
// Escape typed at once ends each, and nothing changed.
TEST_F(KeysBeforeTheSheetX11, EscapeTypedAtOnceEndsEveryOtherSheet)
{
    NodePtr job = mydoctest::makeJob(QStringLiteral("Job"), 60, {{9, 45}, {10, 30}});
    document->edits().addNode(job, document->jobList(), 0);
    document->setActiveJob(job);
    const auto entries = [&] {
        int count = 0;
        for (int day = 0; day < job->childrenCount(); ++day)
            count += job->childAtIndex(day)->childrenCount();
        return count;
    };
    const int entriesBefore = entries();
    NodePtr entry = job->childAtIndex(0)->childAtIndex(0);
    const QDateTime start = entry->cDate();

    SCOPED_TRACE("the time entry sheet");
    expectEscaped(beginAndType([&] { document->timeEntrySheets().doJobTimeSheet(entry); }, {QStringLiteral("Escape")}));
    EXPECT_EQ(entry->cDate(), start);
    SCOPED_TRACE("the new entry sheet");
    expectEscaped(beginAndType([&] { document->timeEntrySheets().newTimeEntry(nullptr); }, {QStringLiteral("Escape")}));
    EXPECT_EQ(entries(), entriesBefore);
    SCOPED_TRACE("the delete assistant");
    expectEscaped(beginAndType([&] { document->deleteAssistantSheet().deleteAssistant(nullptr); },
                               {QStringLiteral("Escape")}));
    EXPECT_EQ(entries(), entriesBefore);
    SCOPED_TRACE("the close question");
    ASSERT_TRUE(document->isDocumentEdited());
    expectEscaped(beginAndType([&] { document->performClose(nullptr); }, {QStringLiteral("Escape")}));
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(entries(), entriesBefore);

    SCOPED_TRACE("the revert question");
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString file = folder.filePath(QStringLiteral("keys.chronark"));
    document->setFilePath(file);
    int saved = -1;
    document->saveDocumentWithCompletion([&](bool done) { saved = done ? 1 : 0; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return saved >= 0; }, Patience));
    ASSERT_EQ(saved, 1);
    ASSERT_FALSE(document->isDocumentEdited());
    document->edits().addNode(mydoctest::makeJob(QStringLiteral("Since"), 10, {}), document->jobList(), 1);
    expectEscaped(beginAndType([&] { document->revertDocumentToSaved(nullptr); }, {QStringLiteral("Escape")}));
    EXPECT_EQ(document->jobList()->childrenCount(), 2) << "reverted";
    EXPECT_EQ(entries(), entriesBefore);
}
