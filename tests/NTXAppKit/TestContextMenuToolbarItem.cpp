// The context-menu toolbar item and its delayed pop-up button: menu or click on a
// press, the image for the toolbar's size, and validation through the toolbar's
// delegate. Positions are Qt's (y down).
#include "tests/support/TestSupport.h"
#include "NTXAppKit/NTXContextMenuToolbarItem/NTXContextMenuToolbarItem.h"
#include "NTXAppKit/NTXContextMenuToolbarItem/NTXDelayedPopUpButton.h"
#include "NTXAppKit/NTXContextMenuToolbarItem/NTXDelayedPopUpButtonCell.h"
#include "platform/drawing/BundleImages.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QMainWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <QToolBar>
#include <gtest/gtest.h>

namespace {

// Receives the actions of the buttons and items.
class Receiver : public QObject
{
    Q_OBJECT
public:
    Q_INVOKABLE void toggleTimer(QObject *sender)
    {
        ++count;
        lastSender = sender;
    }
    int count = 0;
    QObject *lastSender = nullptr;
};

// A toolbar delegate that validates items itself.
class ToolbarValidatingDelegate : public QObject
{
    Q_OBJECT
public:
    Q_INVOKABLE bool validateToolbarItem(QAction *item)
    {
        ++asked;
        lastItem = item;
        return answer;
    }
    Q_INVOKABLE bool validateUserInterfaceItem(QAction *)
    {
        ++askedGeneric;
        return !answer;
    }
    bool answer = true;
    int asked = 0;
    int askedGeneric = 0;
    QAction *lastItem = nullptr;
};

// A delegate that answers only the general question (with an object argument).
class GenericValidatingDelegate : public QObject
{
    Q_OBJECT
public:
    Q_INVOKABLE bool validateUserInterfaceItem(QObject *item)
    {
        lastItem = item;
        return answer;
    }
    bool answer = false;
    QObject *lastItem = nullptr;
};

// A window that responds to the action itself (the first responder without focus).
class RespondingWindow : public QWidget
{
    Q_OBJECT
public:
    Q_INVOKABLE void toggleTimer(QObject *) { ++count; }
    int count = 0;
};

QIcon squareImage(int side, QColor colour)
{
    QPixmap pixmap(side, side);
    pixmap.fill(colour);
    return QIcon(pixmap);
}

void sendMouse(QWidget *widget, QEvent::Type type, const QPointF &pos, Qt::MouseButtons buttons)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, pos, widget->mapToGlobal(pos), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

void press(QWidget *w, const QPointF &p) { sendMouse(w, QEvent::MouseButtonPress, p, Qt::LeftButton); }
void drag(QWidget *w, const QPointF &p) { sendMouse(w, QEvent::MouseMove, p, Qt::LeftButton); }
void release(QWidget *w, const QPointF &p) { sendMouse(w, QEvent::MouseButtonRelease, p, Qt::NoButton); }

} // namespace

// ---- The delayed pop-up button ----

TEST(DelayedPopUpButton, AlwaysCarriesAPopUpCellWithATitle)
{
    NTXDelayedPopUpButton button(QRect(0, 0, 80, 24));
    ASSERT_NE(button.popUpCell(), nullptr);
    EXPECT_EQ(button.popUpCell()->title(), QString());
    EXPECT_EQ(button.popUpCell()->controlSize(), platform::Cell::ControlSize::Regular);
    EXPECT_EQ(button.geometry(), QRect(0, 0, 80, 24));

    // a cell of another class is swapped for a pop-up cell with its title
    button.setCell(std::make_unique<platform::ButtonCell>(QStringLiteral("Go")));
    ASSERT_NE(dynamic_cast<NTXDelayedPopUpButtonCell *>(button.cell()), nullptr);
    EXPECT_EQ(button.popUpCell()->title(), QStringLiteral("Go"));
    // even behind the class's back
    static_cast<platform::Control &>(button).setCell(std::make_unique<platform::Cell>(QStringLiteral("Plain")));
    EXPECT_EQ(button.popUpCell()->title(), QStringLiteral("Plain"));
}

