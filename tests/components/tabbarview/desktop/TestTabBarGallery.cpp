// A gallery of tab buttons in the built-in look on a real X server: close buttons
// (at rest, under the pointer, of an edited tab), icons, counters, a spinning
// indicator, hover-only close buttons, a vertical tab with a large image, the overflow
// button and a drag image with its progress mark; a torn-off tab's miniwindow over a
// white window, without a compositing manager and with one. The screenshots are
// written for people to look at ($CHRONARK_SCREENSHOT_DIR, else the temporary folder).
#include "tests/support/TestSupport.h"
#include "tests/components/tabbarview/TabBarTestSupport.h"

#include "components/tabbarview/KZAttachedTabBarButton.h"
#include "components/tabbarview/KZOverflowPopUpButton.h"
#include "components/tabbarview/KZProgressIndicator.h"
#include "components/tabbarview/KZTabBarView.h"
#include "components/tabbarview/KZTabDragWindowController.h"
#include "components/tabbarview/KZTabStyle.h"
#include "platform/drawing/BundleImages.h"

#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <cstdlib>

namespace {

// The built-in look with close-button images: the only operation it implements.
class CloseImagesStyle : public KZTabStyle
{
public:
    QString name() const override { return QStringLiteral("Gallery"); }
    std::optional<QIcon> closeButtonImageOfType(unsigned type, const KZTabBarButtonCell &) override
    {
        const QString name = QStringLiteral("galleryClose%1").arg(type);
        platform::BundleImages::registerImage(QStringLiteral("Gallery"), name, QSizeF(12, 12),
                                              [type](QPainter &painter, const QSizeF &size) {
            const QColor fills[] = {QColor(150, 150, 150), QColor(200, 60, 60), QColor(140, 30, 30)};
            painter.setPen(Qt::NoPen);
            painter.setBrush(fills[type % 3]);
            painter.drawEllipse(QRectF(QPointF(0, 0), size));
            painter.setPen(QPen(Qt::white, 1.5, Qt::SolidLine, Qt::RoundCap));
            if (type >= 3 && type != 4) { // edited: a dot instead of a cross
                painter.setBrush(Qt::white);
                painter.drawEllipse(QRectF(size.width() * 0.35, size.height() * 0.35, size.width() * 0.3,
                                           size.height() * 0.3));
                return;
            }
            painter.drawLine(QPointF(3.5, 3.5), QPointF(size.width() - 3.5, size.height() - 3.5));
            painter.drawLine(QPointF(size.width() - 3.5, 3.5), QPointF(3.5, size.height() - 3.5));
        });
        return platform::BundleImages::imageNamed(QStringLiteral("Gallery"), name);
    }
};

QIcon documentIcon(const QColor &colour)
{
    const QString name = QStringLiteral("doc") + colour.name();
    platform::BundleImages::registerImage(QStringLiteral("Gallery"), name, QSizeF(16, 16),
                                          [colour](QPainter &painter, const QSizeF &) {
        painter.setPen(QPen(colour.darker(150), 1));
        painter.setBrush(colour);
        painter.drawRoundedRect(QRectF(2.5, 1.5, 11, 13), 2, 2);
    });
    return platform::BundleImages::imageNamed(QStringLiteral("Gallery"), name);
}

KZTabBarView *bar(QWidget *parent, int width, unsigned orientation = KZTabBarView::Horizontal)
{
    auto *view = new KZTabBarView(parent);
    view->setFixedSize(width, orientation == KZTabBarView::Horizontal ? 22 : 48);
    view->setOrientation(orientation);
    view->setAutoFillBackground(true);
    QPalette palette = view->palette();
    palette.setColor(QPalette::Window, QColor(214, 218, 226));
    view->setPalette(palette);
    view->setStyle(std::make_shared<CloseImagesStyle>());
    return view;
}

KZAttachedTabBarButton *tab(KZTabBarView *owner, int x, int width, const QString &title)
{
    auto *button = new KZAttachedTabBarButton(QRect(x, 0, width, owner->height()), platform::TabViewItem::create(), owner);
    button->setStyle(owner->style());
    button->setTitle(title);
    return button;
}

} // namespace

