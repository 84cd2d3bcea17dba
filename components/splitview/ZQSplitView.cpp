#include "components/splitview/ZQSplitView.h"

#include "platform/drawing/DelegateCall.h"
#include "platform/drawing/AutoresizingMask.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QChildEvent>
#include <QCoreApplication>
#include <QResizeEvent>
#include <QScrollArea>

#include <algorithm>
#include <cmath>
#include <utility>

using platform::tellDelegate;

ZQSplitView::ZQSplitView(const QRectF &frame, QWidget *parent)
    : ZQSplitSubview(frame, parent)
{
    init();
}

ZQSplitView::ZQSplitView(const QRectF &frame, unsigned numberOfPanes, QWidget *parent)
    : ZQSplitSubview(frame, parent)
{
    init();
    for (unsigned i = 0; i < numberOfPanes; ++i)
        addSubview(new ZQSplitSubview(frame));
    setMustAdjust();
}

ZQSplitView::~ZQSplitView()
{
    // Panes leave with the widget tree; their animation ends with them.
    m_isAdjusting = true;
}

void ZQSplitView::init()
{
    m_canSaveState = false;
    m_isCoupled = true;
    m_isDragging = false;
    setVertical(true);
    setDivider(QImage());
    setAutosaveName(QString(), false);
    setBackground(QColor());
    setMouseTracking(true);
}

// ---- Structure ----

QList<ZQSplitSubview *> ZQSplitView::allSubviews() const
{
    QList<ZQSplitSubview *> panes;
    for (QObject *child : children()) {
        if (auto *pane = qobject_cast<ZQSplitSubview *>(child))
            panes.append(pane);
    }
    return panes;
}

ZQSplitSubview *ZQSplitView::addSubview(QWidget *view)
{
    return addSubview(view, NotFound);
}

ZQSplitSubview *ZQSplitView::addSubview(QWidget *view, unsigned position)
{
    if (!view)
        return nullptr;
    auto *pane = qobject_cast<ZQSplitSubview *>(view);
    if (!pane) {
        view->move(0, 0);
        pane = new ZQSplitSubview(QRectF(view->geometry()));
        platform::setAutoresizingMask(view, platform::ViewWidthSizable | platform::ViewHeightSizable);
        view->setParent(pane);
        view->show();
    }
    const QList<ZQSplitSubview *> panes = allSubviews();
    const bool hidden = pane->isHiddenPane();
    pane->setParent(this);
    if (position < unsigned(panes.size()))
        pane->stackUnder(panes.at(position));
    if (!hidden)
        pane->QWidget::setVisible(true);
    setMustAdjust();
    return pane;
}

void ZQSplitView::removeSubview(ZQSplitSubview *pane)
{
    if (!pane || pane->parentWidget() != this)
        return;
    willRemoveSubview(pane);
    pane->setParent(nullptr);
}

void ZQSplitView::willRemoveSubview(ZQSplitSubview *pane)
{
    pane->ZQ___stopAnimation();
    setMustAdjust();
}

void ZQSplitView::childEvent(QChildEvent *event)
try {
    ZQSplitSubview::childEvent(event);
    if (event->removed() && !m_isAdjusting)
        setMustAdjust();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "childEvent");
}

ZQSplitSubview *ZQSplitView::subviewAtPosition(unsigned position) const
{
    const QList<ZQSplitSubview *> panes = allSubviews();
    return position < unsigned(panes.size()) ? panes.at(position) : nullptr;
}

ZQSplitSubview *ZQSplitView::subviewWithIdentifier(const QString &identifier) const
{
    for (ZQSplitSubview *pane : allSubviews()) {
        if (pane->identifier() == identifier)
            return pane;
    }
    return nullptr;
}

void ZQSplitView::viewDidMoveToSuperview()
{
    // The document view of a scroll area is a direct child of its viewport (the area
    // reparents before it records the widget, so asking for its widget is too early).
    QWidget *viewport = parentWidget();
    auto *area = viewport ? qobject_cast<QScrollArea *>(viewport->parentWidget()) : nullptr;
    m_isInScrollView = area && area->viewport() == viewport;
}

QString ZQSplitView::description() const
{
    return QStringLiteral("%1 {%2}").arg(ZQSplitSubview::description(), stringWithSavedState());
}

