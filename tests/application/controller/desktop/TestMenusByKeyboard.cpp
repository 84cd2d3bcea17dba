// The menus of a document window used from the keyboard, as a person does on a plain
// X desktop (the private Xvfb of run-in-desktop.sh with openbox): the keys and the
// clicks travel through the X server (xdotool), the menu bar opens on Alt and a
// title's letter, an item is chosen by its letter or by the arrows and Return. Every
// item of every menu shows as it shows when its title is clicked (enabled or not, the
// same receiver for its action), keeps that state while the keys move through the
// menu, and does what its click does.
#include "tests/application/controller/TestAppControllerSupport.h"
#include "tests/support/DesktopTestSupport.h"

#include "AppKitExtensions/NTXOutlineViewExtension.h"
#include "FoundationExtensions/NTXNSTextStorageExtensions.h"
#include "NTXAppKit/inspector/NTXTextViewInspector.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorText.h"
#include "application/document/DocumentWindow.h"
#include "application/document/MyDocument.h"
#include "platform/document/MenuItemValidation.h"
#include "platform/document/MenuMnemonics.h"
#include "platform/drawing/Sheet.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDockWidget>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QThread>
#include <QSet>
#include <QTest>
#include <QTextDocument>
#include <QTreeView>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>
#include <iostream>
#include <ostream>

using namespace appcontrollertest;

namespace {

constexpr int Patience = 15000; // ms to wait for the X server and the window manager

bool key(const QString &combination)
{
    return desktoptest::runProgram(QStringLiteral("xdotool"),
                                   {QStringLiteral("key"), QStringLiteral("--clearmodifiers"), combination})
        == 0;
}

// A click at the point of the widget, through the X server.
bool click(const QWidget *widget, const QPoint &at)
{
    const QPoint global = widget->mapToGlobal(at) * widget->devicePixelRatioF();
    return desktoptest::runProgram(QStringLiteral("xdotool"),
                                   {QStringLiteral("mousemove"), QString::number(global.x()), QString::number(global.y()),
                                    QStringLiteral("click"), QStringLiteral("1")})
        == 0;
}

QMenu *openMenu()
{
    return qobject_cast<QMenu *>(QApplication::activePopupWidget());
}

// What a menu shows of an item and where its action goes.
struct ItemState
{
    QString title;
    bool enabled = false;
    QObject *receiver = nullptr;
    bool operator==(const ItemState &other) const = default;
};

std::ostream &operator<<(std::ostream &out, const ItemState &state)
{
    return out << state.title.toStdString() << (state.enabled ? " (enabled, to " : " (disabled, to ")
               << (state.receiver ? state.receiver->metaObject()->className() : "nobody") << ")";
}

QList<ItemState> statesOf(const QMenu *menu)
{
    QList<ItemState> states;
    for (QAction *item : menu->actions()) {
        if (!item->isSeparator() && item->isVisible())
            states.append({item->text(), item->isEnabled(), platform::MenuItemValidation::targetForItem(item)});
    }
    return states;
}

// The letter that opens the menu bar's menu with Alt ("e" for "&Edit").
QString mnemonicKey(const QAction *title)
{
    return QStringLiteral("alt+") + platform::MenuMnemonics::mnemonicOf(title->text());
}

} // namespace

