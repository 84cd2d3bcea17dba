#include "components/attachedwindow/FXAttachedWindow.h"

#include "platform/drawing/BezierPathHelpers.h"
#include "platform/drawing/ScreenCoordinates.h"
#include "platform/drawing/YUpPainter.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QApplication>
#include <QEvent>
#include <QLoggingCategory>
#include <QPainter>
#include <QRegion>
#include <algorithm>
#include <cmath>

using platform::ScreenCoordinates;

Q_LOGGING_CATEGORY(lcAttachedWindow, "chronark.attachedwindow")

namespace {

// The side of the largest screen there is when no screen is known.
constexpr qreal FallbackScreenSide = 16384.0;

// What a screen can show: the largest width and height of the screens.
QSizeF largestScreen()
{
    QSizeF largest;
    for (const ScreenCoordinates::Screen &screen : ScreenCoordinates::screens())
        largest = largest.expandedTo(QSizeF(screen.frame.size()));
    if (largest.width() < 1 || largest.height() < 1)
        return QSizeF(FallbackScreenSide, FallbackScreenSide);
    return largest;
}

// A length of the callout (margin, arrow, corner, border, distance) no longer than a
// screen's larger side: a window built of it stays within what a screen can show.
qreal screenLength(qreal value)
{
    const QSizeF screen = largestScreen();
    const qreal limit = std::max(screen.width(), screen.height());
    return std::clamp(value, -limit, limit);
}

// Where a point may lie: far off every screen, but where a window's coordinates are
// still whole numbers.
constexpr qreal CoordinateLimit = 1.0e6;

QPointF boundedPoint(const QPointF &point)
{
    return QPointF(std::clamp(point.x(), -CoordinateLimit, CoordinateLimit),
                   std::clamp(point.y(), -CoordinateLimit, CoordinateLimit));
}

// A value that is not a finite number is refused, said in the log, and changes nothing.
bool refusesValue(qreal value, const char *what)
{
    if (std::isfinite(value))
        return false;
    qCInfo(lcAttachedWindow).nospace() << "attached window: " << what << " of " << value
                                       << " refused: not a finite number";
    return true;
}

// A length (margin, border, arrow, corner) below zero is refused the same way: the
// box and the window would turn inside out.
bool refusesLength(qreal value, const char *what)
{
    if (refusesValue(value, what))
        return true;
    if (value >= 0)
        return false;
    qCInfo(lcAttachedWindow).nospace() << "attached window: " << what << " of " << value
                                       << " refused: a length below zero";
    return true;
}

bool isOneOf(qint32 side, std::initializer_list<qint32> sides)
{
    return std::find(sides.begin(), sides.end(), side) != sides.end();
}

} // namespace

FXAttachedWindow *FXAttachedWindow::attach(QWidget *view, const QPointF &point, QWidget *window, qint32 side,
                                           qreal distance)
{
    if (!view)
        return nullptr;
    if (refusesValue(point.x(), "a point's x") || refusesValue(point.y(), "a point's y")
        || refusesValue(distance, "a distance"))
        return nullptr;
    return new FXAttachedWindow(view, point, window, side, distance);
}

FXAttachedWindow::FXAttachedWindow(QWidget *view, const QPointF &point, QWidget *window, qint32 side,
                                   qreal distance)
    : QWidget(window, Qt::Tool | Qt::FramelessWindowHint)
    , m_borderColor(Qt::darkGray)
    , m_backgroundColor(QApplication::palette().color(QPalette::Window))
    , m_view(view)
    , m_window(window)
    , m_point(boundedPoint(point))
    , m_side(side)
    , m_distance(screenLength(distance))
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAutoFillBackground(false);
    resize(view->size());
    if (m_side < Left || m_side > Automatic)
        m_side = Automatic;
    if (m_side == Automatic)
        m_side = bestSideForAutomaticPosition();
    updateGeometryForPoint();
    updateBackground();
    view->setParent(this);
    view->setGeometry(platform::YUpPainter::rectToView(m_viewFrame, m_frame.height()).toRect());
    view->show();
    if (window)
        window->installEventFilter(this);
}

FXAttachedWindow::~FXAttachedWindow()
{
    if (m_window)
        m_window->removeEventFilter(this);
}

void FXAttachedWindow::setBackgroundColor(const QBrush &color)
{
    if (color == m_backgroundColor)
        return;
    m_backgroundColor = color;
    updateBackground();
}

void FXAttachedWindow::setBackgroundImage(const QImage &image)
{
    if (!image.isNull())
        setBackgroundColor(QBrush(image));
}

void FXAttachedWindow::setBorderColor(const QColor &color)
{
    if (color == m_borderColor)
        return;
    m_borderColor = color;
    updateBackground();
}

