// The preferences window: panes, toolbar, the selection hooks and their order,
// the frame arithmetic, the saved frame, categories, the icon grid page and the
// shared instance. Frames here are Qt's: y-down, top-left corner.
#include "NTXAppKit/preferences/NTXPrefPaneIcon.h"
#include "NTXAppKit/preferences/NTXPrefPaneIconView.h"
#include "NTXAppKit/preferences/NTXPreferencePanel.h"
#include "NTXAppKit/preferences/NTXPreferenceWindowController.h"
#include "platform/foundation/GeometryText.h"
#include "platform/foundation/UserDefaults.h"
#include "tests/support/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include <random>

// Fresh controllers for each test (the shared instance allows only one).
class NTXPreferenceWindowControllerTestAccess
{
public:
    static std::unique_ptr<NTXPreferenceWindowController> make(const QString &autosaveName, unsigned style = 3)
    {
        return std::unique_ptr<NTXPreferenceWindowController>(new NTXPreferenceWindowController(autosaveName, style));
    }
    static std::unique_ptr<NTXPreferenceWindowController> makePlain()
    {
        return std::unique_ptr<NTXPreferenceWindowController>(new NTXPreferenceWindowController());
    }
};

namespace {

QStringList *g_log = nullptr;

void note(const QString &entry)
{
    if (g_log)
        *g_log << entry;
}

class LoggingPane : public NTXPreferencePanel
{
    Q_OBJECT
public:
    QString paneLabel;
    QString paneCategory;
    QImage paneIcon;
    QString label() const override { return paneLabel; }
    QString category() const override { return paneCategory; }
    QImage icon() const override { return paneIcon; }
    void willSelect() override { note(identifier() + QStringLiteral(".willSelect")); }
    void didSelect() override { note(identifier() + QStringLiteral(".didSelect")); }
    void willUnselect() override { note(identifier() + QStringLiteral(".willUnselect")); }
    void didUnselect() override { note(identifier() + QStringLiteral(".didUnselect")); }
    void panelDidBecomeMain() override { note(identifier() + QStringLiteral(".becameMain")); }
};

class ZoomingPane : public LoggingPane
{
    Q_OBJECT
public:
    Q_INVOKABLE QSizeF standardSize() { return QSizeF(640, 480); }
    Q_INVOKABLE bool shouldResize() override { return true; }
};

// A pane whose interface file gives no view once loaded (a view that went away).
class ViewlessPane : public LoggingPane
{
    Q_OBJECT
public:
    QWidget *mainView() override { return nullptr; }
};

class RecordingDelegate : public NTXPreferenceWindowDelegate
{
public:
    QStringList refused;
    QHash<QString, QString> categoryNames;
    QHash<QString, QString> replacedCategories;
    bool shouldLoadPreferencePane(const QString &id) override { return !refused.contains(id); }
    void willSelectPreferencePane(const QString &id) override { note(QStringLiteral("delegate.willSelect ") + id); }
    void didUnselectPreferencePane(const QString &id) override { note(QStringLiteral("delegate.didUnselect ") + id); }
    QString categoryForPreferencePane(const QString &id, const QString &category) override
    {
        return replacedCategories.value(id, category);
    }
    QString displayNameForCategory(const QString &category) override { return categoryNames.value(category); }
};

QImage swatch(QColor color)
{
    QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(color);
    p.setPen(color.darker(150));
    p.drawRoundedRect(QRectF(3, 3, 26, 26), 6, 6);
    return image;
}

template <class Pane = LoggingPane>
Pane *makePane(const QString &identifier, int height, const QString &label = QString())
{
    const QString nib = QStringLiteral("TestWindowPane") + QString::number(height);
    NTXPreferencePanel::registerNib(nib, [height](NTXPreferencePanel *owner) {
        auto *view = new QWidget;
        auto *layout = new QVBoxLayout(view);
        layout->addWidget(new QLabel(QStringLiteral("Settings of %1").arg(owner->metaObject()->className())));
        view->resize(400, height);
        return view;
    });
    Pane *pane = NTXPreferencePanel::create<Pane>(nib, identifier);
    pane->paneLabel = label.isEmpty() ? identifier : label;
    pane->paneCategory = QStringLiteral("Chronark");
    return pane;
}

class PreferenceWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_log = &log;
        defaults = std::make_unique<platform::UserDefaults>(dir.filePath(QStringLiteral("defaults.conf")));
        controller = NTXPreferenceWindowControllerTestAccess::make(QStringLiteral("TestPreferences"));
        controller->setUserDefaults(defaults.get());
    }
    void TearDown() override
    {
        controller.reset();
        g_log = nullptr;
    }
    void addTwoPanes()
    {
        general = makePane(QStringLiteral("General"), 300);
        sound = makePane(QStringLiteral("Sound"), 500);
        ASSERT_TRUE(controller->addPane(general, QStringLiteral("General")));
        ASSERT_TRUE(controller->addPane(sound, QStringLiteral("Sound")));
    }

    QTemporaryDir dir;
    QStringList log;
    std::unique_ptr<platform::UserDefaults> defaults;
    std::unique_ptr<NTXPreferenceWindowController> controller;
    LoggingPane *general = nullptr;
    LoggingPane *sound = nullptr;
};

} // namespace

