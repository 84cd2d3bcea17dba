#include "components/splitview/ZQSplitSubview.h"

#include "platform/drawing/DelegateCall.h"
#include "components/splitview/ZQSplitView.h"
#include "platform/drawing/AutoresizingMask.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QApplication>
#include <QChildEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

#include <algorithm>
#include <cmath>

using platform::askDelegate;
using platform::tellDelegate;

namespace {
constexpr double StepInterval = 1.0 / 60.0;
constexpr double SecondsPerPixel = 0.0013333333333333335;
} // namespace

double ZQSplitSubview::share(double dimension, double total)
{
    return total > 0 ? std::clamp(dimension / total, 0.0, 1.0) : 1.0;
}

// The one animation of the process.
struct ZQSplitSubview::AnimationData
{
    ZQSplitSubview *owner = nullptr;
    float dimension = 0;
    int steps = 0;
    double elapsed = 0;
    double finish = 0;
    double total = 0;
    bool collapsing = false;
    bool resize = false;
    QTimer *timer = nullptr;
};

namespace {
ZQSplitSubview::AnimationData *theAnimation = nullptr;
} // namespace

ZQSplitSubview::ZQSplitSubview(const QRectF &frame, QWidget *parent)
    : QWidget(parent)
    , m_frame(frame)
    , m_savedSize(frame.size())
{
    applyWidgetGeometry();
}

ZQSplitSubview::~ZQSplitSubview()
{
    ZQ___stopAnimation();
}

void ZQSplitSubview::applyWidgetGeometry()
{
    // Whole pixels, within what a widget can take.
    const auto pixel = [](double v) { return std::lround(std::clamp(std::isfinite(v) ? v : 0.0, -1.0e7, 1.0e7)); };
    const long left = pixel(m_frame.left()), top = pixel(m_frame.top());
    const long right = pixel(m_frame.left() + m_frame.width());
    const long bottom = pixel(m_frame.top() + m_frame.height());
    setGeometry(int(left), int(top), int(std::max(0L, right - left)), int(std::max(0L, bottom - top)));
}

void ZQSplitSubview::setFrame(const QRectF &frame)
{
    const QSizeF old = m_frame.size();
    m_frame = frame;
    applyWidgetGeometry();
    if (old != frame.size())
        resizeSubviewsWithOldSize(old);
}

float ZQSplitSubview::splitSize(const QSizeF &size) const
{
    return float(splitViewIsHorizontal() ? size.height() : size.width());
}

void ZQSplitSubview::setSplitSize(QSizeF &size, float value) const
{
    if (splitViewIsHorizontal())
        size.setHeight(value);
    else
        size.setWidth(value);
}

ZQSplitView *ZQSplitSubview::splitView() const
{
    return qobject_cast<ZQSplitView *>(parentWidget());
}

ZQSplitView *ZQSplitSubview::couplingSplitView() const
{
    return splitView();
}

ZQSplitView *ZQSplitSubview::outermostSplitView() const
{
    ZQSplitView *last = nullptr;
    for (ZQSplitView *view = splitView(); view; view = view->splitView())
        last = view;
    return last;
}

bool ZQSplitSubview::splitViewIsHorizontal() const
{
    const ZQSplitView *view = splitView();
    return view && view->isHorizontal();
}

bool ZQSplitSubview::isOpaque() const
{
    const ZQSplitView *view = couplingSplitView();
    return view && view->isOpaque();
}

unsigned ZQSplitSubview::position() const
{
    const ZQSplitView *view = splitView();
    if (!view)
        return 0;
    return unsigned(std::max<qsizetype>(0, view->allSubviews().indexOf(const_cast<ZQSplitSubview *>(this))));
}

void ZQSplitSubview::setPosition(unsigned position)
{
    ZQSplitView *view = splitView();
    if (!view)
        return;
    QList<ZQSplitSubview *> panes = view->allSubviews();
    panes.removeOne(this);
    if (position < unsigned(panes.size()))
        stackUnder(panes.at(position));
    else
        raise();
    view->setMustAdjust();
}