class MenusByKeyboard : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb")) << "run with QT_QPA_PLATFORM=xcb on an X server";
        if (!desktoptest::WindowManager::isInstalled())
            GTEST_SKIP() << "openbox and xprop are needed";
        resetProgramDefaults();
        testDocumentServices()->soundPlayer = [](const QString &) {};
        testDocumentServices()->idleSecondsSource = [] { return 0.0; };
        m_windowManager = std::make_unique<desktoptest::WindowManager>();
        ASSERT_TRUE(m_windowManager->isRunning());
        controller = makeController();
    }
    void TearDown() override
    {
        for (QWidget *popup = QApplication::activePopupWidget(); popup; popup = QApplication::activePopupWidget())
            popup->close();
        destroyController(controller);
        controller = nullptr;
        testDocumentServices()->soundPlayer = {};
        testDocumentServices()->idleSecondsSource = {};
        m_windowManager.reset();
    }

    // A shown, active document window with two jobs, the first one's row selected in
    // the outline, which has the keyboard.
    MyDocument *activeDocument()
    {
        auto *document = qobject_cast<MyDocument *>(controller->openUntitledDocument(true));
        EXPECT_NE(document, nullptr);
        if (!document)
            return nullptr;
        addJob(document, QStringLiteral("Acme"));
        addJob(document, QStringLiteral("Globex"));
        window = qobject_cast<QMainWindow *>(document->mainWindow());
        controller->installApplicationMenu(window->menuBar());
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window, Patience));
        outline = document->outlineView();
        outline->setFocus(Qt::OtherFocusReason);
        outline->setCurrentIndex(outline->model()->index(0, 0));
        EXPECT_TRUE(QTest::qWaitFor([this] { return outline->hasFocus(); }, Patience));
        return window->isActiveWindow() && outline->hasFocus() ? document : nullptr;
    }

    // Closes what is open of the menus (Escape leaves the menu bar holding the
    // keyboard; a second one gives it back) until the focus is where it was.
    bool closeMenus(QWidget *focus)
    {
        for (int i = 0; i < 3 && (openMenu() || QApplication::focusWidget() != focus); ++i) {
            if (!key(QStringLiteral("Escape")))
                return false;
            (void)QTest::qWaitFor([focus] { return !openMenu() && QApplication::focusWidget() == focus; }, 2000);
        }
        if (openMenu() || QApplication::focusWidget() != focus)
            std::cerr << "menus not closed: popup " << (openMenu() ? "open" : "none") << ", focus "
                      << (QApplication::focusWidget() ? QApplication::focusWidget()->metaObject()->className() : "none")
                      << std::endl;
        return !openMenu() && QApplication::focusWidget() == focus;
    }

    bool waitForMenu(const QMenu *menu)
    {
        return QTest::qWaitFor([menu] { return openMenu() == menu; }, Patience);
    }

    QMainWindow *window = nullptr;
    QTreeView *outline = nullptr;
    AppController *controller = nullptr;
    std::unique_ptr<desktoptest::WindowManager> m_windowManager;
};

// Every menu of the menu bar opened by its letter shows its items as a click on its
// title does, and the arrows walk through every enabled item without changing any.
TEST_F(MenusByKeyboard, EveryMenuOpenedByKeyboardShowsWhatItsClickShows)
{
    MyDocument *document = activeDocument();
    ASSERT_NE(document, nullptr);
    QMenuBar *bar = window->menuBar();
    int walked = 0;
    for (QAction *title : bar->actions()) {
        QMenu *menu = title->menu();
        if (!menu || !title->isVisible() || mnemonicKey(title) == QStringLiteral("alt+"))
            continue;
        const std::string name = title->text().toStdString();
        SCOPED_TRACE(name);
        ASSERT_TRUE(click(bar, bar->actionGeometry(title).center()));
        ASSERT_TRUE(waitForMenu(menu));
        EXPECT_EQ(QApplication::focusWidget(), outline) << "a click leaves the keyboard where it was";
        const QList<ItemState> clicked = statesOf(menu);
        ASSERT_TRUE(closeMenus(outline));

        ASSERT_TRUE(key(mnemonicKey(title)));
        ASSERT_TRUE(waitForMenu(menu));
        EXPECT_EQ(statesOf(menu), clicked);
        // Down, as often as the menu has items and once more, reaches every enabled
        // item (the first is active as the menu opens by keyboard).
        QSet<QAction *> reached;
        if (menu->activeAction())
            reached.insert(menu->activeAction());
        const qsizetype enabled = std::count_if(clicked.cbegin(), clicked.cend(), [](const ItemState &s) { return s.enabled; });
        for (qsizetype step = 0; enabled >= 2 && step <= clicked.size(); ++step) {
            QAction *before = menu->activeAction();
            ASSERT_TRUE(key(QStringLiteral("Down")));
            ASSERT_TRUE(QTest::qWaitFor([menu, before] { return menu->activeAction() && menu->activeAction() != before; }, Patience));
            reached.insert(menu->activeAction());
            EXPECT_EQ(statesOf(menu), clicked) << "after " << step + 1 << " presses of Down";
        }
        for (QAction *item : menu->actions()) {
            if (!item->isSeparator() && item->isVisible() && item->isEnabled()) {
                EXPECT_TRUE(reached.contains(item) || enabled < 2) << item->text().toStdString();
            }
        }
        ASSERT_TRUE(closeMenus(outline));
        ++walked;
    }
    EXPECT_GE(walked, 3) << "File, Edit and Document at least";
}