TEST_F(PreferenceWindow, PanesKeepTheOrderOfAddingAndRefuseDuplicates)
{
    addTwoPanes();
    auto *third = makePane(QStringLiteral("Update"), 200);
    EXPECT_TRUE(controller->addPane(third, QStringLiteral("Update")));
    auto *duplicate = makePane(QStringLiteral("General"), 200);
    EXPECT_FALSE(controller->addPane(duplicate, QStringLiteral("General")));
    delete duplicate;
    EXPECT_EQ(general->sortOrder(), 0u);
    EXPECT_EQ(sound->sortOrder(), 1u);
    EXPECT_EQ(third->sortOrder(), 2u);
    EXPECT_EQ(controller->validPrefPaneIdentifiers(),
              QStringList({QStringLiteral("General"), QStringLiteral("Sound"), QStringLiteral("Update")}));
    EXPECT_EQ(controller->prefPaneWithIdentifier(QStringLiteral("Sound")), sound);
    EXPECT_EQ(controller->prefPaneWithIdentifier(QStringLiteral("Nothing")), nullptr);
}

TEST_F(PreferenceWindow, DelegateMayRefuseAPane)
{
    RecordingDelegate delegate;
    delegate.refused << QStringLiteral("Sound");
    controller->setDelegate(&delegate);
    auto *pane = makePane(QStringLiteral("Sound"), 200);
    EXPECT_FALSE(controller->addPane(pane, QStringLiteral("Sound")));
    delete pane;
    EXPECT_TRUE(controller->prefPanes().isEmpty());
}

TEST_F(PreferenceWindow, ToolbarIdentifiersWithAndWithoutShowAll)
{
    addTwoPanes();
    const QStringList panes{QStringLiteral("General"), QStringLiteral("Sound")};
    EXPECT_EQ(controller->toolbarDefaultItemIdentifiers(), panes);
    EXPECT_EQ(controller->toolbarAllowedItemIdentifiers(), panes);
    EXPECT_EQ(controller->toolbarSelectableItemIdentifiers(), panes);
    EXPECT_FALSE(controller->toolbarAllowsUserCustomization());

    controller->setUsesConfigurationPane(true);
    const QStringList withShowAll = QStringList{QStringLiteral("NTXPPToolbarShowAll"), QStringLiteral("NSToolbarSeparatorItem")} + panes;
    EXPECT_EQ(controller->toolbarDefaultItemIdentifiers(), withShowAll);
    EXPECT_EQ(controller->toolbarAllowedItemIdentifiers(), withShowAll);
    EXPECT_EQ(controller->toolbarSelectableItemIdentifiers(), QStringList{QStringLiteral("NTXPPToolbarShowAll")} + panes);
    EXPECT_TRUE(controller->toolbarAllowsUserCustomization());

    QAction *showAll = controller->toolbarItemForItemIdentifier(QStringLiteral("NTXPPToolbarShowAll"));
    ASSERT_NE(showAll, nullptr);
    EXPECT_EQ(showAll->text(), QStringLiteral("Show All"));
    EXPECT_EQ(controller->toolbarItemForItemIdentifier(QStringLiteral("Unknown")), nullptr);
    QAction *item = controller->toolbarItemForItemIdentifier(QStringLiteral("Sound"));
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->text(), QStringLiteral("Sound"));
}