TEST(TabBarGallery, TabButtonsInTheBuiltInLook)
{
    QWidget window;
    window.setWindowTitle(QStringLiteral("Tab buttons"));
    auto *layout = new QVBoxLayout(&window);
    layout->setSpacing(8);

    layout->addWidget(new QLabel(QStringLiteral("Close, icon, counter, indicator, edited, hovered close")));
    KZTabBarView *first = bar(&window, 720);
    tab(first, 0, 110, QStringLiteral("Plain"));
    tab(first, 110, 130, QStringLiteral("With icon"))->setIcon(documentIcon(QColor(120, 170, 230)));
    KZAttachedTabBarButton *counted = tab(first, 240, 130, QStringLiteral("Inbox"));
    counted->setShowObjectCount(true);
    counted->setObjectCount(7);
    KZAttachedTabBarButton *busy = tab(first, 370, 130, QStringLiteral("Loading"));
    busy->setIsProcessing(true);
    busy->setShowObjectCount(true);
    busy->setObjectCount(128);
    busy->setObjectCountColor(QColor(40, 110, 200));
    tab(first, 500, 110, QStringLiteral("Edited"))->setIsEdited(true);
    KZAttachedTabBarButton *hovered = tab(first, 610, 110, QStringLiteral("Hovered"));
    layout->addWidget(first);

    layout->addWidget(new QLabel(QStringLiteral("Close on hover only: the first tab is under the pointer")));
    KZTabBarView *second = bar(&window, 720);
    second->setOnlyShowCloseOnHover(true);
    KZAttachedTabBarButton *underPointer = tab(second, 0, 140, QStringLiteral("Under the pointer"));
    underPointer->setIcon(documentIcon(QColor(230, 170, 90)));
    tab(second, 140, 140, QStringLiteral("Elsewhere"))->setIcon(documentIcon(QColor(230, 170, 90)));
    KZAttachedTabBarButton *lone = tab(second, 280, 60, QString());
    lone->setIcon(documentIcon(QColor(140, 200, 120)));
    lone->setHasCloseButton(false);
    tab(second, 340, 330, QStringLiteral("A very long title that does not fit into its tab at all"));
    auto *overflow = new KZOverflowPopUpButton(second);
    overflow->setFrame(QRect(690, 0, 14, 22));
    layout->addWidget(second);

    layout->addWidget(new QLabel(QStringLiteral("Vertical bar: large image; drag image of a processing tab")));
    auto *row = new QWidget(&window);
    auto *rowLayout = new QHBoxLayout(row);
    rowLayout->setContentsMargins(0, 0, 0, 0);
    KZTabBarView *vertical = bar(row, 200, KZTabBarView::Vertical);
    KZAttachedTabBarButton *large = tab(vertical, 0, 200, QStringLiteral("Large image"));
    large->setLargeImage(tabbartest::squareIcon(40, QColor(90, 160, 110)));
    rowLayout->addWidget(vertical);
    auto *dragLabel = new QLabel(row);
    rowLayout->addWidget(dragLabel);
    rowLayout->addStretch();
    layout->addWidget(row);

    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    hovered->closeButton()->rolloverCell()->mouseEntered(Qt::NoModifier);
    underPointer->rolloverCell()->mouseEntered(Qt::NoModifier);
    busy->setStackingFrame(QRectF(busy->geometry()));
    const QImage drag = busy->dragImage();
    dragLabel->setPixmap(QPixmap::fromImage(drag));
    testsupport::settleEvents();

    // What the picture must show.
    EXPECT_FALSE(hovered->closeButton()->isHidden());
    EXPECT_TRUE(busy->indicator()->isAnimating());
    EXPECT_FALSE(underPointer->closeButton()->isHidden());
    EXPECT_TRUE(second->attachedButtons()[1]->closeButton()->isHidden());
    EXPECT_FALSE(large->tabCell()->largeImageRectForBounds(QRectF(large->rect())).isEmpty());
    EXPECT_EQ(drag.size(), busy->size());

    const QImage shot = window.grab().toImage();
    ASSERT_TRUE(shot.save(testsupport::screenshotPath(QStringLiteral("tabbarview-buttons.png"))));
}

