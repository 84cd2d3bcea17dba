// On a real X desktop (pointer and keys from xdotool through the X server): while the
// whole description's dialog stands over the document window, a right click on a row
// opens no context menu, a press selects no row and a row of another document dropped
// on the outline lands nowhere; OK then writes the description to the node it was
// opened for, whatever the window shows selected.
#include "tests/application/document/desktop/DesktopDocumentTest.h"
#include "application/document/DocumentWindowController.h"

#include "AppKitExtensions/NTXOutlineViewExtension.h"
#include "NTXAppKit/inspector/NTXTextViewInspector.h"
#include "application/document/DocumentWindow.h"
#include "application/document/NodeNameSheets.h"
#include "application/document/OutlineDataSource.h"
#include "application/sheets/JobNameSheet.h"
#include "platform/drawing/WholeTextDialog.h"
#include "platform/drawing/WholeTextEdit.h"

#include <QDialogButtonBox>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTreeView>

namespace {

class EditorOverTheWindowX11 : public mydoctest::DesktopDocumentTest
{
protected:
    static QPoint rowCenter(MyDocument *in, const NodePtr &node)
    {
        DocumentOutlineModel *model = in->outlineModel();
        const QModelIndex index =
            model->indexForNode(node.get(), model->columnForIdentifier(QStringLiteral("outlineName")));
        QTreeView *outline = in->outlineView();
        return outline->viewport()->mapToGlobal(outline->visualRect(index).center());
    }

    static void fillWith(MyDocument *in, const QList<NodePtr> &nodes)
    {
        for (const NodePtr &node : nodes)
            in->jobList()->addChild(node);
        in->reloadOutline();
        in->updateUI();
    }

    static QList<NodePtr> selected(MyDocument *in)
    {
        QList<NodePtr> nodes;
        for (const QVariant &item : NTXOutlineViewExtension::allSelectedItems(in->outlineView()))
            nodes.append(item.value<NodePtr>());
        return nodes;
    }

    // Drags the row of one document onto a point with the pointer; answers when the
    // drag is over.
    static bool dragRow(MyDocument *from, const NodePtr &row, QPoint to)
    {
        QProcess pointer;
        pointer.start(QStringLiteral("xdotool"),
                      desktoptest::pointerDragArguments(rowCenter(from, row), {to + QPoint(6, 2), to}, 6, 0.05, 0.4));
        if (!pointer.waitForStarted())
            return false;
        // The drag runs its own event loop while the button is held.
        return QTest::qWaitFor([&] { return pointer.state() == QProcess::NotRunning; }, Patience)
               && QTest::qWaitFor([&] { return !from->outlineSource().dragSessionInProgress(); }, Patience)
               && pointer.exitCode() == 0;
    }
};

} // namespace