TEST(DelayedPopUpButton, WithoutAMenuAClickReleasedInsideSendsTheActionOnce)
{
    QWidget window;
    NTXDelayedPopUpButton button(QRect(10, 10, 60, 24), &window);
    Receiver receiver;
    button.setTarget(&receiver);
    button.setAction("toggleTimer:");
    window.show();

    press(&button, QPointF(20, 12));
    EXPECT_TRUE(button.popUpCell()->isTracking());
    EXPECT_TRUE(button.popUpCell()->isHighlighted());
    // without a menu the deadline never ends tracking
    button.deliverDeadline();
    EXPECT_TRUE(button.popUpCell()->isTracking());
    drag(&button, QPointF(25, 12));
    EXPECT_EQ(receiver.count, 0) << "nothing before the mouse goes up";
    release(&button, QPointF(25, 12));
    EXPECT_EQ(receiver.count, 1);
    EXPECT_EQ(receiver.lastSender, &button);
    EXPECT_TRUE(button.lastTrackingResult());
    EXPECT_FALSE(button.popUpCell()->isTracking());
    EXPECT_FALSE(button.popUpCell()->isHighlighted());

    // a click the ordinary way
    QTest::mouseClick(&button, Qt::LeftButton, Qt::NoModifier, QPoint(30, 12));
    EXPECT_EQ(receiver.count, 2);
}

TEST(DelayedPopUpButton, ADragThatLeavesTheButtonEndsTrackingAndSendsNothing)
{
    QWidget window;
    NTXDelayedPopUpButton button(QRect(10, 10, 60, 24), &window);
    Receiver receiver;
    button.setTarget(&receiver);
    button.setAction("toggleTimer:");
    window.show();

    press(&button, QPointF(20, 12));
    drag(&button, QPointF(90, 12)); // outside: tracking ends at once
    EXPECT_FALSE(button.popUpCell()->isTracking());
    EXPECT_FALSE(button.lastTrackingResult());
    // coming back and letting go changes nothing
    drag(&button, QPointF(20, 12));
    release(&button, QPointF(20, 12));
    EXPECT_EQ(receiver.count, 0);

    // a release outside sends nothing either
    press(&button, QPointF(20, 12));
    release(&button, QPointF(200, 12));
    EXPECT_EQ(receiver.count, 0);
}

TEST(DelayedPopUpButton, AContinuousCellSendsWhileTrackingAndNotAgainAtTheEnd)
{
    QWidget window;
    NTXDelayedPopUpButton button(QRect(10, 10, 60, 24), &window);
    Receiver receiver;
    button.setTarget(&receiver);
    button.setAction("toggleTimer:");
    button.popUpCell()->setContinuous(true);
    window.show();

    press(&button, QPointF(20, 12));
    drag(&button, QPointF(22, 12));
    drag(&button, QPointF(24, 12));
    EXPECT_EQ(receiver.count, 2);
    release(&button, QPointF(24, 12));
    EXPECT_EQ(receiver.count, 3) << "one for the release event, none extra for the click";
}

TEST(DelayedPopUpButton, WithAMenuAPressOpensItBelowTheButtonOnceNothingIsWaiting)
{
    QWidget window;
    window.resize(300, 200);
    NTXDelayedPopUpButton button(QRect(40, 30, 32, 32), &window);
    Receiver receiver;
    button.setTarget(&receiver);
    button.setAction("toggleTimer:");
    QMenu menu(&window);
    menu.addAction(QStringLiteral("First"));
    menu.addAction(QStringLiteral("Second"));
    button.setMenu(&menu);
    window.show();

    const QPointF place = button.popUpCell()->menuPositionForFrame(QRectF(button.rect()), &button);
    EXPECT_EQ(place, QPointF(41, 30 + 32 + 5.5));

    QSignalSpy shown(&menu, &QMenu::aboutToShow);
    press(&button, QPointF(10, 10));
    EXPECT_FALSE(menu.isVisible()) << "a release may still be waiting";
    ASSERT_TRUE(shown.wait(2000));
    EXPECT_TRUE(menu.isVisible());
    EXPECT_FALSE(button.popUpCell()->isTracking());
    EXPECT_TRUE(button.lastTrackingResult());
    const QPoint expected = window.mapToGlobal(QPointF(41, 67.5)).toPoint();
    EXPECT_LE((menu.pos() - expected).manhattanLength(), 1);
    // the later release belongs to the menu: the button sends nothing
    release(&button, QPointF(10, 10));
    EXPECT_EQ(receiver.count, 0);
    menu.hide();
}