TEST_F(PreferenceWindow, FirstSelectionBeforeTheWindowExistsSendsNoUnselect)
{
    RecordingDelegate delegate;
    controller->setDelegate(&delegate);
    addTwoPanes();
    ASSERT_EQ(controller->toolbar(), nullptr);
    EXPECT_TRUE(controller->selectPaneWithIdentifier(QStringLiteral("General")));
    // The window was built inside the selection; the pane was selected once and
    // never told it was unselected.
    EXPECT_EQ(log, QStringList({QStringLiteral("delegate.willSelect General"), QStringLiteral("General.willSelect"),
                                QStringLiteral("General.didSelect")}));
    EXPECT_EQ(controller->activePane(), general);
    EXPECT_EQ(controller->selectedToolbarItemIdentifier(), QStringLiteral("General"));
    EXPECT_EQ(controller->window()->windowTitle(), QStringLiteral("General"));
}

TEST_F(PreferenceWindow, FirstSelectionOfAnotherPaneUnselectsTheFirstProperly)
{
    addTwoPanes();
    EXPECT_TRUE(controller->selectPaneWithIdentifier(QStringLiteral("Sound")));
    EXPECT_EQ(log, QStringList({QStringLiteral("General.willSelect"), QStringLiteral("General.didSelect"),
                                QStringLiteral("General.willUnselect"), QStringLiteral("Sound.willSelect"),
                                QStringLiteral("General.didUnselect"), QStringLiteral("Sound.didSelect")}));
    EXPECT_EQ(controller->activePane(), sound);
    EXPECT_EQ(controller->selectedToolbarItemIdentifier(), QStringLiteral("Sound"));
}

TEST_F(PreferenceWindow, SwitchingPanesSendsTheHooksInOrder)
{
    RecordingDelegate delegate;
    controller->setDelegate(&delegate);
    addTwoPanes();
    controller->window();
    log.clear();
    EXPECT_TRUE(controller->selectPaneWithIdentifier(QStringLiteral("Sound")));
    EXPECT_EQ(log, QStringList({QStringLiteral("General.willUnselect"), QStringLiteral("delegate.willSelect Sound"),
                                QStringLiteral("Sound.willSelect"), QStringLiteral("delegate.didUnselect General"),
                                QStringLiteral("General.didUnselect"), QStringLiteral("Sound.didSelect")}));
    log.clear();
    // The active pane again: nothing happens.
    EXPECT_TRUE(controller->selectPaneWithIdentifier(QStringLiteral("Sound")));
    EXPECT_TRUE(log.isEmpty());
    EXPECT_FALSE(controller->selectPaneWithIdentifier(QStringLiteral("Nothing")));
    EXPECT_TRUE(log.isEmpty());
    EXPECT_EQ(controller->window()->contentView(), sound->mainView());
}