unsigned ZQSplitSubview::numberOfSubviews() const
{
    return unsigned(findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly).size());
}

QString ZQSplitSubview::description() const
{
    const QString base = QStringLiteral("<%1: %2>").arg(QString::fromLatin1(metaObject()->className()), objectName());
    return m_identifier.isEmpty() ? base : QStringLiteral("%1(%2)").arg(base, m_identifier);
}

float ZQSplitSubview::ZQ___visibleDimension() const
{
    return std::max(0.0f, splitSize(m_frame.size()));
}

bool ZQSplitSubview::canShrink() const
{
    return ZQ___visibleDimension() > (canCollapse() ? 0.0f : m_minDimension);
}

bool ZQSplitSubview::ownsAnimation() const
{
    return theAnimation && theAnimation->owner == this;
}

bool ZQSplitSubview::animating()
{
    return theAnimation != nullptr;
}

int ZQSplitSubview::status() const
{
    if (ownsAnimation())
        return theAnimation->collapsing ? -1 : -2;
    return isCollapsed() ? 1 : 0;
}

bool ZQSplitSubview::canCollapse() const
{
    const ZQSplitView *view = splitView();
    return view && view->ZQ___numberOfSubviews() >= 2 && mayCollapse();
}

bool ZQSplitSubview::mayCollapse() const
{
    ZQSplitView *view = splitView();
    if (!view)
        return false;
    bool answer = false;
    if (askDelegate(view->delegate(), "splitViewCanCollapse", &answer, view, const_cast<ZQSplitSubview *>(this)))
        return answer;
    return m_canCollapse;
}

void ZQSplitSubview::setMinDimension(float minimum, float maximum)
{
    m_minDimension = std::isnan(minimum) ? 1.0f : std::clamp(std::floor(minimum), 1.0f, LargestDimension);
    m_maxDimension = !(maximum >= 1.0f) ? std::floor(1000000.0f) : std::min(std::floor(maximum), LargestDimension);
    m_maxDimension = std::max(m_maxDimension, m_minDimension);
    const float current = dimension();
    if (current < m_minDimension || current > m_maxDimension) {
        if (ZQSplitView *view = splitView())
            view->setMustAdjust();
    }
}

float ZQSplitSubview::dimension() const
{
    const float visible = ZQ___visibleDimension();
    if (visible > 0)
        return visible;
    const ZQSplitView *view = splitView();
    const float remembered = view ? float(view->ZQ___dimensionWithoutDividers() * m_fraction) : 0.0f;
    return std::clamp(remembered, m_minDimension, m_maxDimension);
}

void ZQSplitSubview::setDimension(float value)
{
    ZQSplitView *view = splitView();
    value = std::clamp(value, m_minDimension, m_maxDimension);
    if (!view)
        return;
    if (!isCollapsed()) {
        QSizeF size = m_frame.size();
        setSplitSize(size, value);
        setFrameSize(size);
        // The size given is the pane's own: a remainder kept for the size it had (a
        // stretch past its maximum, say) no longer belongs to it.
        m_fraction = 0;
        view->adjustSubviewsExcepting(this);
    } else {
        m_fraction = share(value, view->ZQ___dimensionWithoutDividers());
    }
}

void ZQSplitSubview::ZQ___setFrame(const QRectF &frame, double fraction, bool notify)
{
    ZQSplitView *view = splitView();
    if (view)
        view->setMustAdjust();
    setFrame(frame);
    m_fraction = fraction;
    if (notify && view && frame != m_previous && platform::respondsToMethod(view->delegate(), "splitViewChangedFrameOfSubviewFromTo")) {
        const QRectF from = m_previous;
        m_previous = frame;
        tellDelegate(view->delegate(), "splitViewChangedFrameOfSubviewFromTo", view, this, from, frame);
    } else {
        m_previous = QRectF();
    }
}