TEST(DelayedPopUpButton, WithAMenuAReleaseAlreadyWaitingMakesAPlainClick)
{
    QWidget window;
    NTXDelayedPopUpButton button(QRect(40, 30, 32, 32), &window);
    Receiver receiver;
    button.setTarget(&receiver);
    button.setAction("toggleTimer:");
    QMenu menu(&window);
    menu.addAction(QStringLiteral("Only"));
    button.setMenu(&menu);
    window.show();

    // press and release arrive together, before the event loop turns
    press(&button, QPointF(10, 10));
    release(&button, QPointF(10, 10));
    EXPECT_EQ(receiver.count, 1);
    QCoreApplication::processEvents();
    EXPECT_FALSE(menu.isVisible());

    // a drag with nothing behind it opens the menu as well
    QSignalSpy shown(&menu, &QMenu::aboutToShow);
    press(&button, QPointF(10, 10));
    drag(&button, QPointF(12, 10));
    EXPECT_FALSE(menu.isVisible());
    button.deliverDeadline();
    EXPECT_EQ(shown.count(), 1);
    EXPECT_EQ(receiver.count, 1);
    menu.hide();
}

TEST(DelayedPopUpButton, AMenuDeletedWhileKeptIsForgotten)
{
    QWidget window;
    NTXDelayedPopUpButton button(QRect(0, 0, 32, 32), &window);
    auto *menu = new QMenu;
    button.setMenu(menu);
    delete menu;
    EXPECT_EQ(button.menu(), nullptr);
    window.show();
    press(&button, QPointF(5, 5));
    button.deliverDeadline(); // no menu: nothing pops up, tracking goes on
    EXPECT_TRUE(button.popUpCell()->isTracking());
    release(&button, QPointF(5, 5));
    EXPECT_FALSE(button.popUpCell()->isTracking());
}

TEST(DelayedPopUpButton, DisablingOrHidingEndsTracking)
{
    QWidget window;
    NTXDelayedPopUpButton button(QRect(0, 0, 32, 32), &window);
    Receiver receiver;
    button.setTarget(&receiver);
    button.setAction("toggleTimer:");
    window.show();
    press(&button, QPointF(5, 5));
    button.setEnabled(false);
    EXPECT_FALSE(button.popUpCell()->isTracking());
    release(&button, QPointF(5, 5));
    EXPECT_EQ(receiver.count, 0);

    button.setEnabled(true);
    press(&button, QPointF(5, 5));
    button.hide();
    EXPECT_FALSE(button.popUpCell()->isTracking());
}

// ---- The toolbar item ----

TEST(ContextMenuToolbarItem, IsA32PointDelayedPopUpButtonInTheToolbar)
{
    QMainWindow window;
    QToolBar *bar = window.addToolBar(QStringLiteral("Main"));
    auto *item = new NTXContextMenuToolbarItem(QStringLiteral("StartStopButton"), &window);
    EXPECT_EQ(item->itemIdentifier(), QStringLiteral("StartStopButton"));
    ASSERT_NE(item->button(), nullptr);
    EXPECT_EQ(item->defaultWidget(), item->button());
    EXPECT_EQ(item->popupCell(), item->button()->popUpCell());
    EXPECT_EQ(item->button()->minimumSize(), QSize(32, 32));
    EXPECT_EQ(item->button()->maximumSize(), QSize(32, 32));
    EXPECT_EQ(item->popupCell()->buttonType(), platform::ButtonCell::ButtonType::MomentaryChange);
    EXPECT_FALSE(item->popupCell()->isBordered());
    EXPECT_EQ(item->toolbar(), nullptr);

    bar->addAction(item);
    EXPECT_EQ(item->toolbar(), bar);
    EXPECT_EQ(bar->widgetForAction(item), item->button());
}