// ---- Nesting and coupling ----

bool ZQSplitView::isCoupled() const
{
    return m_isCoupled && splitView() != nullptr;
}

void ZQSplitView::setCoupled(bool coupled)
{
    if (coupled != m_isCoupled) {
        m_isCoupled = coupled;
        if (!coupled && m_divider.isNull() && splitView())
            m_divider = splitView()->divider();
    }
    setMustAdjust();
}

ZQSplitView *ZQSplitView::couplingSplitView() const
{
    return m_isCoupled ? splitView() : nullptr;
}

bool ZQSplitView::isHorizontal() const
{
    if (const ZQSplitView *parent = splitView())
        return parent->isVertical();
    return m_isHorizontal;
}

void ZQSplitView::setHorizontal(bool horizontal)
{
    if (splitView() || horizontal == m_isHorizontal)
        return;
    m_isHorizontal = horizontal;
    const QImage image = divider();
    setDividerThickness(image.isNull() ? 0.0f : float(horizontal ? image.height() : image.width()));
    setMustAdjust();
}

// ---- Appearance ----

QColor ZQSplitView::background() const
{
    if (isCoupled())
        return couplingSplitView()->background();
    return m_background;
}

void ZQSplitView::setBackground(const QColor &colour)
{
    if (isCoupled())
        return;
    m_background = (colour.isValid() && colour.alphaF() > 0) ? colour : QColor();
    update();
}

bool ZQSplitView::isOpaque() const
{
    if (isCoupled())
        return couplingSplitView()->isOpaque();
    return m_background.isValid() && m_background.alphaF() >= 1.0;
}

QImage ZQSplitView::divider() const
{
    if (isCoupled())
        return couplingSplitView()->divider();
    return m_divider;
}

void ZQSplitView::setDivider(const QImage &image)
{
    if (isCoupled())
        return;
    m_divider = image;
    setDividerThickness(0);
    setMustAdjust();
}

float ZQSplitView::dividerThickness() const
{
    if (m_dividerThickness > 0)
        return m_dividerThickness;
    const QImage image = divider();
    if (image.isNull())
        return 0;
    return float(isVertical() ? image.width() : image.height());
}

void ZQSplitView::setDividerThickness(float thickness)
{
    const float value = std::isfinite(thickness) ? std::max(0.0f, std::floor(thickness)) : 0.0f;
    if (value != m_dividerThickness)
        m_dividerThickness = value;
    setMustAdjust();
}

// ---- Layout triggers ----

void ZQSplitView::setMustAdjust()
{
    m_mustAdjust = true;
    update();
    // The next pass of the event loop lays out what is pending (see event()).
    QCoreApplication::postEvent(this, new QEvent(QEvent::LayoutRequest));
}

bool ZQSplitView::event(QEvent *event)
try {
    if (event->type() == QEvent::LayoutRequest) {
        ZQ___adjustOutermostIfNeeded();
        return true;
    }
    if (event->type() == QEvent::ParentChange)
        viewDidMoveToSuperview();
    if (event->type() == QEvent::Show && !m_pendingState.empty()) {
        // Shown, the view has its size: the state text waiting for it gets its last
        // layout now, from the outermost split view down, before anything is drawn.
        setMustAdjust();
        if (ZQSplitView *outermost = outermostSplitView())
            outermost->setMustAdjust();
        ZQ___adjustOutermostIfNeeded();
    }
    return ZQSplitSubview::event(event);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "event");
    return false;
}

void ZQSplitView::adjustSubviews()
{
    ZQ___adjustSubviewsExcepting(nullptr);
}

void ZQSplitView::adjustSubviewsExcepting(ZQSplitSubview *pane)
{
    ZQ___adjustSubviewsExcepting(pane && pane->isCollapsed() ? nullptr : pane);
}

bool ZQSplitView::needsDisplay()
{
    if (m_mustAdjust && !m_isAdjusting) {
        adjustSubviews();
        return true;
    }
    return false;
}

void ZQSplitView::display()
{
    if (m_mustAdjust && !m_isAdjusting)
        adjustSubviews();
    update();
}