void ZQSplitSubview::ZQ___setFrameSize(const QSizeF &size, double fraction)
{
    if (ZQSplitView *view = splitView())
        view->setMustAdjust();
    setFrameSize(size);
    m_fraction = fraction;
}

float ZQSplitSubview::ZQ___setMinAndMaxTo(float value, float *savedMin, float *savedMax)
{
    *savedMin = m_minDimension;
    *savedMax = m_maxDimension;
    const float pinned = std::clamp(value, m_minDimension, m_maxDimension);
    m_minDimension = m_maxDimension = pinned;
    return pinned;
}

bool ZQSplitSubview::ZQ___clearResponder()
{
    QWidget *focus = QApplication::focusWidget();
    if (!focus || (focus != this && !isAncestorOf(focus)))
        return false;
    focus->clearFocus();
    focus->update();
    return true;
}

float ZQSplitSubview::ZQ___collapse()
{
    ZQSplitView *view = splitView();
    if (isCollapsed() || !view || !canCollapse())
        return -0.0f;
    ZQ___clearResponder();
    QRectF frame = m_frame;
    QSizeF size = frame.size();
    const float d = splitSize(size);
    setSplitSize(size, 0);
    frame.setSize(size);
    // Its share is that of its own size, the remainder the layout carries included, so
    // that expanding it again gives every pane back the size it had.
    const double own = double(d) + m_fraction;
    ZQ___finishCollapse(frame, share(own > 0 ? own : double(d), view->ZQ___dimensionWithoutDividers()));
    return -d;
}

float ZQSplitSubview::ZQ___expandAndSetToMinimum(bool toMinimum)
{
    ZQSplitView *view = splitView();
    if (!isCollapsed() || !view)
        return 0;
    QRectF frame = m_frame;
    QSizeF size = frame.size();
    float result = 0;
    if (toMinimum) {
        setSplitSize(size, m_minDimension);
        result = m_minDimension;
    } else {
        const double f = m_fraction;
        const float s = float(view->ZQ___dimensionWithoutDividers() * f);
        setSplitSize(size, f >= 1.0 ? std::floor(s) : float(s / (1.0 - f)));
        result = std::floor(s);
    }
    frame.setSize(size);
    ZQ___finishExpand(frame, 0.0);
    return result;
}

void ZQSplitSubview::ZQ___finishCollapse(const QRectF &frame, double fraction)
{
    const bool stopped = ZQ___stopAnimation();
    ZQ___setFrame(frame, fraction, true);
    ZQSplitView *view = splitView();
    if (stopped)
        display();
    if (view)
        tellDelegate(view->delegate(), "splitViewDidCollapse", view, this);
}

void ZQSplitSubview::ZQ___finishExpand(const QRectF &frame, double fraction)
{
    const bool stopped = ZQ___stopAnimation();
    ZQ___setFrame(frame, fraction, true);
    ZQSplitView *view = splitView();
    if (stopped)
        display();
    if (view)
        tellDelegate(view->delegate(), "splitViewDidExpand", view, this);
}

bool ZQSplitSubview::collapseWithAnimation(bool animate, bool resize)
{
    if (status() != 0 || !canCollapse())
        return false;
    if (animate && ZQ___animationData(true, resize)) {
        ZQ___clearResponder();
        ZQ___stepAnimation();
        return true;
    }
    ZQ___collapse();
    return false;
}

bool ZQSplitSubview::expandWithAnimation(bool animate, bool resize)
{
    if (status() != 1)
        return false;
    if (animate && ZQ___animationData(true, resize)) {
        ZQ___stepAnimation();
        return true;
    }
    ZQ___expandAndSetToMinimum(false);
    return false;
}