TEST_F(PreferenceWindow, PaneWithoutViewIsRefusedBeforeAnyHook)
{
    addTwoPanes();
    auto *viewless = makePane<ViewlessPane>(QStringLiteral("Empty"), 100);
    ASSERT_TRUE(controller->addPane(viewless, QStringLiteral("Empty")));
    controller->window();
    log.clear();
    EXPECT_FALSE(controller->selectPaneWithIdentifier(QStringLiteral("Empty")));
    EXPECT_TRUE(log.isEmpty());
    EXPECT_EQ(controller->activePane(), general);
    EXPECT_EQ(controller->selectedToolbarItemIdentifier(), QStringLiteral("General"));
}

TEST_F(PreferenceWindow, ToolbarItemSelectsItsPane)
{
    addTwoPanes();
    controller->window();
    controller->toolbarItemForItemIdentifier(QStringLiteral("Sound"))->trigger();
    EXPECT_EQ(controller->activePane(), sound);
    EXPECT_EQ(controller->selectedToolbarItemIdentifier(), QStringLiteral("Sound"));
}

TEST_F(PreferenceWindow, SwitchingToATallerPaneKeepsTheTopLeftCorner)
{
    addTwoPanes();
    NTXWindow *window = controller->window();
    window->setFrame(QRect(QPoint(150, 120), window->size()), false);
    const QRect before = window->frame();
    EXPECT_EQ(before.height() - window->frameSizeForContentSize(QSize(400, 300)).height(), 0);
    ASSERT_TRUE(controller->selectPaneWithIdentifier(QStringLiteral("Sound")));
    const QRect after = window->frame();
    EXPECT_EQ(after.topLeft(), before.topLeft());
    EXPECT_EQ(after.height() - before.height(), 200);
    EXPECT_EQ(controller->frameForContentSize(QSize(400, 300)), before);
}

// Panes of seeded heights, some taller or wider than the screen, switched in a seeded
// order from seeded places: the window never leaves the screen; a pane that fits is
// shown at its own size, one that does not scrolls inside the window.
TEST_F(PreferenceWindow, EveryPaneSwitchKeepsTheWindowOnTheScreenAndALargerPaneScrolls)
{
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    std::mt19937 random(20261208);
    QStringList identifiers;
    QHash<QString, QSize> sizes;
    for (int i = 0; i < 5; ++i) {
        const QString identifier = QStringLiteral("Pane%1").arg(i);
        const QSize size(250 + int(random() % unsigned(screen.width())), 120 + int(random() % unsigned(screen.height() * 2)));
        const QString nib = QStringLiteral("TestScreenFitPane%1").arg(i);
        NTXPreferencePanel::registerNib(nib, [size](NTXPreferencePanel *) {
            auto *view = new QWidget;
            auto *layout = new QVBoxLayout(view);
            layout->addWidget(new QLabel(QStringLiteral("Settings")));
            // Whole or not at all: it cannot be squeezed.
            view->setMinimumSize(size);
            view->resize(size);
            return view;
        });
        auto *pane = NTXPreferencePanel::create<LoggingPane>(nib, identifier);
        pane->paneLabel = identifier;
        ASSERT_TRUE(controller->addPane(pane, identifier));
        identifiers << identifier;
        sizes.insert(identifier, size);
    }
    controller->showPreferences();
    NTXWindow *window = controller->window();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    for (int step = 0; step < 30; ++step) {
        SCOPED_TRACE(step);
        if (random() % 3 == 0) {
            const QPoint place(screen.left() + int(random() % unsigned(screen.width())),
                               screen.top() + int(random() % unsigned(screen.height())));
            window->setFrame(QRect(place, window->frame().size()), false);
        }
        const QString identifier = identifiers.at(int(random() % unsigned(identifiers.size())));
        ASSERT_TRUE(controller->selectPaneWithIdentifier(identifier));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !window->isAnimatingFrame(); }, 5000));
        QCoreApplication::processEvents();
        const QRect frame = window->frameGeometry();
        EXPECT_TRUE(screen.contains(frame)) << frame.x() << "," << frame.y() << " " << frame.width() << "x"
                                            << frame.height();
        EXPECT_EQ(window->contentView(), controller->prefPaneWithIdentifier(identifier)->mainView());
        const QSize size = sizes.value(identifier);
        const QSize whole = window->frameSizeForContentSize(size);
        QScrollArea *scroller = window->contentScroller();
        if (whole.width() <= screen.width() && whole.height() <= screen.height()) {
            EXPECT_EQ(window->contentView()->size(), size) << "a pane that fits is shown at its size";
            EXPECT_EQ(scroller->verticalScrollBar()->maximum(), 0);
        } else {
            EXPECT_GE(window->contentView()->height(), size.height()) << "a larger pane is not squeezed";
            EXPECT_GE(window->contentView()->width(), size.width());
            if (size.height() > scroller->viewport()->height()) {
                EXPECT_GT(scroller->verticalScrollBar()->maximum(), 0) << "the pane scrolls";
            }
        }
    }
    controller->close();
}