// Edit › Delete chosen by its letter deletes the selected row, as its click does
// (after the same question).
TEST_F(MenusByKeyboard, EditDeleteByItsLetterDeletesTheSelectedRow)
{
    MyDocument *document = activeDocument();
    ASSERT_NE(document, nullptr);
    ASSERT_EQ(document->getJobArray().size(), 2);
    const NodePtr second = document->getJobArray().at(1);
    ASSERT_TRUE(key(QStringLiteral("alt+e")));
    ASSERT_TRUE(QTest::qWaitFor([] { return openMenu() != nullptr; }, Patience));
    ASSERT_TRUE(key(QStringLiteral("d")));
    ASSERT_TRUE(QTest::qWaitFor([] { return openMenu() == nullptr; }, Patience)) << "the menu stays open";
    // The question a click on Delete asks first, if any, answered as its default button.
    (void)QTest::qWaitFor([&] {
        if (document->getJobArray().size() == 1)
            return true;
        for (QMessageBox *box : window->findChildren<QMessageBox *>()) {
            if (box->isVisible())
                return true;
        }
        return false;
    }, Patience);
    for (QMessageBox *box : window->findChildren<QMessageBox *>()) {
        if (box->isVisible() && box->defaultButton())
            box->defaultButton()->click();
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return document->getJobArray() == QList<NodePtr>{second}; }, Patience));
}

// Edit › Select All reached with the arrows and Return selects every row, and the
// keyboard goes back to the outline.
TEST_F(MenusByKeyboard, EditSelectAllByArrowsAndReturnSelectsEveryRow)
{
    MyDocument *document = activeDocument();
    ASSERT_NE(document, nullptr);
    QMenu *edit = nullptr;
    for (QAction *title : window->menuBar()->actions()) {
        if (title->menu() && platform::MenuMnemonics::mnemonicOf(title->text()) == QLatin1Char('e'))
            edit = title->menu();
    }
    ASSERT_NE(edit, nullptr);
    ASSERT_TRUE(key(QStringLiteral("alt+e")));
    ASSERT_TRUE(waitForMenu(edit));
    // Up from the top wraps to the last item, Select All.
    ASSERT_TRUE(key(QStringLiteral("Up")));
    ASSERT_TRUE(QTest::qWaitFor([edit] { return edit->activeAction() && edit->activeAction() == edit->actions().constLast(); }, Patience));
    ASSERT_TRUE(key(QStringLiteral("Return")));
    EXPECT_TRUE(QTest::qWaitFor([this] { return NTXOutlineViewExtension::selectedItemCount(outline, 3) == 2; }, Patience));
    EXPECT_TRUE(QTest::qWaitFor([this] { return QApplication::focusWidget() == outline; }, Patience));
}