ZQSplitSubview::AnimationData *ZQSplitSubview::ZQ___animationData(bool start, bool resize)
{
    if (theAnimation && theAnimation->owner != this)
        return nullptr;
    ZQSplitView *view = splitView();
    if (!start || !view)
        return theAnimation;
    const float d = dimension();
    double total = d * SecondsPerPixel;
    double answer = 0;
    if (askDelegate(view->delegate(), "splitViewWillAnimateSubviewWithDimension", &answer, view, this, d))
        total = answer;
    if (!(total > StepInterval)) {
        if (theAnimation) {
            delete theAnimation->timer;
            delete theAnimation;
            theAnimation = nullptr;
        }
        return nullptr;
    }
    if (!theAnimation) {
        theAnimation = new AnimationData;
        theAnimation->timer = new QTimer(this);
        theAnimation->timer->setInterval(1000 / 60);
        connect(theAnimation->timer, &QTimer::timeout, this,
            platform::ExceptionBoundary::guarded(this, "timeout", [this] { ZQ___stepAnimation(); }));
    }
    theAnimation->owner = this;
    theAnimation->dimension = d;
    theAnimation->steps = 0;
    theAnimation->elapsed = 0.0;
    theAnimation->collapsing = !isCollapsed();
    theAnimation->total = total;
    theAnimation->finish = platform::Clock::mediaTime() + total;
    theAnimation->resize = resize;
    view->ZQ___setDragging(true);
    return theAnimation;
}

void ZQSplitSubview::ZQ___stepAnimation()
{
    AnimationData *animation = theAnimation;
    ZQSplitView *view = splitView();
    if (!animation || animation->owner != this || !view)
        return;
    const double began = platform::Clock::mediaTime();
    double remaining = animation->finish - began;
    if (remaining >= StepInterval) {
        const double mean = animation->steps > 0 ? animation->elapsed / animation->steps : animation->elapsed;
        remaining -= mean;
        const double s = std::floor(animation->dimension * remaining / animation->total);
        if (s > 4.0) {
            QRectF frame = m_frame;
            QSizeF size = frame.size();
            setSplitSize(size, float(animation->collapsing ? s : animation->dimension - s));
            frame.setSize(size);
            ZQ___setFrame(frame, 0.0, false);
            view->adjustSubviews();
            update();
            animation->elapsed += platform::Clock::mediaTime() - began;
            ++animation->steps;
            if (!animation->timer->isActive())
                animation->timer->start();
            return;
        }
    }
    const float d = animation->dimension;
    QRectF frame = m_frame;
    QSizeF size = frame.size();
    if (animation->collapsing) {
        setSplitSize(size, 0);
        frame.setSize(size);
        ZQ___finishCollapse(frame, share(d, view->ZQ___dimensionWithoutDividers()));
    } else {
        float savedMin = 0, savedMax = 0;
        setSplitSize(size, ZQ___setMinAndMaxTo(d, &savedMin, &savedMax));
        frame.setSize(size);
        ZQ___finishExpand(frame, 0.0);
        m_minDimension = savedMin;
        m_maxDimension = savedMax;
    }
}

bool ZQSplitSubview::ZQ___stopAnimation()
{
    if (!ownsAnimation())
        return false;
    delete theAnimation->timer;
    delete theAnimation;
    theAnimation = nullptr;
    if (ZQSplitView *view = splitView())
        view->ZQ___setDragging(false);
    return true;
}

float ZQSplitSubview::changeDimensionBy(float increment, bool mayCollapse, bool move)
{
    ZQSplitView *view = splitView();
    if (!view || std::fabs(increment) < 1.0f)
        return 0;
    const float d = splitSize(m_frame.size());
    const float n = std::max(0.0f, d + increment);
    float s = d;
    if (n < d) {
        if (n >= m_minDimension) {
            s = n;
        } else if (mayCollapse && canCollapse() && n < std::max(m_minDimension * 0.45f, 1.0f)) {
            return ZQ___collapse();
        } else {
            s = m_minDimension;
        }
    } else if (n > d) {
        s = n;
        if (d < 1.0f) {
            if (n <= m_minDimension * 0.55f)
                return 0;
            s = std::max(ZQ___expandAndSetToMinimum(true), n);
        }
        s = std::min(s, m_maxDimension);
    }
    if (s != d) {
        QRectF frame = m_frame;
        QSizeF size = frame.size();
        setSplitSize(size, s);
        frame.setSize(size);
        if (move) {
            if (splitViewIsHorizontal())
                frame.moveTop(frame.top() - (s - d));
            else
                frame.moveLeft(frame.left() - (s - d));
        }
        setFrame(frame);
        view->ZQ___setMustClearFractions();
        view->setMustAdjust();
    }
    return s - d;
}