TEST_F(PreferenceWindow, VisibleWindowAnimatesToTheFrameThatFitsTheContent)
{
    addTwoPanes();
    controller->showPreferences();
    NTXWindow *window = controller->window();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    const QPoint topLeft = window->frame().topLeft();
    QSignalSpy finished(window, &NTXWindow::frameChangeFinished);
    ASSERT_TRUE(controller->selectPaneWithIdentifier(QStringLiteral("Sound")));
    if (finished.isEmpty()) {
        ASSERT_TRUE(finished.wait(5000));
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(window->frame().topLeft(), topLeft);
    // The content area is exactly the pane's view size.
    EXPECT_EQ(window->contentView(), sound->mainView());
    EXPECT_EQ(sound->mainView()->size(), QSize(400, 500));
    controller->close();
}

TEST_F(PreferenceWindow, SavedFrameTextPlacesTheWindowAndKeepsItsSize)
{
    addTwoPanes();
    defaults->setString(QStringLiteral("{{100, 200}, {500, 300}}"), QStringLiteral("NSWindow Frame TestPreferences"));
    NTXWindow *window = controller->window();
    EXPECT_EQ(window->frame().topLeft(), QPoint(100, 200));
    EXPECT_EQ(window->frame().size(), window->frameSizeForContentSize(QSize(400, 300)));
}

TEST_F(PreferenceWindow, MalformedSavedFramesCentreTheWindow)
{
    for (const QString &text : {QStringLiteral("{{100, 200}}"), QStringLiteral("garbage"),
                                QStringLiteral("{{nan, 2}, {3, 4}}"), QStringLiteral("{{-9e12, 5}, {10, 10}}"),
                                QString(300, QLatin1Char('7'))}) {
        auto fresh = NTXPreferenceWindowControllerTestAccess::make(QStringLiteral("Odd"));
        fresh->setUserDefaults(defaults.get());
        defaults->setString(text, QStringLiteral("NSWindow Frame Odd"));
        fresh->addPane(makePane(QStringLiteral("General"), 300), QStringLiteral("General"));
        NTXWindow *window = fresh->window();
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        EXPECT_LE(std::abs(window->frame().center().x() - screen.center().x()), 1) << text.toStdString();
        EXPECT_LE(std::abs(window->frame().center().y() - screen.center().y()), 1) << text.toStdString();
    }
}

TEST_F(PreferenceWindow, MovingTheWindowSavesItsFrame)
{
    addTwoPanes();
    controller->showPreferences();
    NTXWindow *window = controller->window();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    QSignalSpy moved(window, &NTXWindow::windowDidMove);
    window->setFrame(QRect(QPoint(40, 60), window->size()), false);
    while (window->frame().topLeft() != QPoint(40, 60) || moved.isEmpty())
        ASSERT_TRUE(moved.wait(5000));
    EXPECT_TRUE(defaults->stringForKey(QStringLiteral("NSWindow Frame TestPreferences"))
                    .startsWith(QStringLiteral("{{40, 60}, {")))
        << defaults->stringForKey(QStringLiteral("NSWindow Frame TestPreferences")).toStdString() << " "
        << window->frame().x() << "," << window->frame().y();
    const QRectF saved = platform::GeometryText::rectFromString(
        defaults->stringForKey(QStringLiteral("NSWindow Frame TestPreferences")));
    EXPECT_EQ(saved.toRect(), window->frame());
    controller->close();
}

TEST_F(PreferenceWindow, ClosingUnselectsButKeepsTheActivePane)
{
    addTwoPanes();
    controller->showPreferences();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(controller->window()));
    log.clear();
    controller->close();
    EXPECT_EQ(log, QStringList({QStringLiteral("General.willUnselect"), QStringLiteral("General.didUnselect")}));
    EXPECT_EQ(controller->activePane(), general);
    log.clear();
    controller->showPreferences();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(controller->window()));
    EXPECT_FALSE(log.contains(QStringLiteral("General.willSelect")));
    log.clear();
    controller->applicationWillTerminate();
    EXPECT_EQ(log, QStringList({QStringLiteral("General.willUnselect"), QStringLiteral("General.didUnselect")}));
    controller->windowDidBecomeMain();
    EXPECT_EQ(log.last(), QStringLiteral("General.becameMain"));
    controller->close();
}