// Document › Start Counter chosen by the arrows and Return starts the counter, and
// every menu of the menu bar shows afterwards, by click and by keyboard.
TEST_F(MenusByKeyboard, StartCounterByKeyboardAndTheMenusShowAfterwards)
{
    MyDocument *document = activeDocument();
    ASSERT_NE(document, nullptr);
    document->setActiveJob(document->getJobArray().constFirst());
    QMenuBar *bar = window->menuBar();
    QAction *documentTitle = nullptr;
    for (QAction *title : bar->actions()) {
        if (title->menu() == qobject_cast<DocumentWindow *>(window)->documentMenu())
            documentTitle = title;
    }
    ASSERT_NE(documentTitle, nullptr);
    ASSERT_TRUE(key(mnemonicKey(documentTitle)));
    ASSERT_TRUE(waitForMenu(documentTitle->menu()));
    // Down from the first item (active as the menu opens by keyboard) to Start Counter.
    QMenu *menu = documentTitle->menu();
    QAction *start = nullptr;
    for (QAction *item : menu->actions()) {
        if (platform::MenuItemValidation::action(item) == "toggleTimer:")
            start = item;
    }
    ASSERT_NE(start, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return menu->activeAction() != nullptr; }, Patience));
    for (int step = 0; step < menu->actions().size() && menu->activeAction() != start; ++step) {
        QAction *before = menu->activeAction();
        ASSERT_TRUE(key(QStringLiteral("Down")));
        ASSERT_TRUE(QTest::qWaitFor([&] { return menu->activeAction() && menu->activeAction() != before; }, Patience));
    }
    ASSERT_EQ(menu->activeAction(), start);
    ASSERT_TRUE(key(QStringLiteral("Return")));
    ASSERT_TRUE(QTest::qWaitFor([document] { return document->timerIsRunning(); }, Patience));
    ASSERT_TRUE(QTest::qWaitFor([this] { return !openMenu() && QApplication::focusWidget() == outline; }, Patience));

    for (QAction *title : bar->actions()) {
        if (!title->menu() || !title->isVisible())
            continue;
        SCOPED_TRACE(title->text().toStdString());
        ASSERT_TRUE(click(bar, bar->actionGeometry(title).center()));
        EXPECT_TRUE(waitForMenu(title->menu()));
        ASSERT_TRUE(closeMenus(outline));
        if (mnemonicKey(title) == QStringLiteral("alt+"))
            continue;
        ASSERT_TRUE(key(mnemonicKey(title)));
        EXPECT_TRUE(waitForMenu(title->menu()));
        ASSERT_TRUE(closeMenus(outline));
    }
    document->stopTimer(document);
}

// Alt+E while the inspector's description field has the keyboard (its text selected,
// as when the field takes the keyboard) opens the Edit menu and leaves the text.
TEST_F(MenusByKeyboard, AltAndALetterInTheInspectorOpensTheMenu)
{
    MyDocument *document = activeDocument();
    ASSERT_NE(document, nullptr);
    document->getJobArray().constFirst()->setDescript(QStringLiteral("Kept words"));
    auto *documentWindow = qobject_cast<DocumentWindow *>(window);
    documentWindow->windowDrawer()->show();
    NTXTextViewInspector *inspector = document->textViewInspector();
    ASSERT_TRUE(QTest::qWaitFor([inspector] { return inspector->isVisible(); }, Patience));
    inspector->layoutAttachments();
    const platform::Range value = NTXNSTextStorageExtensions::rangeForAttribute(
        *inspector->document(), NTXTextViewInspectorText::PlaceholderProperty,
        inspector->charRangeOfField(inspector->fieldWithIdentifier(QStringLiteral("descrField")).get()));
    inspector->setFocus(Qt::TabFocusReason);
    inspector->setSelectedRange(value);
    ASSERT_TRUE(inspector->isEditing());
    const QString before = inspector->document()->toPlainText();
    ASSERT_TRUE(before.contains(QStringLiteral("Kept words")));

    ASSERT_TRUE(key(QStringLiteral("alt+e")));
    EXPECT_TRUE(QTest::qWaitFor([] { return openMenu() != nullptr; }, Patience));
    EXPECT_EQ(inspector->document()->toPlainText(), before);
    ASSERT_TRUE(closeMenus(inspector));
    EXPECT_EQ(inspector->document()->toPlainText(), before);
}


