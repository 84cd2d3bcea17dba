// Document windows under a real window manager (openbox on the private X server):
// where new windows go, how the inspector widens the window, that a stored frame
// keeps its title bar on the screen, and that an alert about a file stands above
// the windows that opened with it.
#include "tests/application/controller/TestAppControllerSupport.h"

#include "application/document/DocumentWindow.h"
#include "application/document/DocumentWindowController.h"
#include "application/document/MyDocument.h"
#include "platform/drawing/ScreenFit.h"
#include "tests/support/DesktopTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include "NTXAppKit/NTXContextMenuToolbarItem/NTXContextMenuToolbarItem.h"
#include "NTXAppKit/NTXContextMenuToolbarItem/NTXDelayedPopUpButtonCell.h"
#include "platform/drawing/BundleImages.h"
#include "NTXAppKit/preferences/NTXPreferenceWindowController.h"
#include "application/document/DocumentToolbar.h"
#include "NTXAppKit/preferences/NTXWindow.h"
#include "platform/foundation/GeometryText.h"

#include <QDir>
#include <QFileInfo>
#include <QDockWidget>
#include <QHeaderView>
#include <QMessageBox>
#include <QScreen>
#include <QScrollArea>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <QWindow>
#include <algorithm>
#include <iostream>

using namespace appcontrollertest;

namespace {

std::string describe(const QRect &r)
{
    return QStringLiteral("(%1, %2) %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()).toStdString();
}

// The frame of a top-level window as the X server has it, in its pixels: the window's
// place on the root window (xwininfo) grown by the frame extents the window manager set
// on it (xprop). Empty when either cannot be read.
QRect serverFrame(QWidget *window)
{
    QByteArray info;
    QByteArray extents;
    const QString id = QString::number(window->winId());
    if (desktoptest::runProgram(QStringLiteral("xwininfo"), {QStringLiteral("-id"), id}, &info) != 0
        || desktoptest::runProgram(QStringLiteral("xprop"), {QStringLiteral("-id"), id, QStringLiteral("_NET_FRAME_EXTENTS")}, &extents) != 0)
        return QRect();
    const auto field = [&info](const char *name) {
        const QRegularExpressionMatch match =
            QRegularExpression(QString::fromLatin1(name) + QStringLiteral(":\\s*(-?\\d+)")).match(QString::fromUtf8(info));
        return match.hasMatch() ? match.captured(1).toInt() : 0;
    };
    const QRect client(field("Absolute upper-left X"), field("Absolute upper-left Y"), field("Width"), field("Height"));
    // left, right, top, bottom
    const QStringList sides = QString::fromUtf8(extents).section(QLatin1Char('='), 1).split(QLatin1Char(','));
    if (sides.size() != 4)
        return client;
    return client.marginsAdded(QMargins(sides[0].trimmed().toInt(), sides[2].trimmed().toInt(), sides[1].trimmed().toInt(),
                                        sides[3].trimmed().toInt()));
}

class DocumentWindowPlacementTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!desktoptest::WindowManager::isInstalled())
            GTEST_SKIP() << "openbox and xprop are needed";
        // One window manager for the test program: windows of the next test are
        // never mapped while one stops and another starts.
        if (!windowManager)
            windowManager = std::make_unique<desktoptest::WindowManager>();
        ASSERT_TRUE(windowManager->isRunning());
        resetProgramDefaults();
        controller = makeController();
        area = QGuiApplication::primaryScreen()->availableGeometry();
    }

    void TearDown() override { destroyController(controller); }

    static void TearDownTestSuite() { windowManager.reset(); }

    MyDocument *newDocument()
    {
        return qobject_cast<MyDocument *>(controller->openUntitledDocument(true));
    }

    // Shown and framed by the window manager, and settled where it put it.
    static bool framed(QWidget *window)
    {
        // The native window hears of its frame even when the widget is not moved.
        const auto hasFrame = [&] {
            return window->isVisible()
                   && (window->frameGeometry() != window->geometry()
                       || (window->windowHandle() && !window->windowHandle()->frameMargins().isNull()));
        };
        if (!QTest::qWaitFor(hasFrame, 10000)) {
            QByteArray state;
            desktoptest::runProgram(QStringLiteral("xprop"), {QStringLiteral("-id"), QString::number(window->winId())}, &state);
            QByteArray root;
            desktoptest::runProgram(QStringLiteral("xprop"), {QStringLiteral("-root")}, &root);
            // What the window manager knew of the window, for the failure's report.
            std::cout << "not framed:\n" << state.toStdString() << "\nroot window:\n"
                      << root.left(3000).toStdString() << std::endl;
            return false;
        }
        return settled(window);
    }

    // The frame stopped moving (the window manager answers asynchronously).
    static bool settled(QWidget *window)
    {
        QRect last = window->frameGeometry();
        int still = 0;
        return QTest::qWaitFor(
            [&] {
                const QRect now = window->frameGeometry();
                still = now == last ? still + 1 : 0;
                last = now;
                return still >= 10;
            },
            10000);
    }

    static inline std::unique_ptr<desktoptest::WindowManager> windowManager;
    // Launching looks for crash logs and stores when it did: in folders of the test,
    // never in those of the person running it (a crash log there would put up the
    // crash alert, and answering that the reporter window, over every later window).
    testsupport::ScopedXdgHome home;
    AppController *controller = nullptr;
    QRect area;
};