TEST(ContextMenuToolbarItem, MenuActionTargetAndToolTipBelongToTheButton)
{
    NTXContextMenuToolbarItem item(QStringLiteral("Actions"));
    item.setLabel(QStringLiteral("Actions"));
    QMenu menu;
    menu.addAction(QStringLiteral("One"));
    item.setMenu(&menu);
    EXPECT_EQ(item.menu(), &menu);
    EXPECT_EQ(item.popupCell()->menu(), &menu);

    QAction *form = item.menuFormRepresentation();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->text(), QStringLiteral("Actions"));
    EXPECT_EQ(form->menu<QMenu *>(), &menu);
    EXPECT_TRUE(form->shortcut().isEmpty());
    // a new label renames the menu form as well
    item.setLabel(QStringLiteral("More"));
    EXPECT_EQ(item.menuFormRepresentation()->text(), QStringLiteral("More"));
    // the item's own menu stays empty, so the toolbar adds no menu arrow of its own
    EXPECT_EQ(static_cast<QAction &>(item).menu<QMenu *>(), nullptr);

    Receiver receiver;
    item.setTarget(&receiver);
    item.setAction("toggleTimer:");
    EXPECT_EQ(item.target(), &receiver);
    EXPECT_EQ(item.action(), QByteArray("toggleTimer:"));
    EXPECT_EQ(item.popupCell()->target(), &receiver);
    EXPECT_EQ(item.popupCell()->action(), QByteArray("toggleTimer:"));

    item.setToolTip(QStringLiteral("Start or stop"));
    EXPECT_EQ(item.toolTip(), QStringLiteral("Start or stop"));
    EXPECT_EQ(item.button()->toolTip(), QStringLiteral("Start or stop"));

    // triggering the item does what a click on the button does
    item.trigger();
    EXPECT_EQ(receiver.count, 1);
    EXPECT_EQ(receiver.lastSender, item.button());
}

TEST(ContextMenuToolbarItem, AQuickClickOnTheItemSendsItsAction)
{
    QMainWindow window;
    QToolBar *bar = window.addToolBar(QStringLiteral("Main"));
    auto *item = new NTXContextMenuToolbarItem(QStringLiteral("StartStopButton"), &window);
    Receiver receiver;
    item->setTarget(&receiver);
    item->setAction("toggleTimer:");
    bar->addAction(item);
    window.show();
    QTest::mouseClick(item->button(), Qt::LeftButton, Qt::NoModifier, QPoint(16, 16));
    EXPECT_EQ(receiver.count, 1);
}

TEST(ContextMenuToolbarItem, ImagesFollowTheToolbarsSizeMode)
{
    QMainWindow window;
    QToolBar *bar = window.addToolBar(QStringLiteral("Main"));
    auto *item = new NTXContextMenuToolbarItem(QStringLiteral("Image"), &window);
    bar->addAction(item);

    item->setImage(squareImage(128, Qt::darkGreen));
    EXPECT_EQ(NTXContextMenuToolbarItem::imageWidth(item->regularImage()), 32);
    EXPECT_EQ(NTXContextMenuToolbarItem::imageWidth(item->smallImage()), 24);
    EXPECT_EQ(NTXContextMenuToolbarItem::imageWidth(item->image()), 32) << "default size mode: the given image";
    // 32 points whatever the screen's pixel ratio: the cell lays out by that size,
    // and a screen of twice the pixels gets a sharp picture of 64 pixels.
    EXPECT_EQ(platform::BundleImages::naturalSize(item->popupCell()->image()), QSizeF(32, 32));
    const QPixmap sharp = item->regularImage().pixmap(QSize(32, 32), 2.0);
    EXPECT_EQ(sharp.size(), QSize(64, 64));
    EXPECT_EQ(sharp.devicePixelRatio(), 2.0);

    // small images from an image of another size are scaled, not cut
    item->setImage(squareImage(16, Qt::red));
    EXPECT_EQ(NTXContextMenuToolbarItem::imageWidth(item->regularImage()), 32);
    EXPECT_EQ(NTXContextMenuToolbarItem::imageWidth(item->smallImage()), 24);

    // in the small size mode setImage shows the small copy
    NTXContextMenuToolbarItem::setToolbarSizeMode(bar, NTXContextMenuToolbarItem::SizeModeSmall);
    item->setImage(squareImage(64, Qt::blue));
    EXPECT_EQ(NTXContextMenuToolbarItem::imageWidth(item->image()), 24);

    // validation swaps: regular mode brings back the 32-point image ...
    NTXContextMenuToolbarItem::setToolbarSizeMode(bar, NTXContextMenuToolbarItem::SizeModeRegular);
    item->validate();
    EXPECT_EQ(NTXContextMenuToolbarItem::imageWidth(item->image()), 32);
    // ... small mode the 24-point copy ...
    NTXContextMenuToolbarItem::setToolbarSizeMode(bar, NTXContextMenuToolbarItem::SizeModeSmall);
    item->validate();
    EXPECT_EQ(NTXContextMenuToolbarItem::imageWidth(item->image()), 24);
    // ... and the default mode leaves the image as it is
    NTXContextMenuToolbarItem::setToolbarSizeMode(bar, NTXContextMenuToolbarItem::SizeModeDefault);
    item->validate();
    EXPECT_EQ(NTXContextMenuToolbarItem::imageWidth(item->image()), 24);

    // an unknown mode counts as the default
    NTXContextMenuToolbarItem::setToolbarSizeMode(bar, 7);
    EXPECT_EQ(NTXContextMenuToolbarItem::toolbarSizeMode(bar), NTXContextMenuToolbarItem::SizeModeDefault);
    // no image: nothing to swap, nothing breaks
    NTXContextMenuToolbarItem bare(QStringLiteral("Bare"));
    bare.setImage(QIcon());
    bare.validate();
    EXPECT_TRUE(bare.image().isNull());
}