// Right after Document › Start Counter, clicked through the X server, a right click on
// the counting job's row opens that row's context menu, its first item now stopping
// the count; a click on the menu's first item stops it. (The outlines' context menus
// come from the filter that the program's start installs.)
TEST_F(MenusByKeyboard, ARowsMenuOpensByRightClickRightAfterStartCounter)
{
    NTXOutlineViewExtension::install();
    MyDocument *document = activeDocument();
    ASSERT_NE(document, nullptr);
    const NodePtr job = document->getJobArray().constFirst();
    document->setActiveJob(job);
    QMenuBar *bar = window->menuBar();
    QMenu *documentMenu = qobject_cast<DocumentWindow *>(window)->documentMenu();
    QAction *documentTitle = nullptr;
    for (QAction *title : bar->actions()) {
        if (title->menu() == documentMenu)
            documentTitle = title;
    }
    ASSERT_NE(documentTitle, nullptr);
    ASSERT_TRUE(click(bar, bar->actionGeometry(documentTitle).center()));
    ASSERT_TRUE(waitForMenu(documentMenu));
    QAction *start = nullptr;
    for (QAction *item : documentMenu->actions()) {
        if (platform::MenuItemValidation::action(item) == "toggleTimer:")
            start = item;
    }
    ASSERT_NE(start, nullptr);
    ASSERT_TRUE(start->isEnabled());
    ASSERT_TRUE(click(documentMenu, documentMenu->actionGeometry(start).center()));
    ASSERT_TRUE(QTest::qWaitFor([document] { return document->timerIsRunning(); }, Patience));
    ASSERT_TRUE(QTest::qWaitFor([] { return !openMenu(); }, Patience));

    // The first row's name, at once.
    const QModelIndex row = outline->model()->index(0, 0);
    QRect cell;
    for (int column = 0; column < outline->model()->columnCount(); ++column) {
        const QRect rect = outline->visualRect(row.siblingAtColumn(column));
        if (rect.width() > cell.width())
            cell = rect;
    }
    const QPoint at = outline->viewport()->mapToGlobal(cell.center()) * outline->devicePixelRatioF();
    ASSERT_EQ(desktoptest::runProgram(QStringLiteral("xdotool"),
                                      {QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()),
                                       QStringLiteral("click"), QStringLiteral("3")}),
              0);
    ASSERT_TRUE(QTest::qWaitFor([] { return openMenu() != nullptr; }, Patience)) << "no menu opened";
    QMenu *menu = openMenu();
    EXPECT_NE(menu, documentMenu);
    ASSERT_FALSE(menu->actions().isEmpty());
    QAction *stop = menu->actions().constFirst();
    EXPECT_TRUE(stop->isEnabled());
    EXPECT_NE(stop->text(), start->text());
    ASSERT_TRUE(click(menu, menu->actionGeometry(stop).center()));
    EXPECT_TRUE(QTest::qWaitFor([document] { return !document->timerIsRunning(); }, Patience));
    EXPECT_TRUE(QTest::qWaitFor([] { return !openMenu(); }, Patience));
}