// ---- Cascading ----

TEST_F(DocumentWindowPlacementTest, NewWindowsCascadeFromTheLastByATitleBarAndWrapInsideTheScreen)
{
    MyDocument *first = newDocument();
    ASSERT_TRUE(framed(first->mainWindow()));
    QWidget *one = first->mainWindow();
    const int titleBar = one->geometry().top() - one->frameGeometry().top();
    ASSERT_GT(titleBar, 5);

    // A title bar's height down and right; on an axis where that leaves the screen's
    // available area, at the area's edge.
    const auto cascaded = [&](const QWidget *from, const QSize &frameSize) {
        QPoint place = from->frameGeometry().topLeft() + QPoint(titleBar, titleBar);
        if (place.x() + frameSize.width() > area.right() + 1)
            place.setX(area.left());
        if (place.y() + frameSize.height() > area.bottom() + 1)
            place.setY(area.top());
        return place;
    };
    MyDocument *second = newDocument();
    QWidget *two = second->mainWindow();
    ASSERT_TRUE(framed(two));
    EXPECT_EQ(two->frameGeometry().topLeft(), cascaded(one, two->frameGeometry().size()));
    EXPECT_TRUE(area.contains(two->frameGeometry()));

    // Near the bottom right corner the next one starts again at the area's edges.
    two->move(area.right() + 1 - two->frameGeometry().width() - titleBar / 2,
              area.bottom() + 1 - two->frameGeometry().height() - titleBar / 2);
    ASSERT_TRUE(settled(two));
    MyDocument *third = newDocument();
    QWidget *three = third->mainWindow();
    ASSERT_TRUE(framed(three));
    EXPECT_EQ(three->frameGeometry().topLeft(), area.topLeft());
    EXPECT_TRUE(area.contains(three->frameGeometry()));

    // A window that is gone is no longer the last one: the next steps from the one
    // before it.
    third->close();
    two->move(area.left() + 50, area.top() + 40);
    ASSERT_TRUE(settled(two));
    MyDocument *fourth = newDocument();
    ASSERT_TRUE(framed(fourth->mainWindow()));
    EXPECT_EQ(fourth->mainWindow()->frameGeometry().topLeft(), cascaded(two, fourth->mainWindow()->frameGeometry().size()));
}

// ---- The stored frame ----