TEST(ContextMenuToolbarItem, TheDelegatesToolbarValidationDecides)
{
    QMainWindow window;
    QToolBar *bar = window.addToolBar(QStringLiteral("Main"));
    auto *item = new NTXContextMenuToolbarItem(QStringLiteral("StartStopButton"), &window);
    bar->addAction(item);
    ToolbarValidatingDelegate delegate;
    NTXContextMenuToolbarItem::setToolbarDelegate(bar, &delegate);
    EXPECT_EQ(NTXContextMenuToolbarItem::toolbarDelegate(bar), &delegate);

    delegate.answer = false;
    item->validate();
    EXPECT_FALSE(item->isEnabled());
    EXPECT_FALSE(item->button()->isEnabled());
    EXPECT_EQ(delegate.asked, 1);
    EXPECT_EQ(delegate.lastItem, item);
    EXPECT_EQ(delegate.askedGeneric, 0) << "the general question is only the fallback";

    delegate.answer = true;
    item->validate();
    EXPECT_TRUE(item->isEnabled());
    EXPECT_TRUE(item->button()->isEnabled());
}

TEST(ContextMenuToolbarItem, OtherwiseTheGeneralValidationThenEnabled)
{
    QMainWindow window;
    QToolBar *bar = window.addToolBar(QStringLiteral("Main"));
    auto *item = new NTXContextMenuToolbarItem(QStringLiteral("Other"), &window);
    bar->addAction(item);

    GenericValidatingDelegate generic;
    NTXContextMenuToolbarItem::setToolbarDelegate(bar, &generic);
    generic.answer = false;
    item->validate();
    EXPECT_FALSE(item->isEnabled());
    EXPECT_EQ(generic.lastItem, item);
    generic.answer = true;
    item->validate();
    EXPECT_TRUE(item->isEnabled());

    // a delegate that answers neither question leaves the item enabled
    QObject silent;
    NTXContextMenuToolbarItem::setToolbarDelegate(bar, &silent);
    item->setEnabled(false);
    item->validate();
    EXPECT_TRUE(item->isEnabled());
}

TEST(ContextMenuToolbarItem, WithoutADelegateTheReceiverOfTheActionDecides)
{
    RespondingWindow window;
    auto *bar = new QToolBar(&window);
    auto *item = new NTXContextMenuToolbarItem(QStringLiteral("StartStopButton"), &window);
    bar->addAction(item);
    item->setAction("toggleTimer:");

    // the target responds / does not
    Receiver receiver;
    item->setTarget(&receiver);
    item->validate();
    EXPECT_TRUE(item->isEnabled());
    QObject deaf;
    item->setTarget(&deaf);
    item->validate();
    EXPECT_FALSE(item->isEnabled());

    // no target: the first responder of the window (the window while nothing has focus)
    item->setTarget(nullptr);
    item->validate();
    EXPECT_TRUE(item->isEnabled());
    item->setAction("unknownAction:");
    item->validate();
    EXPECT_FALSE(item->isEnabled());

    // an item without an action keeps what it was given
    item->setAction(QByteArray());
    item->setEnabled(false);
    item->validate();
    EXPECT_FALSE(item->isEnabled());
    item->setEnabled(true);
    item->validate();
    EXPECT_TRUE(item->isEnabled());
}