namespace {

// Stands in for a compositing manager of screen 0 while it lives: it owns the
// selection _NET_WM_CM_S0 through a window of its own (on Qt's connection, so that
// what the program asks next sees it).
class CompositingManagerStandIn
{
public:
    CompositingManagerStandIn()
    {
        auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
        m_connection = x11->connection();
        const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
        m_window = xcb_generate_id(m_connection);
        xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, m_window, screen->root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
        const char name[] = "_NET_WM_CM_S0";
        xcb_intern_atom_reply_t *atom = xcb_intern_atom_reply(
            m_connection, xcb_intern_atom(m_connection, 0, uint16_t(sizeof name - 1), name), nullptr);
        xcb_set_selection_owner(m_connection, m_window, atom->atom, XCB_CURRENT_TIME);
        std::free(atom);
        xcb_flush(m_connection);
    }
    ~CompositingManagerStandIn()
    {
        xcb_destroy_window(m_connection, m_window); // gives the selection up
        xcb_flush(m_connection);
    }

private:
    xcb_connection_t *m_connection = nullptr;
    xcb_window_t m_window = 0;
};

// What the screen shows of a rectangle, one pixel a point (at any scale factor).
QImage onScreen(const QRect &rect)
{
    const QImage shot =
        QGuiApplication::primaryScreen()->grabWindow(0, rect.x(), rect.y(), rect.width(), rect.height()).toImage();
    return shot.scaled(rect.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

// A torn-off tab's miniwindow over a white window. This X server composites nothing:
// the miniwindow keeps no room for a shadow (which would show as a black frame) and
// the white around the tab stays white; its image switch ends at the other image's
// size. With a compositing manager it has the shadow's room on every side.
TEST(TabBarGallery, TornOffTabsMiniwindowOverAWhiteWindow)
{
    ASSERT_FALSE(platform::DragWindow::desktopCompositesTranslucentWindows()) << "no compositing manager here";
    QWidget backdrop;
    backdrop.setWindowTitle(QStringLiteral("Backdrop"));
    QPalette palette = backdrop.palette();
    palette.setColor(QPalette::Window, Qt::white);
    backdrop.setPalette(palette);
    backdrop.setAutoFillBackground(true);
    backdrop.setGeometry(100, 100, 300, 200);
    backdrop.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&backdrop));

    QImage tab(80, 22, QImage::Format_ARGB32_Premultiplied);
    tab.fill(QColor(60, 110, 200));
    QImage mini(60, 40, QImage::Format_ARGB32_Premultiplied);
    mini.fill(QColor(200, 80, 60));
    KZTabDragWindowController controller(tab, 0, KZTabDragWindowController::KZTearOffStyleMiniwindow);
    platform::DragWindow *window = controller.window();
    EXPECT_TRUE(window->hasShadow());
    EXPECT_EQ(window->shadowMargin(), 0);
    const QRect content(backdrop.mapToGlobal(QPoint(110, 80)), QSize(80, 22));
    window->setTopLeft(content.topLeft());
    window->show();
    QTRY_VERIFY(window->isVisible());
    EXPECT_EQ(window->geometry(), content);
    // The window's picture on the screen: the tab's colour at its middle.
    const QRect around = content.adjusted(-12, -12, 12, 12);
    QTRY_COMPARE(onScreen(around).pixel(12 + 40, 12 + 11), qRgb(60, 110, 200));
    const QImage shot = onScreen(around);
    ASSERT_TRUE(shot.save(testsupport::screenshotPath(QStringLiteral("tabdrag-miniwindow.png"))));
    // Just outside the tab, on every side: the white window below, no black frame.
    for (const QPoint p : {QPoint(12 + 40, 12 - 2), QPoint(12 + 40, 12 + 22 + 1), QPoint(12 - 2, 12 + 11),
                           QPoint(12 + 80 + 1, 12 + 11), QPoint(2, 2)})
        EXPECT_EQ(shot.pixel(p), qRgb(255, 255, 255)) << p.x() << "," << p.y();

    // The switch to the window's picture ends at its size, centred on the pointer.
    controller.setAlternateImage(mini);
    QCursor::setPos(content.center());
    QTRY_COMPARE(QCursor::pos(), content.center());
    controller.switchImages();
    QTRY_VERIFY(!controller.isAnimating());
    EXPECT_EQ(window->size(), QSize(60, 40));
    EXPECT_EQ(window->pos(), content.center() - QPoint(30, 20));

    {
        const CompositingManagerStandIn compositor;
        ASSERT_TRUE(platform::DragWindow::desktopCompositesTranslucentWindows());
        KZTabDragWindowController composited(tab, 0, KZTabDragWindowController::KZTearOffStyleMiniwindow);
        const int m = composited.window()->shadowMargin();
        EXPECT_EQ(m, platform::DragWindow::ShadowMargin);
        composited.window()->setTopLeft(content.topLeft());
        EXPECT_EQ(composited.window()->geometry(), content.adjusted(-m, -m, m, m));
        EXPECT_EQ(composited.window()->dragView()->geometry(), QRect(QPoint(m, m), QSize(80, 22)));
    }
    EXPECT_FALSE(platform::DragWindow::desktopCompositesTranslucentWindows()) << "the stand-in gave the selection up";
}

} // namespace