void FXAttachedWindow::setBorderWidth(qreal width)
{
    // Zero or less draws no border, so a width below zero is taken as it is.
    if (width == m_borderWidth || refusesValue(width, "a border width"))
        return;
    m_borderWidth = std::min(width, m_viewMargin);
    updateBackground();
}

void FXAttachedWindow::setViewMargin(qreal margin)
{
    // A margin below zero is no margin.
    if (margin == m_viewMargin || refusesValue(margin, "a view margin"))
        return;
    m_viewMargin = std::max<qreal>(screenLength(margin), 0);
    setCornerRadius(m_cornerRadius);
}

void FXAttachedWindow::setArrowBaseWidth(qreal width)
{
    if (refusesLength(width, "an arrow base width"))
        return;
    const qreal smallerSide = std::min(m_viewFrame.width(), m_viewFrame.height());
    qreal limit = 2 * m_viewMargin + smallerSide - m_cornerRadius;
    if (m_drawsRoundCornerBesideArrow)
        limit -= m_cornerRadius;
    m_arrowBaseWidth = std::max<qreal>(std::min(screenLength(width), limit), 0);
    redisplay();
}

void FXAttachedWindow::setArrowHeight(qreal height)
{
    if (height == m_arrowHeight || refusesLength(height, "an arrow height"))
        return;
    m_arrowHeight = screenLength(height);
    redisplay();
}

void FXAttachedWindow::setHasArrow(qreal value)
{
    if (value == (m_hasArrow ? 1.0 : 0.0) || refusesValue(value, "a has-arrow flag"))
        return;
    m_hasArrow = std::trunc(value) != 0;
    updateBackground();
}

void FXAttachedWindow::setCornerRadius(qreal radius)
{
    // A radius below zero is a square corner: the limits below bring it to zero.
    if (refusesValue(radius, "a corner radius"))
        return;
    const qreal smallerSide = std::min(m_viewFrame.width(), m_viewFrame.height());
    const qreal limit = (2 * m_viewMargin + smallerSide - m_arrowBaseWidth) * 0.5;
    m_cornerRadius = std::max<qreal>(std::min(screenLength(radius), limit), 0);
    setArrowBaseWidth(m_arrowBaseWidth);
}

void FXAttachedWindow::setDrawsRoundCornerBesideArrow(qreal value)
{
    if (refusesValue(value, "a round-corner flag"))
        return;
    m_drawsRoundCornerBesideArrow = std::trunc(value) != 0;
    redisplay();
}

QSizeF FXAttachedWindow::shownViewSize() const
{
    const QSizeF size = m_view ? QSizeF(m_view->size()) : m_viewFrame.size();
    return size.boundedTo(largestScreen());
}

qreal FXAttachedWindow::arrowInset() const
{
    return m_arrowBaseWidth * 0.5 + (m_drawsRoundCornerBesideArrow ? m_cornerRadius : 0);
}

QPointF FXAttachedWindow::pointOnScreen() const
{
    if (!m_window)
        return m_point;
    const QRectF frame = ScreenCoordinates::rectFromQt(m_window->geometry());
    return frame.topLeft() + m_point; // y-up: topLeft() of a y-up rectangle is its origin
}

QRectF FXAttachedWindow::attachedFrame() const
{
    return m_window ? ScreenCoordinates::rectFromQt(m_window->frameGeometry()) : QRectF();
}

void FXAttachedWindow::updateGeometryForPoint()
{
    const qreal m = m_viewMargin;
    const qreal a = m_arrowHeight;
    const QSizeF viewSize = shownViewSize();
    const qreal contentWidth = viewSize.width() + 2 * m;
    const qreal contentHeight = viewSize.height() + 2 * m;

    m_viewFrame = QRectF(QPointF(m, m), viewSize);
    if (isOneOf(m_side, {Right, RightExtendingUp, RightExtendingDown}))
        m_viewFrame.translate(a, 0);
    if (isOneOf(m_side, {Above, AboveExtendingLeft, AboveExtendingRight}))
        m_viewFrame.translate(0, a);

    const bool horizontal = isOneOf(m_side, {Left, Right, LeftExtendingUp, LeftExtendingDown, RightExtendingUp,
                                             RightExtendingDown});
    const qreal w = horizontal ? contentWidth + a : contentWidth;
    const qreal h = horizontal ? contentHeight : contentHeight + a;

    const QPointF p = pointOnScreen();
    const qreal d = m_distance;
    const qreal i = arrowInset();
    QPointF origin;
    switch (m_side) {
    case Left: origin = {p.x() - w - d, p.y() - h / 2}; break;
    case Below: origin = {p.x() - w / 2, p.y() - h - d}; break;
    case Right: origin = {p.x() + d, p.y() - h / 2}; break;
    case Above: origin = {p.x() - w / 2, p.y() + d}; break;
    case LeftExtendingUp: origin = {p.x() - w - d, p.y() - i}; break;
    case LeftExtendingDown: origin = {p.x() - w - d, p.y() - h + i}; break;
    case RightExtendingUp: origin = {p.x() + d, p.y() - i}; break;
    case RightExtendingDown: origin = {p.x() + d, p.y() - h + i}; break;
    case AboveExtendingLeft: origin = {p.x() - w + i, p.y() + d}; break;
    case AboveExtendingRight: origin = {p.x() - i, p.y() + d}; break;
    case BelowExtendingLeft: origin = {p.x() - w + i, p.y() - h - d}; break;
    default: origin = {p.x() - i, p.y() - h - d}; break;
    }
    m_frame = QRectF(origin, QSizeF(w, h));
    setGeometry(ScreenCoordinates::rectToQt(m_frame).toRect());
    if (m_view)
        m_view->setGeometry(platform::YUpPainter::rectToView(m_viewFrame, h).toRect());
}