TEST_F(DocumentWindowPlacementTest, AStoredFrameAsHighAsTheScreenKeepsItsTitleBarAndBottomOnIt)
{
    // Without another window, and then with one whose decorations are known.
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        auto *document = qobject_cast<MyDocument *>(controller->makeUntitledDocument(MyDocument::TypeName));
        ASSERT_NE(document, nullptr);
        // The client size of a window that filled nearly the screen's height (the
        // whole of it would make openbox take it for a full-screen window), at its top.
        document->docValues().setWindowFrame(QRectF(area.left() + 40, area.top(), 600, area.height() - 8));
        controller->addDocument(document);
        document->makeWindowControllers();
        document->showWindows();
        QWidget *window = document->mainWindow();
        const bool wasFramed = framed(window);
        if (!wasFramed) {
            QByteArray state;
            desktoptest::runProgram(QStringLiteral("xprop"), {QStringLiteral("-id"), QString::number(window->winId()),
                                                               QStringLiteral("_NET_WM_STATE"), QStringLiteral("_NET_FRAME_EXTENTS")},
                                    &state);
            std::cout << state.toStdString() << std::endl;
        }
        ASSERT_TRUE(wasFramed) << describe(window->frameGeometry()) << " " << describe(window->geometry());
        EXPECT_TRUE(area.contains(window->frameGeometry()))
            << "frame " << describe(window->frameGeometry()) << " area " << describe(area);
        EXPECT_EQ(window->width(), 600);
    }
}

// ---- The inspector beside the outline ----

TEST_F(DocumentWindowPlacementTest, TheInspectorWidensTheWindowAndGivesTheWidthBack)
{
    MyDocument *document = newDocument();
    auto *window = qobject_cast<DocumentWindow *>(document->mainWindow());
    ASSERT_TRUE(framed(window));
    // Half the screen wide, so that there is room beside it.
    window->resize(area.width() / 2, area.height() / 2);
    window->move(area.left() + 20, area.top() + 20);
    ASSERT_TRUE(settled(window));
    if (area.right() - window->frameGeometry().right() < 2 * window->windowDrawer()->sizeHint().width())
        GTEST_SKIP() << "no room beside the window on a screen this small";
    QTreeView *outline = window->outlineView();
    const int outlineWidth = outline->width();
    const QRect frame = window->frameGeometry();

    document->toggleDrawer(nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->width() > frame.width(); }, 5000));
    ASSERT_TRUE(settled(window));
    EXPECT_GE(window->windowDrawer()->width(), 240);
    EXPECT_NEAR(outline->width(), outlineWidth, 2) << "the outline keeps its width";
    EXPECT_EQ(window->frameGeometry().left(), frame.left());

    document->toggleDrawer(nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->frameGeometry() == frame; }, 5000));
    EXPECT_NEAR(outline->width(), outlineWidth, 2);

    // At the right edge of the screen the window moves left to make the room, and
    // goes back when the inspector closes.
    window->move(area.right() + 1 - frame.width(), frame.top());
    ASSERT_TRUE(settled(window));
    const QRect atEdge = window->frameGeometry();
    document->toggleDrawer(nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->frameGeometry().left() < atEdge.left(); }, 5000));
    ASSERT_TRUE(settled(window));
    EXPECT_LE(window->frameGeometry().right(), area.right());
    EXPECT_EQ(window->frameGeometry().right(), atEdge.right());
    EXPECT_NEAR(outline->width(), outlineWidth, 2);
    document->toggleDrawer(nullptr);
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->frameGeometry() == atEdge; }, 5000))
        << describe(window->frameGeometry()) << " " << describe(atEdge);
}

// ---- The strip at the bottom ----