TEST_F(PreferenceWindow, ZoomUsesThePanesStandardSize)
{
    addTwoPanes();
    auto *zooming = makePane<ZoomingPane>(QStringLiteral("Zoom"), 200);
    ASSERT_TRUE(controller->addPane(zooming, QStringLiteral("Zoom")));
    NTXWindow *window = controller->window();
    // Without a standard size zooming leaves the frame alone.
    const QRect plain = window->frame();
    controller->zoom();
    EXPECT_EQ(window->frame(), plain);
    ASSERT_TRUE(controller->selectPaneWithIdentifier(QStringLiteral("Zoom")));
    EXPECT_TRUE(window->canResize());
    // Where the standard size has room on the screen.
    window->setFrame(QRect(QPoint(10, 10), window->frame().size()), false);
    const QPoint topLeft = window->frame().topLeft();
    controller->zoom();
    EXPECT_EQ(window->frame().topLeft(), topLeft);
    EXPECT_EQ(window->frame().size(), window->frameSizeForContentSize(QSize(640, 480)));
}

TEST_F(PreferenceWindow, ShowAllShowsTheGridAndUnselects)
{
    RecordingDelegate delegate;
    controller->setDelegate(&delegate);
    controller->setUsesConfigurationPane(true);
    addTwoPanes();
    NTXWindow *window = controller->window();
    // A first Show All item opens the window on the grid.
    EXPECT_EQ(controller->activePane(), nullptr);
    EXPECT_EQ(window->contentView(), controller->iconView());
    ASSERT_TRUE(controller->selectPaneWithIdentifier(QStringLiteral("General")));
    EXPECT_EQ(window->contentView(), general->mainView());
    log.clear();
    controller->toolbarShowAll();
    EXPECT_EQ(log, QStringList({QStringLiteral("General.willUnselect"), QStringLiteral("delegate.didUnselect General"),
                                QStringLiteral("General.didUnselect")}));
    EXPECT_EQ(controller->activePane(), nullptr);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Preferences"));
    EXPECT_EQ(window->contentView(), controller->iconView());
    EXPECT_FALSE(window->canZoom());
    EXPECT_EQ(controller->selectedToolbarItemIdentifier(), QStringLiteral("NTXPPToolbarShowAll"));
}

