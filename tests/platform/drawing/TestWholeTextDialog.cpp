// While the whole-text dialog shows, the window it opened over takes no input of its
// own: presses, releases, double clicks, moves, the wheel, context menus, touch and
// drops are held back there (and in a panel of the window standing apart), keys go
// on to the dialog; once it ends, the same input acts there again.
#include "platform/drawing/WholeTextDialog.h"
#include "platform/drawing/WholeTextEdit.h"
#include "tests/support/MouseButtonsCheck.h"
#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDialogButtonBox>
#include <QDockWidget>
#include <QDropEvent>
#include <QListWidget>
#include <QMainWindow>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

namespace {

// A list that counts the context menus and drops it takes.
class CountingList : public QListWidget
{
public:
    explicit CountingList(QWidget *parent) : QListWidget(parent)
    {
        setAcceptDrops(true);
        for (int row = 0; row < 200; ++row)
            addItem(QStringLiteral("row %1").arg(row));
        setCurrentRow(0);
        connect(this, &QListWidget::itemDoubleClicked, this, [this] { ++doubleClicks; });
    }
    int contextMenus = 0;
    int drops = 0;
    int doubleClicks = 0;

protected:
    void contextMenuEvent(QContextMenuEvent *event) override
    {
        ++contextMenus;
        event->accept();
    }
    void dragEnterEvent(QDragEnterEvent *event) override { event->acceptProposedAction(); }
    void dragMoveEvent(QDragMoveEvent *event) override { event->acceptProposedAction(); }
    void dropEvent(QDropEvent *event) override
    {
        ++drops;
        event->acceptProposedAction();
    }
};

struct Input
{
    bool dragAccepted = false;
};

// Sends each kind of input to the list as the window system would deliver it; answers
// whether the drag entering it was accepted.
Input sendEachKind(CountingList *list, int row)
{
    QWidget *viewport = list->viewport();
    const QPoint at = list->visualItemRect(list->item(row)).center();
    QTest::mouseClick(viewport, Qt::LeftButton, {}, at);
    testsupport::doubleClick(viewport, at);
    QContextMenuEvent menu(QContextMenuEvent::Mouse, at, viewport->mapToGlobal(at));
    QApplication::sendEvent(viewport, &menu);
    QWheelEvent wheel(QPointF(at), QPointF(viewport->mapToGlobal(at)), QPoint(), QPoint(0, -480), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewport, &wheel);
    QMimeData data;
    data.setText(QStringLiteral("dropped"));
    Input input;
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    input.dragAccepted = enter.isAccepted() && enter.dropAction() != Qt::IgnoreAction;
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &drop);
    return input;
}

void expectHeld(CountingList *list, platform::WholeTextDialog *dialog, const char *where)
{
    SCOPED_TRACE(where);
    const Input input = sendEachKind(list, 5);
    EXPECT_EQ(list->currentRow(), 0) << "a press selected a row";
    EXPECT_EQ(list->doubleClicks, 0);
    EXPECT_EQ(list->contextMenus, 0);
    EXPECT_EQ(list->verticalScrollBar()->value(), 0) << "the wheel scrolled";
    EXPECT_FALSE(input.dragAccepted);
    EXPECT_EQ(list->drops, 0);
    // Keys go on to the dialog.
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClicks(list, QStringLiteral("k"));
    EXPECT_EQ(list->currentRow(), 0);
    EXPECT_TRUE(dialog->text().contains(QLatin1Char('k')));
    EXPECT_TRUE(dialog->isVisible());
}

void expectActs(CountingList *list)
{
    const Input input = sendEachKind(list, 5);
    EXPECT_EQ(list->currentRow(), 5);
    EXPECT_EQ(list->doubleClicks, 1);
    EXPECT_EQ(list->contextMenus, 1);
    EXPECT_GT(list->verticalScrollBar()->value(), 0);
    EXPECT_TRUE(input.dragAccepted);
    EXPECT_EQ(list->drops, 1);
}

} // namespace

TEST(WholeTextDialog, TheWindowUnderItTakesNoInputWhileItShows)
{
    QMainWindow window;
    auto *list = new CountingList(&window);
    window.setCentralWidget(list);
    // A panel of the window standing apart.
    auto *dock = new QDockWidget(&window);
    auto *panelList = new CountingList(dock);
    dock->setWidget(panelList);
    window.addDockWidget(Qt::RightDockWidgetArea, dock);
    dock->setFloating(true);
    window.resize(400, 300);
    window.show();
    dock->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    auto *dialog = new platform::WholeTextDialog(QStringLiteral("Description"), QString(), &window);
    QPointer<platform::WholeTextDialog> guard(dialog);
    dialog->open();
    expectHeld(list, dialog, "the window");
    expectHeld(panelList, dialog, "its panel standing apart");
    dialog->buttons()->button(QDialogButtonBox::Cancel)->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !guard; }));
    testsupport::settleEvents();

    // The same input acts once the dialog is gone.
    expectActs(list);
    expectActs(panelList);

    // Opened from the panel standing apart: the window it belongs to is held too.
    list->setCurrentRow(0);
    list->verticalScrollBar()->setValue(0);
    panelList->setCurrentRow(0);
    panelList->verticalScrollBar()->setValue(0);
    list->contextMenus = list->drops = list->doubleClicks = 0;
    panelList->contextMenus = panelList->drops = panelList->doubleClicks = 0;
    dialog = new platform::WholeTextDialog(QStringLiteral("Description"), QString(), panelList);
    guard = dialog;
    dialog->open();
    expectHeld(list, dialog, "the window, from its panel");
    expectHeld(panelList, dialog, "the panel it opened from");
    dialog->reject();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !guard; }));
}

// Ctrl+Return is OK only while the OK button is: a dialog whose text has nowhere to go
// any more stays open.
TEST(WholeTextDialog, CtrlReturnEndsItOnlyWhileOkIsEnabled)
{
    QWidget window;
    window.show();
    auto *dialog = new platform::WholeTextDialog(QStringLiteral("Description"), QStringLiteral("text"), &window);
    QPointer<platform::WholeTextDialog> guard(dialog);
    int finished = 0;
    QObject::connect(dialog, &QDialog::finished, [&] { ++finished; });
    dialog->open();
    dialog->buttons()->button(QDialogButtonBox::Ok)->setEnabled(false);
    QTest::keyClick(dialog->editor(), Qt::Key_Return, Qt::ControlModifier);
    testsupport::settleEvents();
    EXPECT_EQ(finished, 0);
    EXPECT_TRUE(dialog->isVisible());
    dialog->buttons()->button(QDialogButtonBox::Ok)->setEnabled(true);
    QTest::keyClick(dialog->editor(), Qt::Key_Return, Qt::ControlModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !guard; }));
    EXPECT_EQ(finished, 1);
}