TEST_F(EditorOverTheWindowX11, NothingUnderTheDialogActsAndOkWritesToItsNode)
{
    const QString longText(2'000'000, QLatin1Char('w'));
    NodePtr b = mydoctest::makeJob(QStringLiteral("B"), 60, {{9, 45}});
    NodePtr c = mydoctest::makeJob(QStringLiteral("C"), 60, {{10, 15}});
    b->setDescript(longText);
    c->setDescript(QStringLiteral("C own text"));
    fillWith(document, {b, c});
    const QRect screen = window->screen()->availableGeometry();
    window->move(screen.topLeft());
    window->resize(640, 380);
    if (!document->textViewInspector() || !document->textViewInspector()->isVisible())
        document->toggleDrawer(nullptr);
    // Another document, below, whose row is dragged over.
    MyDocument *other = documents->openUntitled(true);
    ASSERT_NE(other, nullptr);
    NodePtr x = mydoctest::makeJob(QStringLiteral("X"), 20, {{8, 10}});
    fillWith(other, {x});
    other->mainWindow()->move(screen.topLeft() + QPoint(0, 460));
    other->mainWindow()->resize(640, 300);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(other->mainWindow()));
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window, Patience));
    NTXOutlineViewExtension::selectItems(document->outlineView(), {QVariant::fromValue(b)}, false);

    // Document > Edit Whole Description, " EDITED" typed at the end.
    ASSERT_TRUE(QTest::qWaitFor([&] { return document->textViewInspector()->isVisible(); }, Patience));
    document->editWholeDescription(nullptr);
    auto *dialog = window->findChild<platform::WholeTextDialog *>();
    ASSERT_NE(dialog, nullptr);
    QPointer<platform::WholeTextDialog> guard(dialog);
    dialog->move(screen.topLeft() + QPoint(680, 20));
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog, Patience));
    dialog->editor()->moveCursor(QTextCursor::End);
    ASSERT_TRUE(desktoptest::sendKeys({QStringLiteral("space"), QStringLiteral("E"), QStringLiteral("D"),
                                       QStringLiteral("I"), QStringLiteral("T")}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog->text().endsWith(QStringLiteral(" EDIT")); }, Patience));

    // A right click on B's row and a press on C's: no menu, no other row selected.
    int menus = 0;
    QObject::connect(document->windowController().outlineMenu(), &QMenu::aboutToShow, [&] { ++menus; });
    const auto arg = [](int value) { return QString::number(value); };
    const QPoint onB = rowCenter(document, b);
    const QPoint onC = rowCenter(document, c);
    ASSERT_FALSE(dialog->frameGeometry().contains(onB));
    ASSERT_FALSE(dialog->frameGeometry().contains(onC));
    ASSERT_EQ(desktoptest::runProgram(QStringLiteral("xdotool"),
                                      {QStringLiteral("mousemove"), arg(onB.x()), arg(onB.y()), QStringLiteral("click"),
                                       QStringLiteral("3"), QStringLiteral("sleep"), QStringLiteral("0.3"),
                                       QStringLiteral("mousemove"), arg(onC.x()), arg(onC.y()), QStringLiteral("click"),
                                       QStringLiteral("1")}),
              0);
    // Keys typed after the clicks reach the dialog once the clicks were handled (an
    // open menu would have taken them).
    ASSERT_TRUE(desktoptest::sendKeys({QStringLiteral("E"), QStringLiteral("D")}));
    EXPECT_TRUE(QTest::qWaitFor([&] { return dialog->text().endsWith(QStringLiteral(" EDITED")); }, Patience))
        << "the keys after the clicks did not reach the dialog";
    EXPECT_EQ(menus, 0);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    EXPECT_TRUE(selected(document) == QList<NodePtr>{b}) << "the press selected another row";

    // X of the other document dragged onto the outline under the dialog: refused.
    ASSERT_TRUE(dragRow(other, x, onC));
    EXPECT_EQ(document->jobList()->childrenCount(), 2) << "the drop landed under the dialog";
    EXPECT_TRUE(guard);

    // Another row selected by a way that passes the window by; OK writes to B.
    NTXOutlineViewExtension::selectItems(document->outlineView(), {QVariant::fromValue(c)}, false);
    dialog->buttons()->button(QDialogButtonBox::Ok)->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !guard; }, Patience));
    EXPECT_EQ(b->descript(), longText + QStringLiteral(" EDITED"));
    EXPECT_EQ(c->descript(), QStringLiteral("C own text"));

    // The same drag once the dialog is gone lands: the drop above was seen and refused.
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window, Patience));
    ASSERT_TRUE(dragRow(other, x, onC));
    EXPECT_TRUE(QTest::qWaitFor([&] { return document->jobList()->childrenCount() == 3; }, Patience));
    other->close();
}

// The sheets are window-modal too: under the job-name sheet, a right click opens no
// menu and a row of another document dropped on the outline lands nowhere.
TEST_F(EditorOverTheWindowX11, NothingUnderASheetActs)
{
    NodePtr b = mydoctest::makeJob(QStringLiteral("B"), 60, {{9, 45}});
    NodePtr c = mydoctest::makeJob(QStringLiteral("C"), 60, {{10, 15}});
    fillWith(document, {b, c});
    const QRect screen = window->screen()->availableGeometry();
    window->move(screen.topLeft());
    window->resize(640, 380);
    MyDocument *other = documents->openUntitled(true);
    ASSERT_NE(other, nullptr);
    NodePtr x = mydoctest::makeJob(QStringLiteral("X"), 20, {{8, 10}});
    fillWith(other, {x});
    other->mainWindow()->move(screen.topLeft() + QPoint(0, 460));
    other->mainWindow()->resize(640, 300);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(other->mainWindow()));
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window, Patience));

    document->nameSheets().funcJobName(b, 1);
    JobNameSheet *sheet = document->nameSheets().jobNameWindow();
    ASSERT_NE(sheet, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(sheet, Patience));
    const QPoint onC = rowCenter(document, c);
    int menus = 0;
    QObject::connect(document->windowController().outlineMenu(), &QMenu::aboutToShow, [&] { ++menus; });
    if (!sheet->frameGeometry().contains(onC)) {
        const auto arg = [](int value) { return QString::number(value); };
        ASSERT_EQ(desktoptest::runProgram(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), arg(onC.x()),
                                                                     arg(onC.y()), QStringLiteral("click"),
                                                                     QStringLiteral("3")}),
                  0);
    }
    ASSERT_TRUE(dragRow(other, x, onC));
    EXPECT_EQ(document->jobList()->childrenCount(), 2) << "the drop landed under the sheet";
    EXPECT_EQ(menus, 0);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    QPointer<JobNameSheet> guard(sheet);
    document->nameSheets().endJobNameWindow(sheet->jobCancelButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !guard; }, Patience));
    // Once it is gone, the same drag lands.
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window, Patience));
    ASSERT_TRUE(dragRow(other, x, onC));
    EXPECT_TRUE(QTest::qWaitFor([&] { return document->jobList()->childrenCount() == 3; }, Patience));
    other->close();
}