void ZQSplitSubview::resizeSubviewsWithOldSize(const QSizeF &oldSize)
{
    const ZQSplitView *view = splitView();
    if (!view)
        return;
    const float own = splitSize(m_frame.size());
    const float cross = float(view->isHorizontal() ? m_frame.width() : m_frame.height());
    const float lower = (ownsAnimation() && !theAnimation->resize) ? theAnimation->dimension : m_minDimension;
    if (own >= lower && own <= m_maxDimension && cross >= view->minDimension() && cross <= view->maxDimension()) {
        const QSizeF from = m_notInLimits ? m_savedSize : oldSize;
        platform::resizeChildrenWithOldSize(this, from.toSize(), isFlipped());
        m_notInLimits = false;
        m_savedSize = m_frame.size();
    } else {
        m_notInLimits = true;
    }
}

bool ZQSplitSubview::isHiddenPane() const
{
    return testAttribute(Qt::WA_WState_ExplicitShowHide) && testAttribute(Qt::WA_WState_Hidden);
}

void ZQSplitSubview::setVisible(bool visible)
{
    ZQSplitView *view = splitView();
    if (!view || isHiddenPane() == !visible) {
        QWidget::setVisible(visible);
        return;
    }
    QWidget::setVisible(visible);
    if (!visible)
        view->adjustSubviews();
    else
        view->adjustSubviewsExcepting(this);
}

void ZQSplitSubview::drawPane(QPainter &painter, const QRectF &rect)
{
    ZQSplitView *view = splitView();
    if (!view)
        return;
    const QColor colour = view->background();
    if (colour.isValid())
        painter.fillRect(rect, colour);
    tellDelegate(view->delegate(), "splitViewWillDrawSubviewInRect", view, this, rect);
}

void ZQSplitSubview::paintEvent(QPaintEvent *)
try {
    QPainter painter(this);
    drawPane(painter, QRectF(rect()));
} catch (...) {
    platform::ExceptionBoundary::caught(this, "paintEvent");
}

QWidget *ZQSplitSubview::hitTest(const QPointF &point)
{
    if (!QRectF(QPointF(0, 0), size()).contains(point))
        return nullptr;
    ZQSplitView *view = splitView();
    unsigned divider = NotFound;
    if (view && askDelegate(view->delegate(), "splitViewDividerForPointInSubview", &divider, view, point, this)) {
        m_actDivider = divider;
        if (quint64(divider) + 1 < view->ZQ___numberOfSubviews())
            return this;
    }
    m_actDivider = NotFound;
    QWidget *hit = childAt(point.toPoint());
    // Background without content of its own moves the window.
    m_canDragWindow = hit == nullptr;
    return hit ? hit : this;
}

void ZQSplitSubview::mousePressEvent(QMouseEvent *event)
try {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    hitTest(event->position());
    if (m_actDivider == NotFound) {
        const ZQSplitView *coupling = couplingSplitView();
        const bool movable = platform::WindowBackgroundDrag::isMovableByWindowBackground(this);
        if (m_canDragWindow && movable && !(coupling && coupling->background().isValid())) {
            m_windowDrag.begin(this, event->globalPosition());
            event->accept();
            return;
        }
        QWidget::mousePressEvent(event);
        return;
    }
    if (beginDividerDrag(event->globalPosition()))
        event->accept();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mousePressEvent");
}