// The strip with two grips under every window is openbox's handle: it lies outside
// the window, in the frame the window manager adds; inside, the totals row is the
// lowest view, one layout margin above the bottom, also after resizing and after the
// inspector came and went (no hidden view keeps room there).
TEST_F(DocumentWindowPlacementTest, TheStripUnderTheWindowIsTheWindowManagersHandle)
{
    MyDocument *document = newDocument();
    auto *window = qobject_cast<DocumentWindow *>(document->mainWindow());
    ASSERT_TRUE(framed(window));
    const auto check = [&] {
        QByteArray extents;
        ASSERT_EQ(desktoptest::runProgram(QStringLiteral("xprop"), {QStringLiteral("-id"), QString::number(window->winId()),
                                                                    QStringLiteral("_NET_FRAME_EXTENTS")},
                                          &extents),
                  0);
        // "left, right, top, bottom" in device pixels.
        const QList<QByteArray> parts = extents.mid(extents.indexOf('=') + 1).trimmed().split(',');
        ASSERT_EQ(parts.size(), 4) << extents.toStdString();
        EXPECT_GT(parts.at(3).trimmed().toInt(), 0) << "the handle belongs to the frame";
        int lowest = 0;
        QWidget *lowestWidget = nullptr;
        for (QWidget *child : window->centralWidget()->findChildren<QWidget *>()) {
            if (!child->isVisible())
                continue;
            const int bottom = child->mapTo(window, QPoint(0, child->height())).y();
            if (bottom > lowest) {
                lowest = bottom;
                lowestWidget = child;
            }
        }
        ASSERT_NE(lowestWidget, nullptr);
        EXPECT_TRUE(lowestWidget == document->tableHeaderView() || lowestWidget->isAncestorOf(document->tableHeaderView())
                    || document->tableHeaderView()->isAncestorOf(lowestWidget))
            << lowestWidget->metaObject()->className() << " " << lowestWidget->objectName().toStdString();
        EXPECT_LE(window->height() - lowest, 10);
    };
    check();
    window->resize(window->width() - 120, window->height() - 80);
    ASSERT_TRUE(settled(window));
    check();
    document->toggleDrawer(nullptr);
    ASSERT_TRUE(settled(window));
    document->toggleDrawer(nullptr);
    ASSERT_TRUE(settled(window));
    window->resize(window->width() + 60, window->height() + 120);
    ASSERT_TRUE(settled(window));
    check();
}

// ---- Alerts about files ----

TEST_F(DocumentWindowPlacementTest, AnAlertAboutAFileStandsAboveTheWindowsThatOpenedWithIt)
{
    QTemporaryDir dir;
    const QString good = dir.filePath(QStringLiteral("good.chronark"));
    {
        MyDocument *document = newDocument();
        addJob(document, QStringLiteral("Acme"));
        ASSERT_TRUE(document->saveToFile(good, MyDocument::TypeName, platform::Document::SaveOperation::SaveAs));
        ASSERT_TRUE(QFile::copy(good, dir.filePath(QStringLiteral("other.chronark"))));
        document->close();
    }
    const QString broken = dir.filePath(QStringLiteral("broken.chronark"));
    ASSERT_TRUE(testsupport::writeFile(broken, "not a document"));

    // One burst, the failure first.
    controller->openDocumentWithContentsOfFile(broken, true);
    controller->openDocumentWithContentsOfFile(good, true);
    controller->openDocumentWithContentsOfFile(dir.filePath(QStringLiteral("other.chronark")), true);
    ASSERT_EQ(controller->documents().size(), 2);

    QMessageBox *box = nullptr;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            for (QWidget *widget : QApplication::topLevelWidgets()) {
                if (auto *b = qobject_cast<QMessageBox *>(widget); b && b->isVisible())
                    box = b;
            }
            return box != nullptr;
        },
        10000));
    ASSERT_TRUE(framed(box));
    for (platform::Document *document : controller->documents())
        ASSERT_TRUE(framed(document->mainWindow()));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            const QList<quint64> order = desktoptest::WindowManager::stackingOrder();
            return !order.isEmpty() && order.last() == box->winId();
        },
        5000))
        << "the alert is at the top of the stack";
    EXPECT_TRUE(QTest::qWaitForWindowActive(box));
}

TEST_F(DocumentWindowPlacementTest, AFirstWindowGoesWhereAnyFirstWindowGoesWhileAnAlertIsUp)
{
    // An alert up at launch (the crash offer, a file that cannot be read) in the
    // middle of the screen when the first window opens.
    auto *box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Chronark"),
                                QStringLiteral("The document \u201c\u2068broken.chronark\u2069\u201d could not be opened."),
                                QMessageBox::Ok);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::ApplicationModal);
    box->show();
    ASSERT_TRUE(framed(box));
    MyDocument *first = newDocument();
    QWidget *window = first->mainWindow();
    ASSERT_TRUE(framed(window));
    const QRect besideTheAlert = window->frameGeometry();
    EXPECT_TRUE(area.contains(besideTheAlert)) << describe(besideTheAlert);
    box->close();
    first->close();

    // Where a first window goes with nothing else on the screen.
    MyDocument *alone = newDocument();
    ASSERT_TRUE(framed(alone->mainWindow()));
    EXPECT_EQ(besideTheAlert.topLeft(), alone->mainWindow()->frameGeometry().topLeft()) << describe(besideTheAlert);
}