TEST_F(PreferenceWindow, ClickInTheGridSelectsThePane)
{
    addTwoPanes();
    controller->showPreferences();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(controller->window()));
    controller->toolbarShowAll();
    NTXPrefPaneIconView *grid = controller->iconView();
    // Grid order is by title: General, Sound.
    const QPoint onSound = grid->imageFrameForIconInCategoryWithIndex(0, 1).center().toPoint();
    QTest::mouseClick(grid, Qt::LeftButton, {}, onSound);
    EXPECT_EQ(controller->activePane(), sound);
    EXPECT_EQ(controller->selectedToolbarItemIdentifier(), QStringLiteral("Sound"));
    controller->close();
}

TEST_F(PreferenceWindow, PaneAddedAfterTheToolbarGoesOnlyIntoTheGrid)
{
    addTwoPanes();
    controller->window();
    const int items = int(controller->toolbar()->actions().size());
    ASSERT_TRUE(controller->addPane(makePane(QStringLiteral("Late"), 150), QStringLiteral("Late")));
    EXPECT_EQ(controller->toolbar()->actions().size(), items);
    controller->iconView()->rebuild();
    EXPECT_EQ(controller->iconView()->icons().size(), 3);
    EXPECT_TRUE(controller->selectPaneWithIdentifier(QStringLiteral("Late")));
}

// The grid is asked for its size each time it is shown: panes added since it was
// last laid out make it taller, and the window follows, so the second row shows.
TEST_F(PreferenceWindow, GridShownAgainAfterPanesWereAddedShowsEveryRow)
{
    controller->setUsesConfigurationPane(true);
    general = makePane(QStringLiteral("General"), 300);
    sound = makePane(QStringLiteral("Sound"), 500);
    general->paneIcon = swatch(QColor(70, 130, 200));
    sound->paneIcon = swatch(QColor(220, 140, 40));
    ASSERT_TRUE(controller->addPane(general, QStringLiteral("General")));
    ASSERT_TRUE(controller->addPane(sound, QStringLiteral("Sound")));
    controller->showPreferences();
    NTXWindow *window = controller->window();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    QSignalSpy finished(window, &NTXWindow::frameChangeFinished);
    controller->toolbarShowAll();
    NTXPrefPaneIconView *grid = controller->iconView();
    const QSize oneRow = grid->frame().size().toSize();

    const QColor colours[] = {Qt::darkGreen, Qt::darkRed, Qt::darkCyan, Qt::darkMagenta, Qt::darkYellow, Qt::gray, Qt::black};
    int n = 0;
    for (const QColor &colour : colours) {
        const QString identifier = QStringLiteral("Pane%1").arg(++n);
        LoggingPane *pane = makePane(identifier, 150);
        pane->paneIcon = swatch(colour);
        ASSERT_TRUE(controller->addPane(pane, identifier));
    }
    ASSERT_TRUE(controller->selectPaneWithIdentifier(QStringLiteral("Sound")));
    finished.clear();
    controller->toolbarShowAll();
    if (finished.isEmpty()) {
        ASSERT_TRUE(finished.wait(5000));
    }
    QCoreApplication::processEvents();

    const QSize twoRows = grid->frame().size().toSize();
    EXPECT_EQ(grid->icons().size(), 9);
    EXPECT_GT(twoRows.height(), oneRow.height());
    EXPECT_EQ(window->contentView(), grid);
    EXPECT_EQ(window->frame().size(), window->frameSizeForContentSize(twoRows));
    // The last icon's label lies inside what the window shows of the grid.
    const QRectF lastLabel = grid->labelFrameForIconInCategoryWithIndex(0, 8);
    EXPECT_TRUE(QRectF(grid->visibleRegion().boundingRect()).contains(lastLabel))
        << lastLabel.bottom() << " " << grid->visibleRegion().boundingRect().bottom();

    const QImage picture = window->grab().toImage();
    EXPECT_TRUE(picture.save(testsupport::screenshotPath(QStringLiteral("chronark-preferences-grid-two-rows.png"))));
    controller->close();
}