qint32 FXAttachedWindow::bestSideForAutomaticPosition() const
{
    const QSizeF viewSize = m_view ? shownViewSize() : QSizeF();
    const qreal w = viewSize.width() + 2 * m_viewMargin;
    const qreal h = viewSize.height() + 2 * m_viewMargin;
    const QPointF p = pointOnScreen();
    const QRectF f = m_window ? attachedFrame() : QRectF();
    const QRectF screen = m_window ? ScreenCoordinates::visibleFrameAt(f.center()) : ScreenCoordinates::mainVisibleFrame();
    const QRectF frame = m_window ? f : screen;
    const qreal reach = m_arrowHeight + m_distance;
    const qreal i = arrowInset();
    // y-up rectangles: top() is the bottom edge, bottom() the top edge.
    const qreal screenBottom = screen.top();
    const qreal screenTop = screen.bottom();
    const qreal frameBottom = frame.top();
    const qreal frameTop = frame.bottom();

    qint32 side = Below;
    if (screenBottom <= p.y() - h - reach)
        side = Below;
    else if (p.x() + w + reach < screen.right())
        side = Right;
    else if (screen.left() <= p.x() - w - reach)
        side = Left;
    else if (p.y() + h + reach < screenTop)
        side = Above;

    if (side == Left || side == Right) {
        if (frameBottom > p.y() - h / 2) {
            if (p.y() + h - i < screenTop)
                side = side == Left ? LeftExtendingUp : RightExtendingUp;
        } else if (p.y() + h / 2 >= frameTop && p.y() - h + i >= screenBottom) {
            side = side == Left ? LeftExtendingDown : RightExtendingDown;
        }
    } else {
        if (frame.left() > p.x() - w / 2) {
            if (p.x() + w - i < screen.right())
                side = side == Below ? BelowExtendingRight : AboveExtendingRight;
        } else if (p.x() + w / 2 >= frame.right() && p.x() - w + i >= screen.left()) {
            side = side == Below ? BelowExtendingLeft : AboveExtendingLeft;
        }
    }
    return side;
}