// A frame stored at another scale factor or on a larger screen: its corner lies
// beyond this screen. The preferences window comes back with its whole frame on it.
TEST_F(DocumentWindowPlacementTest, ThePreferencesWindowComesBackWholeOnTheScreenItOpensOn)
{
    const QRectF elsewhere(area.right() - 40, area.bottom() - 30, 500, 400);
    programDefaults().setString(platform::GeometryText::stringFromRect(elsewhere),
                                NTXPreferenceWindowController::frameDefaultsKey(AppController::PreferenceWindowAutosaveName));
    controller->showPreferences(nullptr);
    NTXPreferenceWindowController *preferences = controller->preferenceController();
    ASSERT_NE(preferences, nullptr);
    NTXWindow *prefs = preferences->existingWindow();
    const auto expectWhole = [&](const char *when) {
        SCOPED_TRACE(when);
        ASSERT_TRUE(framed(prefs));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !prefs->isAnimatingFrame(); }, 5000));
        ASSERT_TRUE(settled(prefs));
        EXPECT_TRUE(area.contains(prefs->frameGeometry())) << describe(prefs->frameGeometry()) << " on " << describe(area);
    };
    expectWhole("from the stored frame");

    // Shown again after the screen changed under it while it was hidden.
    preferences->close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return prefs->isHidden(); }, 5000));
    prefs->move(elsewhere.topLeft().toPoint());
    controller->showPreferences(nullptr);
    expectWhole("shown again");
    preferences->close();
}

// Switching panes (and a larger font) changes the window's size: its whole frame
// stays on the screen every time, as Qt reckons it and as the X server has it (at a
// scale factor too); a pane taller than the screen scrolls inside it.
TEST_F(DocumentWindowPlacementTest, EveryPaneSwitchKeepsThePreferencesWindowWholeOnTheScreen)
{
    controller->showPreferences(nullptr);
    NTXPreferenceWindowController *preferences = controller->preferenceController();
    ASSERT_NE(preferences, nullptr);
    NTXWindow *prefs = preferences->existingWindow();
    ASSERT_TRUE(framed(prefs));
    const auto expectWhole = [&](const QString &when) {
        SCOPED_TRACE(when.toStdString());
        ASSERT_TRUE(QTest::qWaitFor([&] { return !prefs->isAnimatingFrame(); }, 5000));
        ASSERT_TRUE(settled(prefs));
        EXPECT_TRUE(area.contains(prefs->frameGeometry())) << describe(prefs->frameGeometry()) << " on " << describe(area);
        // As the X server has it too, in its own pixels (at a scale factor, Qt's frame is
        // its own reckoning).
        const qreal ratio = prefs->devicePixelRatioF();
        const QRect deviceArea(QPoint(qRound(area.x() * ratio), qRound(area.y() * ratio)),
                               QSize(qRound(area.width() * ratio), qRound(area.height() * ratio)));
        const QRect onServer = serverFrame(prefs);
        EXPECT_TRUE(deviceArea.contains(onServer)) << describe(onServer) << " on " << describe(deviceArea);
        QScrollArea *scroller = prefs->contentScroller();
        QWidget *pane = prefs->contentView();
        ASSERT_NE(pane, nullptr);
        const QSize least = pane->minimumSizeHint().expandedTo(pane->minimumSize());
        if (least.height() > scroller->viewport()->height()) {
            EXPECT_GT(scroller->verticalScrollBar()->maximum(), 0) << "a pane taller than the room scrolls";
        }
        EXPECT_GE(pane->height(), least.height()) << "no pane is squeezed below its least size";
    };
    expectWhole(QStringLiteral("shown"));
    QStringList order = AppController::preferencePaneIdentifiers();
    QStringList back = order;
    std::reverse(back.begin(), back.end());
    order += back;
    for (const QString &identifier : order) {
        ASSERT_TRUE(preferences->selectPaneWithIdentifier(identifier));
        expectWhole(identifier);
    }
    // A larger font makes every pane larger; the window stays where it can be seen.
    const QFont before = QApplication::font();
    QFont larger = before;
    larger.setPointSizeF(before.pointSizeF() * 1.75);
    QApplication::setFont(larger);
    testsupport::settleEvents();
    expectWhole(QStringLiteral("larger font"));
    for (const QString &identifier : AppController::preferencePaneIdentifiers()) {
        ASSERT_TRUE(preferences->selectPaneWithIdentifier(identifier));
        expectWhole(QStringLiteral("larger font, ") + identifier);
    }
    QApplication::setFont(before);
    testsupport::settleEvents();
    preferences->selectPaneWithIdentifier(AppController::preferencePaneIdentifiers().first());
    preferences->close();
}