TEST_F(PreferenceWindow, CategoriesFollowTheDelegate)
{
    addTwoPanes();
    sound->paneCategory = QStringLiteral("Noise");
    EXPECT_EQ(controller->categoryForIdentifier(QStringLiteral("Sound")), QStringLiteral("Noise"));
    EXPECT_EQ(controller->categoryDisplayNameForIdentifier(QStringLiteral("Sound")), QStringLiteral("Noise"));
    QStringList categories = controller->categories();
    categories.sort();
    EXPECT_EQ(categories, QStringList({QStringLiteral("Chronark"), QStringLiteral("Noise")}));

    RecordingDelegate delegate;
    delegate.replacedCategories.insert(QStringLiteral("Sound"), QStringLiteral("Chronark"));
    delegate.categoryNames.insert(QStringLiteral("Chronark"), QStringLiteral("Time Tracking"));
    controller->setDelegate(&delegate);
    EXPECT_EQ(controller->categoryForIdentifier(QStringLiteral("Sound")), QStringLiteral("Chronark"));
    EXPECT_EQ(controller->categories(), QStringList({QStringLiteral("Chronark")}));
    EXPECT_EQ(controller->categoryDisplayNameForIdentifier(QStringLiteral("General")), QStringLiteral("Time Tracking"));
    // No name from the delegate: the pane's own shown name.
    delegate.categoryNames.clear();
    EXPECT_EQ(controller->categoryDisplayNameForIdentifier(QStringLiteral("Sound")), QStringLiteral("Noise"));
    controller->setDelegate(nullptr);
}

TEST(PreferenceWindowShared, OnlyTheFirstCreationSucceeds)
{
    NTXPreferenceWindowController *shared = NTXPreferenceWindowController::sharedPreferenceWindowController();
    ASSERT_NE(shared, nullptr);
    EXPECT_EQ(NTXPreferenceWindowController::sharedPreferenceWindowController(), shared);
    EXPECT_EQ(shared->retainCount(), 4294967295u);
    EXPECT_EQ(NTXPreferenceWindowController::initWithAutosaveName(QStringLiteral("Late")), nullptr);
    // A plain controller has no window; selecting in it still works on its panes.
    EXPECT_EQ(shared->window(), nullptr);
}

TEST(PreferenceWindowPlain, PlainControllerKeepsPanesWithoutAWindow)
{
    auto plain = NTXPreferenceWindowControllerTestAccess::makePlain();
    EXPECT_EQ(plain->window(), nullptr);
    EXPECT_EQ(plain->frameForContentSize(QSize(10, 20)), QRect(0, 0, 10, 20));
    EXPECT_FALSE(plain->selectPaneWithIdentifier(QStringLiteral("x")));
}

TEST_F(PreferenceWindow, PictureOfTheWindowWithTwoPanes)
{
    general = makePane(QStringLiteral("General"), 180);
    sound = makePane(QStringLiteral("Sound"), 180);
    general->paneIcon = swatch(QColor(70, 130, 200));
    sound->paneIcon = swatch(QColor(220, 140, 40));
    ASSERT_TRUE(controller->addPane(general, QStringLiteral("General")));
    ASSERT_TRUE(controller->addPane(sound, QStringLiteral("Sound")));
    controller->showPreferences();
    NTXWindow *window = controller->window();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    QCoreApplication::processEvents();
    const QImage picture = window->grab().toImage();
    ASSERT_FALSE(picture.isNull());
    const QString path = testsupport::screenshotPath(QStringLiteral("chronark-preferences-window.png"));
    EXPECT_TRUE(picture.save(path));
    // The toolbar shows the first icon's blue somewhere in its top band.
    bool blue = false;
    const int toolbarHeight = controller->toolbar()->height();
    for (int y = 0; y < toolbarHeight && !blue; ++y)
        for (int x = 0; x < picture.width() && !blue; ++x)
            blue = picture.pixelColor(x, y) == QColor(70, 130, 200);
    EXPECT_TRUE(blue);
    controller->close();
}

#include "TestPreferenceWindowController.moc"