void ZQSplitView::setFrame(const QRectF &frame)
{
    const QSizeF old = m_frame.size();
    ZQSplitSubview::setFrame(frame);
    if (old != frame.size())
        sizeDidChange(old);
}

void ZQSplitView::resizeEvent(QResizeEvent *event)
try {
    ZQSplitSubview::resizeEvent(event);
    const QSize applied(int(std::lround(m_frame.width())), int(std::lround(m_frame.height())));
    if (event->size() == applied)
        return;
    // Resized from outside (window, layout or scroll area).
    const QSizeF old = m_frame.size();
    m_frame = QRectF(QPointF(pos()), QSizeF(event->size()));
    resizeSubviewsWithOldSize(old);
    sizeDidChange(old);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "resizeEvent");
}

void ZQSplitView::sizeDidChange(const QSizeF &oldSize)
{
    setMustAdjust();
    const auto along = [this](const QSizeF &size) { return float(isHorizontal() ? size.height() : size.width()); };
    if (along(oldSize) != along(m_frame.size()))
        tellDelegate(m_delegate.data(), "splitViewWasResizedFromTo", this, along(oldSize), along(m_frame.size()));
    if (m_mustAdjust && !m_isAdjusting)
        adjustSubviews();
}

void ZQSplitView::awakeFromNib()
{
    if (!splitView())
        restoreState(true);
}

void ZQSplitView::ZQ___adjustOutermostIfNeeded()
{
    if (ZQSplitView *parent = splitView()) {
        parent->ZQ___adjustOutermostIfNeeded();
        return;
    }
    if (m_mustAdjust && !m_isAdjusting)
        adjustSubviews();
}

void ZQSplitView::ZQ___setDragging(bool dragging)
{
    const bool was = m_isDragging;
    m_isDragging = dragging;
    if (was && !dragging)
        saveState(false);
}

// ---- Measures ----

QList<ZQSplitSubview *> ZQSplitView::ZQ___subviews() const
{
    QList<ZQSplitSubview *> panes = allSubviews();
    panes.removeIf([](const ZQSplitSubview *pane) { return pane->isHiddenPane(); });
    return panes;
}

unsigned ZQSplitView::ZQ___numberOfSubviews() const
{
    return unsigned(ZQ___subviews().size());
}

float ZQSplitView::ZQ___dimensionWithoutDividers() const
{
    const float along = float(isHorizontal() ? m_frame.height() : m_frame.width());
    const int gaps = std::max(0, int(ZQ___numberOfSubviews()) - 1);
    return std::max(1.0f, along - gaps * dividerThickness());
}

float ZQSplitView::ZQ___dividerOrigin(unsigned i) const
{
    if (i >= unsigned(m_dividers.size()))
        return 0;
    return float(isHorizontal() ? m_dividers.at(i).y() : m_dividers.at(i).x());
}

namespace {
QPointF convertPoint(const QPointF &point, const QWidget *from, const QWidget *to)
{
    if (!from || from == to)
        return point;
    return to->mapFromGlobal(from->mapToGlobal(point));
}
} // namespace

QRectF ZQSplitView::ZQ___dividerRect(unsigned i, const QWidget *relativeTo) const
{
    if (i >= unsigned(m_dividers.size()))
        return QRectF();
    const QRectF rect = m_dividers.at(i);
    if (!relativeTo || relativeTo == this)
        return rect;
    return QRectF(convertPoint(rect.topLeft(), this, relativeTo), rect.size());
}

unsigned ZQSplitView::ZQ___dividerHitBy(const QPointF &point, const QWidget *relativeTo, float thickness) const
{
    if (m_dividers.isEmpty() || ZQ___numberOfSubviews() < 2)
        return NotFound;
    const QPointF p = relativeTo ? convertPoint(point, relativeTo, this) : point;
    for (qsizetype i = 0; i < m_dividers.size(); ++i) {
        QRectF r = m_dividers.at(i);
        if (isHorizontal())
            r.adjust(-thickness, 0, thickness, 0);
        else
            r.adjust(0, -thickness, 0, thickness);
        // Half-open like the platform's mouse-in-rect test of a flipped view.
        if (p.x() >= r.left() && p.x() < r.right() && p.y() >= r.top() && p.y() < r.bottom())
            return unsigned(i);
    }
    return NotFound;
}
