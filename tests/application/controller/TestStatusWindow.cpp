// The hot-key status window: the borderless see-through window and its rounded panel.
// Panel geometry is checked in the panel's own y-up numbers; pixels in the image's
// y-down rows.
#include "tests/support/TestSupport.h"
#include "application/controller/RoundedView.h"
#include "application/controller/TransparentWindow.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {

// The view's pixels at the view's own positions; with a region, only that part is
// painted (a partial redraw).
QImage renderView(QWidget &view, const QRegion &region = QRegion())
{
    QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    const QPoint offset = region.isEmpty() ? QPoint() : region.boundingRect().topLeft();
    view.render(&image, offset, region, QWidget::DrawChildren);
    return image;
}

int alphaAt(const QImage &image, int x, int y)
{
    return qAlpha(image.pixel(x, y));
}

constexpr int PanelAlpha = 89; // 0.35 × 255, rounded down

} // namespace

// ---- The window ----

TEST(TransparentWindow, IsABorderlessToolWindowAboveOthersWithoutShadowOrFocus)
{
    TransparentWindow window(QRect(40, 60, 300, 110));
    const Qt::WindowFlags flags = window.windowFlags();
    EXPECT_TRUE(window.isWindow());
    EXPECT_TRUE(flags & Qt::FramelessWindowHint);
    EXPECT_TRUE(flags & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(flags & Qt::NoDropShadowWindowHint);
    EXPECT_TRUE(flags & Qt::WindowDoesNotAcceptFocus);
    EXPECT_EQ(window.windowType(), Qt::Tool);
    EXPECT_TRUE(window.testAttribute(Qt::WA_TranslucentBackground));
    EXPECT_TRUE(window.testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_FALSE(window.autoFillBackground());
    EXPECT_FALSE(window.isOpaque());
    EXPECT_FALSE(window.hasShadow());
    EXPECT_DOUBLE_EQ(window.windowOpacity(), 1.0);
}

TEST(TransparentWindow, KeepsTheContentRectangle)
{
    TransparentWindow window(QRect(40, 60, 300, 110));
    EXPECT_EQ(window.contentRect(), QRect(40, 60, 300, 110));
    window.show();
    EXPECT_EQ(window.geometry().size(), QSize(300, 110));
}

TEST(TransparentWindow, ContentViewFillsTheWindowAndFollowsItsSize)
{
    TransparentWindow window(QRect(0, 0, 200, 80));
    auto *panel = new RoundedView;
    window.setContentView(panel);
    EXPECT_EQ(window.contentView(), panel);
    EXPECT_EQ(panel->parentWidget(), &window);
    EXPECT_EQ(panel->geometry(), QRect(0, 0, 200, 80));

    window.show();
    window.resize(260, 90);
    EXPECT_EQ(panel->geometry(), QRect(0, 0, 260, 90));

    // a new content view replaces (and frees) the old one
    QPointer<QWidget> old(panel);
    auto *second = new RoundedView;
    window.setContentView(second);
    EXPECT_TRUE(old.isNull());
    EXPECT_EQ(second->geometry(), QRect(0, 0, 260, 90));

    window.setContentView(nullptr);
    EXPECT_EQ(window.contentView(), nullptr);
}

TEST(TransparentWindow, CentresOnItsScreen)
{
    TransparentWindow window(QRect(0, 0, 200, 80));
    window.center();
    QScreen *screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    const QPoint middle = window.geometry().center();
    EXPECT_LE(std::abs(middle.x() - screen->geometry().center().x()), 1);
    EXPECT_LE(std::abs(middle.y() - screen->geometry().center().y()), 1);
}

// ---- The panel's outline ----

TEST(RoundedViewPath, StartsAtTheMiddleOfTheBottomEdgeAndCoversTheRectangle)
{
    const QPainterPath path = RoundedView::panelPath(QRectF(0, 0, 300, 110));
    ASSERT_GT(path.elementCount(), 0);
    EXPECT_EQ(QPointF(path.elementAt(0)), QPointF(150, 0));
    EXPECT_EQ(path.boundingRect(), QRectF(0, 0, 300, 110));
    // the middles of the four edges lie on the outline
    for (const QPointF &p : {QPointF(150, 0.01), QPointF(299.99, 55), QPointF(150, 109.99), QPointF(0.01, 55)})
        EXPECT_TRUE(path.contains(p)) << p.x() << "," << p.y();
    // the corners are cut away by arcs of radius 25
    for (const QPointF &p : {QPointF(1, 1), QPointF(299, 1), QPointF(299, 109), QPointF(1, 109)})
        EXPECT_FALSE(path.contains(p)) << p.x() << "," << p.y();
    // on the arc: 25 − 25/√2 ≈ 7.3 from each side at 45°
    EXPECT_FALSE(path.contains(QPointF(6.5, 6.5)));
    EXPECT_TRUE(path.contains(QPointF(8.2, 8.2)));
    // where the arcs end the edges are straight
    EXPECT_TRUE(path.contains(QPointF(25.5, 0.2)));
    EXPECT_TRUE(path.contains(QPointF(0.2, 25.5)));
}

TEST(RoundedViewPath, CutsEveryCoordinateToWholePointsTowardZero)
{
    // x + w/2 = 10.7 + 60.45 = 71.15 → 71; x + w = 131.6 → 131; y + h = 77.9 → 77
    const QPainterPath path = RoundedView::panelPath(QRectF(10.7, 2.3, 120.9, 75.6));
    ASSERT_GT(path.elementCount(), 0);
    EXPECT_EQ(QPointF(path.elementAt(0)), QPointF(71, 2));
    EXPECT_EQ(path.boundingRect(), QRectF(QPointF(10, 2), QPointF(131, 77)));

    // negative coordinates are cut toward zero, not down
    const QPainterPath negative = RoundedView::panelPath(QRectF(-10.5, -20.5, 100, 60));
    EXPECT_EQ(QPointF(negative.elementAt(0)), QPointF(39, -20));
    EXPECT_EQ(negative.boundingRect().left(), -10);
    EXPECT_EQ(negative.boundingRect().right(), 89);
}

TEST(RoundedViewPath, SmallPanelsStayRoundWithoutCrossingArcs)
{
    // narrower than two radii: the arcs meet at the middle of the short sides
    const QPainterPath path = RoundedView::panelPath(QRectF(0, 0, 30, 20));
    EXPECT_EQ(path.boundingRect(), QRectF(0, 0, 30, 20));
    EXPECT_TRUE(path.contains(QPointF(15, 10)));
    EXPECT_FALSE(path.contains(QPointF(1, 1)));
    // a path whose arcs overshoot crosses itself and leaves holes with the odd-even
    // fill; a sound one is filled all along the middle line
    for (qreal x = 1; x < 30; x += 1)
        EXPECT_TRUE(path.contains(QPointF(x, 10))) << x;
}

TEST(RoundedViewPath, EmptyOrBrokenRectanglesGiveNoPath)
{
    EXPECT_TRUE(RoundedView::panelPath(QRectF()).isEmpty());
    EXPECT_TRUE(RoundedView::panelPath(QRectF(0, 0, 0, 50)).isEmpty());
    EXPECT_TRUE(RoundedView::panelPath(QRectF(0, 0, -10, 50)).isEmpty());
    const qreal nan = std::numeric_limits<qreal>::quiet_NaN();
    const qreal inf = std::numeric_limits<qreal>::infinity();
    EXPECT_TRUE(RoundedView::panelPath(QRectF(nan, 0, 10, 10)).isEmpty());
    EXPECT_TRUE(RoundedView::panelPath(QRectF(0, 0, inf, 10)).isEmpty());
}

// ---- The panel's pixels ----

TEST(RoundedViewPixels, BlackAtAThirdOpacityWithClearCorners)
{
    RoundedView view;
    view.resize(200, 100);
    const QImage image = renderView(view);

    // the middle and the middles of the edges: black at alpha 0.35
    for (const QPoint &p : {QPoint(100, 50), QPoint(100, 0), QPoint(100, 99), QPoint(0, 50), QPoint(199, 50)}) {
        const QRgb pixel = image.pixel(p);
        EXPECT_NEAR(qAlpha(pixel), PanelAlpha, 1) << p.x() << "," << p.y();
        EXPECT_EQ(qRed(pixel), 0);
        EXPECT_EQ(qGreen(pixel), 0);
        EXPECT_EQ(qBlue(pixel), 0);
    }
    // the corners and just inside them: clear
    for (const QPoint &p : {QPoint(0, 0), QPoint(199, 0), QPoint(0, 99), QPoint(199, 99), QPoint(4, 4),
                            QPoint(195, 95), QPoint(195, 4), QPoint(4, 95)})
        EXPECT_EQ(alphaAt(image, p.x(), p.y()), 0) << p.x() << "," << p.y();
    // inside the arcs: filled
    for (const QPoint &p : {QPoint(10, 10), QPoint(189, 89), QPoint(189, 10), QPoint(10, 89)})
        EXPECT_NEAR(alphaAt(image, p.x(), p.y()), PanelAlpha, 1) << p.x() << "," << p.y();
    // the straight edges begin where the arcs end, 25 points from the corners
    EXPECT_NEAR(alphaAt(image, 26, 0), PanelAlpha, 1);
    EXPECT_NEAR(alphaAt(image, 0, 26), PanelAlpha, 1);
    EXPECT_LT(alphaAt(image, 2, 2), 10);
}

TEST(RoundedViewPixels, APartialRedrawKeepsTheCornersWhereTheyAre)
{
    RoundedView view;
    view.resize(200, 100);
    // redraw only the middle band: its corners are inside the panel, not rounded
    const QImage image = renderView(view, QRegion(50, 0, 100, 100));
    EXPECT_NEAR(alphaAt(image, 51, 1), PanelAlpha, 1);
    EXPECT_NEAR(alphaAt(image, 148, 98), PanelAlpha, 1);
    // outside the dirty band nothing is drawn
    EXPECT_EQ(alphaAt(image, 30, 50), 0);
    EXPECT_EQ(alphaAt(image, 170, 50), 0);
}

TEST(RoundedViewPixels, FollowsTheViewsSize)
{
    RoundedView view;
    view.resize(120, 60);
    const QImage small = renderView(view);
    EXPECT_NEAR(alphaAt(small, 60, 0), PanelAlpha, 1);
    EXPECT_NEAR(alphaAt(small, 119, 30), PanelAlpha, 1);
    EXPECT_EQ(alphaAt(small, 119, 59), 0);
}

// ---- What the user sees ----

TEST(StatusWindowPicture, PanelWithTheTwoTextsOverADesktop)
{
    TransparentWindow window(QRect(0, 0, 300, 110));
    auto *panel = new RoundedView;
    auto *layout = new QVBoxLayout(panel);
    layout->setContentsMargins(20, 16, 20, 16);
    auto *state = new QLabel(QStringLiteral("Counter started"));
    QFont big = state->font();
    big.setPointSizeF(big.pointSizeF() * 1.8);
    big.setBold(true);
    state->setFont(big);
    state->setAlignment(Qt::AlignCenter);
    state->setStyleSheet(QStringLiteral("color: rgb(80, 140, 255)"));
    auto *job = new QLabel(QStringLiteral("Clients/Acme"));
    job->setAlignment(Qt::AlignCenter);
    job->setStyleSheet(QStringLiteral("color: white"));
    layout->addWidget(state);
    layout->addWidget(job);
    window.setContentView(panel);
    window.show();

    QImage content(window.size(), QImage::Format_ARGB32_Premultiplied);
    content.fill(Qt::transparent);
    window.render(&content, QPoint(), QRegion(), QWidget::DrawChildren);
    // corners stay clear in the window too
    EXPECT_EQ(qAlpha(content.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(content.pixel(299, 109)), 0);
    EXPECT_GE(qAlpha(content.pixel(150, 3)), PanelAlpha - 1);

    // over a light, patterned desktop so that the see-through panel shows
    QImage picture(340, 150, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&picture);
    for (int y = 0; y < picture.height(); y += 10)
        for (int x = 0; x < picture.width(); x += 10)
            painter.fillRect(x, y, 10, 10, ((x + y) / 10) % 2 ? QColor(225, 232, 240) : QColor(190, 205, 220));
    painter.drawImage(20, 20, content);
    painter.end();
    const QString path = testsupport::screenshotPath(QStringLiteral("status_window.png"));
    ASSERT_TRUE(picture.save(path));
}