TEST(ContextMenuToolbarItem, ADeletedDelegateLeavesTheToolbarWithoutOne)
{
    QMainWindow window;
    QToolBar *bar = window.addToolBar(QStringLiteral("Main"));
    auto *item = new NTXContextMenuToolbarItem(QStringLiteral("StartStopButton"), &window);
    bar->addAction(item);
    auto *delegate = new ToolbarValidatingDelegate;
    delegate->answer = false;
    NTXContextMenuToolbarItem::setToolbarDelegate(bar, delegate);
    item->validate();
    EXPECT_FALSE(item->isEnabled());
    delete delegate;
    EXPECT_EQ(NTXContextMenuToolbarItem::toolbarDelegate(bar), nullptr);
    item->validate(); // no delegate, no action: the state stays
    EXPECT_FALSE(item->isEnabled());

    // replacing a delegate drops the old one's hold on the toolbar
    ToolbarValidatingDelegate first;
    ToolbarValidatingDelegate second;
    NTXContextMenuToolbarItem::setToolbarDelegate(bar, &first);
    NTXContextMenuToolbarItem::setToolbarDelegate(bar, &second);
    EXPECT_EQ(NTXContextMenuToolbarItem::toolbarDelegate(bar), &second);
    NTXContextMenuToolbarItem::setToolbarDelegate(nullptr, &first); // no toolbar: nothing
    EXPECT_EQ(NTXContextMenuToolbarItem::toolbarDelegate(nullptr), nullptr);
}

TEST(ContextMenuToolbarItem, ValidatesBeforeShowingAndWhenItsWindowUpdates)
{
    QMainWindow window;
    QToolBar *bar = window.addToolBar(QStringLiteral("Main"));
    auto *item = new NTXContextMenuToolbarItem(QStringLiteral("StartStopButton"), &window);
    bar->addAction(item);
    ToolbarValidatingDelegate delegate;
    delegate.answer = false;
    NTXContextMenuToolbarItem::setToolbarDelegate(bar, &delegate);
    window.show();
    EXPECT_GE(delegate.asked, 1);
    EXPECT_FALSE(item->isEnabled()) << "validated before it showed";

    delegate.answer = true;
    const int before = delegate.asked;
    item->windowDidUpdate();
    EXPECT_EQ(delegate.asked, before + 1);
    EXPECT_TRUE(item->isEnabled());

    // A click anywhere in the window updates it; another window's update does not count.
    delegate.answer = false;
    QWidget elsewhere;
    elsewhere.show();
    QTest::mouseClick(&elsewhere, Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_TRUE(item->isEnabled());
    QTest::mouseClick(bar, Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !item->isEnabled(); }, 5000));

    window.hide();
    const int hidden = delegate.asked;
    item->windowDidUpdate();
    EXPECT_EQ(delegate.asked, hidden) << "hidden items are not validated";
}

TEST(ContextMenuToolbarItem, Picture)
{
    QMainWindow window;
    QToolBar *bar = window.addToolBar(QStringLiteral("Main"));
    window.setCentralWidget(new QWidget);
    window.resize(260, 90);
    ToolbarValidatingDelegate delegate;
    NTXContextMenuToolbarItem::setToolbarDelegate(bar, &delegate);
    QMenu menu(&window);
    menu.addAction(QStringLiteral("Start"));
    menu.addAction(QStringLiteral("Stop"));
    const QList<QColor> colours{QColor(60, 150, 60), QColor(200, 70, 60), QColor(70, 110, 200)};
    for (int i = 0; i < colours.size(); ++i) {
        auto *item = new NTXContextMenuToolbarItem(QStringLiteral("Item%1").arg(i), &window);
        QPixmap pixmap(64, 64);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setBrush(colours.at(i));
        painter.setPen(Qt::NoPen);
        painter.drawEllipse(QRectF(4, 4, 56, 56));
        painter.end();
        item->setImage(QIcon(pixmap));
        item->setMenu(&menu);
        bar->addAction(item);
    }
    window.show();
    const QImage picture = window.grab().toImage();
    const QString path = testsupport::screenshotPath(QStringLiteral("context_menu_toolbar.png"));
    ASSERT_TRUE(picture.save(path));
}

#include "TestContextMenuToolbarItem.moc"