QPainterPath FXAttachedWindow::backgroundPath() const
{
    using platform::BezierPathHelpers::appendArcFromPoint;
    const QRectF c = m_viewFrame.adjusted(-m_viewMargin, -m_viewMargin, m_viewMargin, m_viewMargin);
    const qreal left = c.left();
    const qreal right = c.right();
    const qreal bottom = c.top(); // y-up
    const qreal top = c.bottom();
    const qreal midX = c.center().x();
    const qreal midY = c.center().y();
    const qreal r = m_cornerRadius;
    const qreal b = m_arrowBaseWidth;
    const bool beside = m_drawsRoundCornerBesideArrow;
    const bool roundTopLeft = r > 0 && (beside || !isOneOf(m_side, {RightExtendingDown, BelowExtendingRight}));
    const bool roundTopRight = r > 0 && (beside || !isOneOf(m_side, {LeftExtendingDown, BelowExtendingLeft}));
    const bool roundBottomRight = r > 0 && (beside || !isOneOf(m_side, {LeftExtendingUp, AboveExtendingLeft}));
    const bool roundBottomLeft = r > 0 && (beside || !isOneOf(m_side, {RightExtendingUp, AboveExtendingRight}));

    QPainterPath path;
    auto corner = [&path, r](bool rounded, const QPointF &point, const QPointF &towards) {
        if (rounded)
            appendArcFromPoint(path, point, towards, r);
        else
            path.lineTo(point);
    };
    auto arrowAt = [this, &path](const QPointF &start) {
        path.lineTo(start);
        appendArrowToPath(path);
    };

    // Top edge, left to right.
    const qreal topLeftEnd = roundTopLeft ? left + r : left;
    const qreal topRightEnd = roundTopRight ? right - r : right;
    path.moveTo(topLeftEnd, top);
    if (m_side == Below)
        arrowAt({midX - b / 2, top});
    else if (m_side == BelowExtendingLeft)
        arrowAt({topRightEnd - b, top});
    else if (m_side == BelowExtendingRight)
        arrowAt({topLeftEnd, top});
    corner(roundTopRight, {right, top}, {right, bottom});

    // Right edge, downward.
    const qreal rightUpperEnd = roundTopRight ? top - r : top;
    const qreal rightLowerEnd = roundBottomRight ? bottom + r : bottom;
    if (m_side == Left)
        arrowAt({right, midY + b / 2});
    else if (m_side == LeftExtendingUp)
        arrowAt({right, rightLowerEnd + b});
    else if (m_side == LeftExtendingDown)
        arrowAt({right, rightUpperEnd});
    corner(roundBottomRight, {right, bottom}, {left, bottom});

    // Bottom edge, right to left.
    const qreal bottomRightEnd = roundBottomRight ? right - r : right;
    const qreal bottomLeftEnd = roundBottomLeft ? left + r : left;
    if (m_side == Above)
        arrowAt({midX + b / 2, bottom});
    else if (m_side == AboveExtendingRight)
        arrowAt({bottomLeftEnd + b, bottom});
    else if (m_side == AboveExtendingLeft)
        arrowAt({bottomRightEnd, bottom});
    corner(roundBottomLeft, {left, bottom}, {left, top});

    // Left edge, upward.
    const qreal leftLowerEnd = roundBottomLeft ? bottom + r : bottom;
    const qreal leftUpperEnd = roundTopLeft ? top - r : top;
    if (m_side == Right)
        arrowAt({left, midY - b / 2});
    else if (m_side == RightExtendingDown)
        arrowAt({left, leftUpperEnd - b});
    else if (m_side == RightExtendingUp)
        arrowAt({left, leftLowerEnd});
    corner(roundTopLeft, {left, top}, {right, top});
    path.closeSubpath();
    return path;
}

void FXAttachedWindow::appendArrowToPath(QPainterPath &path) const
{
    if (!m_hasArrow)
        return;
    const QPointF start = path.currentPosition();
    const qreal x = start.x();
    const qreal y = start.y();
    const qreal b = m_arrowBaseWidth;
    const qreal a = m_arrowHeight;
    if (isOneOf(m_side, {Below, BelowExtendingLeft, BelowExtendingRight})) {
        path.lineTo(x + b / 2, y + a);
        path.lineTo(x + b, y);
    } else if (isOneOf(m_side, {Left, LeftExtendingUp, LeftExtendingDown})) {
        path.lineTo(x + a, y - b / 2);
        path.lineTo(x, y - b);
    } else if (isOneOf(m_side, {Above, AboveExtendingLeft, AboveExtendingRight})) {
        path.lineTo(x - b / 2, y - a);
        path.lineTo(x - b, y);
    } else {
        path.lineTo(x - a, y + b / 2);
        path.lineTo(x, y + b);
    }
}

void FXAttachedWindow::updateBackground()
{
    // The shape follows the box, so the box looks right without a compositor too.
    QTransform toView;
    toView.translate(0, m_frame.height());
    toView.scale(1, -1);
    const QPainterPath shape = toView.map(backgroundPath());
    setMask(QRegion(shape.toFillPolygon().toPolygon(), Qt::WindingFill));
    update();
}

void FXAttachedWindow::paintEvent(QPaintEvent *)
try {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    platform::YUpPainter yUp(painter, height());
    const QPainterPath path = backgroundPath();
    painter.setClipPath(path);
    painter.fillPath(path, m_backgroundColor);
    if (m_borderWidth > 0) {
        QPen pen(m_borderColor, 2 * m_borderWidth);
        pen.setJoinStyle(Qt::RoundJoin);
        painter.strokePath(path, pen);
    }
} catch (...) {
    platform::ExceptionBoundary::caught(this, "paintEvent");
}

void FXAttachedWindow::redisplay()
{
    if (m_resizing)
        return;
    m_resizing = true;
    updateGeometryForPoint();
    updateBackground();
    m_resizing = false;
}

void FXAttachedWindow::resizeEvent(QResizeEvent *event)
try {
    QWidget::resizeEvent(event);
    redisplay();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "resizeEvent");
}

bool FXAttachedWindow::eventFilter(QObject *watched, QEvent *event)
try {
    if (watched == m_window) {
        switch (event->type()) {
        case QEvent::Move:
        case QEvent::Resize:
            redisplay();
            break;
        case QEvent::Hide:
            hide();
            break;
        case QEvent::Close:
            close();
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "eventFilter");
    return false;
}

void FXAttachedWindow::performClose(QObject *)
{
    if (m_window)
        m_window->close();
    else
        close();
}