bool ZQSplitSubview::beginDividerDrag(const QPointF &globalPosition)
{
    ZQSplitView *view = splitView();
    if (!view || m_actDivider == NotFound)
        return false;
    m_dragStart = view->mapFromGlobal(globalPosition);
    QGuiApplication::setOverrideCursor(ZQSplitView::cursor(3));
    m_dragOrigin = view->ZQ___dividerOrigin(m_actDivider);
    m_draggingDivider = true;
    view->ZQ___setDragging(true);
    return true;
}

void ZQSplitSubview::followDividerDrag(const QPointF &globalPosition)
{
    ZQSplitView *view = splitView();
    if (!view)
        return;
    view->ZQ___trackMouseEvent(view->mapFromGlobal(globalPosition), m_dragStart, QPointF(), m_actDivider);
    if (view->mustAdjust()) {
        view->ZQ___setMustClearFractions();
        view->display();
    }
    const float origin = view->ZQ___dividerOrigin(m_actDivider);
    if (view->isHorizontal())
        m_dragStart.ry() += origin - m_dragOrigin;
    else
        m_dragStart.rx() += origin - m_dragOrigin;
    m_dragOrigin = origin;
}

void ZQSplitSubview::endDividerDrag()
{
    m_draggingDivider = false;
    if (ZQSplitView *view = splitView())
        view->ZQ___setDragging(false);
    QGuiApplication::restoreOverrideCursor();
    m_actDivider = NotFound;
}

void ZQSplitSubview::mouseMoveEvent(QMouseEvent *event)
try {
    if (m_windowDrag.follow(event->globalPosition()))
        return;
    if (!m_draggingDivider || !splitView()) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    followDividerDrag(event->globalPosition());
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mouseMoveEvent");
}

void ZQSplitSubview::mouseReleaseEvent(QMouseEvent *event)
try {
    m_windowDrag.end();
    if (!m_draggingDivider) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    endDividerDrag();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mouseReleaseEvent");
}

void ZQSplitSubview::watchContent(QObject *object)
{
    auto *widget = qobject_cast<QWidget *>(object);
    if (!widget || asSplitView() || qobject_cast<ZQSplitSubview *>(widget) || widget->isWindow())
        return;
    widget->installEventFilter(this);
    for (QObject *child : widget->children())
        watchContent(child);
}

bool ZQSplitSubview::eventFilter(QObject *watched, QEvent *event)
try {
    // The content of the pane: a divider strip that the delegate assigns over a
    // child widget takes the press before the child does.
    auto *widget = qobject_cast<QWidget *>(watched);
    if (!widget || qobject_cast<ZQSplitSubview *>(widget) || !isAncestorOf(widget))
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::ChildAdded:
    case QEvent::ChildPolished:
        watchContent(static_cast<QChildEvent *>(event)->child());
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::LeftButton || m_draggingDivider)
            break;
        ZQSplitView *view = splitView();
        unsigned divider = NotFound;
        const QPointF point = mapFromGlobal(mouse->globalPosition());
        if (view && askDelegate(view->delegate(), "splitViewDividerForPointInSubview", &divider, view, point, this)
            && quint64(divider) + 1 < view->ZQ___numberOfSubviews()) {
            m_actDivider = divider;
            return beginDividerDrag(mouse->globalPosition());
        }
        break;
    }
    case QEvent::MouseMove:
        if (m_draggingDivider) {
            followDividerDrag(static_cast<QMouseEvent *>(event)->globalPosition());
            return true;
        }
        break;
    case QEvent::MouseButtonRelease:
        if (m_draggingDivider) {
            endDividerDrag();
            return true;
        }
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "eventFilter");
    return false;
}

void ZQSplitSubview::display()
{
    ZQSplitView *view = splitView();
    if (!view)
        return;
    if (view->mustAdjust())
        view->display();
    else
        update();
}