// ---- Pictures ----

// The screen's pixels of the window's whole frame, decorations included.
QImage grabFrame(QWidget *window)
{
    const QRect frame = window->frameGeometry();
    return window->screen()
        ->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

QString pictureFolder()
{
    return QFileInfo(testsupport::screenshotPath(QStringLiteral("x"))).path();
}

// The document window with its inspector open and the preferences on every pane,
// as a person sees them: one picture each, named after the scale factor.
TEST_F(DocumentWindowPlacementTest, PicturesOfTheWindowWithItsInspectorAndOfEveryPreferencePane)
{
    controller->launch({});
    ASSERT_EQ(controller->documents().size(), 1);
    auto *document = qobject_cast<MyDocument *>(controller->documents().constFirst());
    ASSERT_NE(document, nullptr);
    const NodePtr group = addGroup(document, QStringLiteral("Clients"));
    const NodePtr job = addJob(document, QStringLiteral("Website relaunch"), group);
    addJob(document, QStringLiteral("Support hotline"));
    document->reloadOutline();
    document->setActiveJob(job);
    document->updateUI();
    auto *window = qobject_cast<DocumentWindow *>(document->mainWindow());
    ASSERT_TRUE(framed(window));
    document->toggleDrawer(nullptr);
    ASSERT_TRUE(settled(window));
    document->outlineView()->expandAll();
    const QString scale = qEnvironmentVariableIsEmpty("QT_SCALE_FACTOR") ? QStringLiteral("1")
                                                                         : qEnvironmentVariable("QT_SCALE_FACTOR");
    QDir().mkpath(pictureFolder());
    const auto save = [&](const QImage &image, const QString &name) {
        const QString file = QDir(pictureFolder()).filePath(name + QStringLiteral("-scale") + scale + QStringLiteral(".png"));
        EXPECT_TRUE(image.save(file)) << file.toStdString();
        std::cout << "picture: " << file.toStdString() << std::endl;
    };
    // The new-job item draws its 32-point picture with its label under it, at any
    // scale factor.
    auto *add = qobject_cast<NTXContextMenuToolbarItem *>(
        document->documentToolbar().toolbarItem(QStringLiteral("AddItem")));
    ASSERT_NE(add, nullptr);
    EXPECT_EQ(platform::BundleImages::naturalSize(add->popupCell()->image()), QSizeF(32, 32));
    EXPECT_FALSE(add->popupCell()->title().isEmpty());
    testsupport::settleEvents();
    save(grabFrame(window), QStringLiteral("document-window-inspector"));
    EXPECT_TRUE(area.contains(window->frameGeometry()));

    NTXPreferenceWindowController *preferences = controller->preferenceController();
    ASSERT_NE(preferences, nullptr);
    controller->showPreferences(nullptr);
    NTXWindow *prefs = preferences->existingWindow();
    ASSERT_TRUE(framed(prefs));
    for (const QString &identifier : AppController::preferencePaneIdentifiers()) {
        ASSERT_TRUE(preferences->selectPaneWithIdentifier(identifier));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !prefs->isAnimatingFrame(); }, 5000));
        ASSERT_TRUE(settled(prefs));
        testsupport::settleEvents();
        save(grabFrame(prefs), QStringLiteral("preferences-") + identifier);
    }
    preferences->selectPaneWithIdentifier(AppController::preferencePaneIdentifiers().first());
    preferences->close();
}

} // namespace