// Document › New Job… chosen by its letter and the new job's name typed at once, with
// no pause between the keys (xdotool at zero delay, typing while the program runs, as a
// person's keys come), again and again, each round begun as soon as the last one's job
// is made (with the machine's cores busy, when asked): every key after the one that
// opens the menu reaches the menu, then the sheet the item begins, in order; none
// reaches a command of the window (the "S" of the name is also Start Counter's letter
// in the Document menu). The keys come as the menu's grab and window and the sheet's
// keyboard change hands: typed into a menu whose window has already gone, or after a
// sheet the X server gave the keyboard to hid at once.
TEST_F(MenusByKeyboard, KeysTypedRightAfterAMenuItemReachItsSheetInOrder)
{
    MyDocument *document = activeDocument();
    ASSERT_NE(document, nullptr);
    const int runs = qEnvironmentVariableIntValue("CHRONARK_MENU_KEYS_RUNS") > 0
                         ? qEnvironmentVariableIntValue("CHRONARK_MENU_KEYS_RUNS")
                         : 40;
    // Busy loops beside the keys, when asked (CHRONARK_MENU_KEYS_BURNERS: how many, e.g.
    // one and a half times the cores): the test programs that ctest runs beside this one
    // keep the machine busy enough, and burners of its own would slow them all.
    std::vector<std::unique_ptr<QProcess>> burners;
    for (int i = 0; i < qEnvironmentVariableIntValue("CHRONARK_MENU_KEYS_BURNERS"); ++i) {
        burners.push_back(std::make_unique<QProcess>());
        burners.back()->start(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("while :; do :; done")});
    }
    const auto stopBurners = qScopeGuard([&burners] {
        for (const std::unique_ptr<QProcess> &burner : burners) {
            burner->kill();
            burner->waitForFinished();
        }
    });
    int wrong = 0;
    for (int run = 0; run < runs; ++run) {
        SCOPED_TRACE(run);
        const QString name = QStringLiteral("S%1").arg(run % 100, 2, 10, QLatin1Char('0'));
        const int before = int(document->getJobArray().size());
        // Typed while this event loop runs.
        QProcess typing;
        typing.start(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("0"),
                                                 QStringLiteral("alt+d"), QStringLiteral("j"), QStringLiteral("S"),
                                                 name.mid(1, 1), name.mid(2, 1), QStringLiteral("Return")});
        ASSERT_TRUE(typing.waitForStarted(Patience));
        const bool made = QTest::qWaitFor([&] {
            return document->getJobArray().size() == before + 1 && !platform::Sheet::sheetOfWindow(window)
                   && !openMenu() && typing.state() == QProcess::NotRunning;
        }, Patience);
        ASSERT_TRUE(QTest::qWaitFor([&typing] { return typing.state() == QProcess::NotRunning; }, Patience));
        ASSERT_EQ(typing.exitCode(), 0);
        const QString madeName = made ? document->getJobArray().constLast()->itemName() : QString();
        if (!made || madeName != name || document->timerIsRunning()) {
            ++wrong;
            // What the window was left with, to tell where the keys went.
            QString left;
            if (document->getJobArray().size() != before)
                left += QStringLiteral(", %1 jobs more, the last \"%2\"")
                            .arg(document->getJobArray().size() - before)
                            .arg(document->getJobArray().constLast()->itemName());
            if (QWidget *sheet = platform::Sheet::sheetOfWindow(window)) {
                left += QStringLiteral(", a sheet open");
                if (auto *field = sheet->findChild<QLineEdit *>())
                    left += QStringLiteral(" holding \"%1\"").arg(field->text());
            }
            if (openMenu())
                left += QStringLiteral(", a menu open");
            if (!window->isActiveWindow())
                left += QStringLiteral(", the window not active");
            ADD_FAILURE() << "typed " << name.toStdString() << ": " << (made ? "made " + madeName.toStdString() : "no job")
                          << (document->timerIsRunning() ? ", the counter started" : "") << left.toStdString();
            // Back to a window without a sheet, a menu or a running counter, the outline
            // holding the keyboard, as the next round needs it. A menu closes first
            // (while a sheet is open its field holds the keyboard: the menus' closing
            // cannot give it to the outline yet), then the sheet, then what is left.
            document->stopTimer(nullptr);
            for (int i = 0; i < 3 && openMenu(); ++i) {
                ASSERT_TRUE(key(QStringLiteral("Escape")));
                (void)QTest::qWaitFor([] { return !openMenu(); }, 2000);
            }
            for (int i = 0; i < 3 && platform::Sheet::sheetOfWindow(window); ++i) {
                ASSERT_TRUE(key(QStringLiteral("Escape")));
                (void)QTest::qWaitFor([this] { return !platform::Sheet::sheetOfWindow(window); }, 2000);
            }
            ASSERT_EQ(platform::Sheet::sheetOfWindow(window), nullptr) << "a sheet left open after a wrong round";
            ASSERT_TRUE(closeMenus(outline)) << "the outline not given the keyboard back after a wrong round";
            // Enough to tell (keys that reach nobody would fail every round, each after
            // the whole patience).
            if (wrong == 3)
                break;
        }
    }
    EXPECT_EQ(wrong, 0) << "of " << runs;
    // And the window has the keyboard (not the root window, where keys reach nobody).
    EXPECT_TRUE(QTest::qWaitFor([this] { return window->isActiveWindow(); }, Patience));
    ASSERT_TRUE(key(QStringLiteral("alt+d")));
    EXPECT_TRUE(QTest::qWaitFor([] { return openMenu() != nullptr; }, Patience));
    ASSERT_TRUE(closeMenus(outline));
    std::cerr << "menu keys: " << wrong << " of " << runs << " wrong" << std::endl;
}
