#include "NTXAppKit/scrollview/NTXScrollView.h"

#include "platform/foundation/Exception.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QResizeEvent>
#include <QScrollBar>
#include <QStyle>
#include <cmath>

namespace {

// Connects a shown bar with the hidden one both ways.
void couple(QScrollBar *shown, QScrollBar *hidden)
{
    QObject::connect(hidden, &QScrollBar::rangeChanged, shown, &QScrollBar::setRange);
    QObject::connect(hidden, &QScrollBar::valueChanged, shown, &QScrollBar::setValue);
    QObject::connect(shown, &QScrollBar::valueChanged, hidden, &QScrollBar::setValue);
    shown->setRange(hidden->minimum(), hidden->maximum());
    shown->setValue(hidden->value());
}

} // namespace

NTXScrollView::NTXScrollView(QWidget *parent)
    : QAbstractScrollArea(parent), m_hBar(new QScrollBar(Qt::Horizontal, this)),
      m_vBar(new QScrollBar(Qt::Vertical, this))
{
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_hBar->setObjectName(QStringLiteral("horizontalScroller"));
    m_vBar->setObjectName(QStringLiteral("verticalScroller"));
    couple(m_hBar, horizontalScrollBar());
    couple(m_vBar, verticalScrollBar());
    tile();
}

NTXScrollView::~NTXScrollView() = default;

void NTXScrollView::checkPosition(int position)
{
    if (position < HorizontalLeft || position > VerticalBottom)
        throw platform::Exception(QStringLiteral("not an allowed position"),
                                  QStringLiteral("Scroll view does not support specified slot position"));
}

void NTXScrollView::addView(QWidget *view, int position)
{
    checkPosition(position);
    if (!view)
        return;
    m_slots[position].append(view);
    view->setParent(this);
    view->show();
    tile();
    update();
}

void NTXScrollView::removeView(QWidget *view, int position)
{
    checkPosition(position);
    if (!view)
        return;
    m_slots[position].removeOne(view);
    view->hide();
    view->setParent(nullptr);
    tile();
    update();
}

void NTXScrollView::setHeaderView(QWidget *view)
{
    if (m_header == view)
        return;
    delete m_header.data();
    m_header = view;
    if (view) {
        view->setParent(this);
        view->lower();
        view->show();
    }
    tile();
    update();
}

void NTXScrollView::setBottomRightCornerView(QWidget *view)
{
    if (m_corner == view)
        return;
    delete m_corner.data();
    m_corner = view;
    if (view) {
        view->setParent(this);
        view->show();
    }
    tile();
    update();
}

void NTXScrollView::setDocumentView(QWidget *view)
{
    if (m_document == view)
        return;
    delete m_document.data();
    m_document = view;
    if (view) {
        view->setParent(viewport());
        view->move(0, 0);
        view->installEventFilter(this);
        view->show();
    }
    tile();
}

int NTXScrollView::horizontalScrollerHeight() const
{
    return m_hBar->sizeHint().height();
}

int NTXScrollView::verticalScrollerWidth() const
{
    return m_vBar->sizeHint().width();
}

void NTXScrollView::tile()
{
    if (m_tiling)
        return;
    m_tiling = true;
    const int headerHeight = m_header ? m_header->height() : 0;
    const int hh = horizontalScrollerHeight();
    const int vw = verticalScrollerWidth();
    // The content rectangle: what is left of the frame's inside after header and bars.
    setViewportMargins(0, headerHeight, vw, hh);
    const QRect contents = contentsRect();
    const QRect r(contents.x(), contents.y() + headerHeight, std::max(0, contents.width() - vw),
                  std::max(0, contents.height() - headerHeight - hh));
    if (m_header)
        m_header->setGeometry(contents.x(), contents.y(), contents.width(), headerHeight);
    if (m_corner)
        m_corner->setGeometry(r.x() + r.width(), r.y() + r.height(), vw, hh);
    m_vBar->resize(vw, m_vBar->height());
    m_hBar->resize(m_hBar->width(), hh);
    verTileWithContentRect(r);
    horTileWithContentRect(r);
    m_vBar->show();
    m_hBar->show();
    updateRanges();
    m_tiling = false;
}

void NTXScrollView::horTileWithContentRect(const QRectF &rect)
{
    const qreal left = m_slots[HorizontalLeft].isEmpty() ? 0 : tileSlotsFor(HorizontalLeft, rect).width();
    const qreal right = m_slots[HorizontalRight].isEmpty() ? 0 : tileSlotsFor(HorizontalRight, rect).width();
    m_hBar->setGeometry(QRectF(rect.x() + left, rect.y() + rect.height(), std::max<qreal>(0, rect.width() - (left + right)),
                               horizontalScrollerHeight())
                            .toRect());
}

void NTXScrollView::verTileWithContentRect(const QRectF &rect)
{
    const qreal top = m_slots[VerticalTop].isEmpty() ? 0 : tileSlotsFor(VerticalTop, rect).height();
    const qreal bottom = m_slots[VerticalBottom].isEmpty() ? 0 : tileSlotsFor(VerticalBottom, rect).height();
    m_vBar->setGeometry(QRectF(rect.x() + rect.width(), rect.y() + top, verticalScrollerWidth(),
                               std::max<qreal>(0, rect.height() - (bottom + top)))
                            .toRect());
}

QRectF NTXScrollView::tileSlotsFor(int position, const QRectF &rect)
{
    if (position < HorizontalLeft || position > VerticalBottom || m_slots[position].isEmpty())
        return QRectF();
    const bool horizontal = position == HorizontalLeft || position == HorizontalRight;
    const qreal start = position == HorizontalLeft    ? rect.x()
                        : position == HorizontalRight ? rect.x() + rect.width()
                        : position == VerticalTop     ? rect.y()
                                                      : rect.y() + rect.height();
    const qreal hh = horizontalScrollerHeight();
    qreal c = std::trunc(start);
    QRectF all;
    bool first = true;
    for (QWidget *view : m_slots[position]) {
        // A union still without extent lets the next view start over.
        if (!first && (horizontal ? all.width() == 0 : all.height() == 0)) {
            first = true;
            c = std::trunc(start);
        }
        QRectF frame;
        switch (position) {
        case HorizontalLeft:
            frame = QRectF(c, rect.y() + rect.height(), view->width(), hh);
            c = std::trunc(c + frame.width());
            break;
        case HorizontalRight:
            frame = QRectF(c - view->width(), rect.y() + rect.height(), view->width(), hh);
            c = std::trunc(c - frame.width());
            break;
        case VerticalTop:
            frame = QRectF(rect.x() + rect.width(), c, view->width(), view->height());
            c = std::trunc(c + frame.height());
            break;
        default:
            frame = QRectF(rect.x() + rect.width(), c - view->height(), view->width(), view->height());
            c = std::trunc(c - frame.height());
            break;
        }
        view->setGeometry(frame.toRect());
        if (first) {
            all = frame;
            first = false;
        } else {
            all = QRectF(QPointF(std::min(all.left(), frame.left()), std::min(all.top(), frame.top())),
                         QPointF(std::max(all.right(), frame.right()), std::max(all.bottom(), frame.bottom())));
        }
    }
    return all;
}

void NTXScrollView::updateRanges()
{
    const QSize area = viewport()->size();
    const QSize content = m_document ? m_document->size() : QSize();
    horizontalScrollBar()->setPageStep(std::max(1, area.width()));
    verticalScrollBar()->setPageStep(std::max(1, area.height()));
    horizontalScrollBar()->setRange(0, std::max(0, content.width() - area.width()));
    verticalScrollBar()->setRange(0, std::max(0, content.height() - area.height()));
    m_hBar->setPageStep(horizontalScrollBar()->pageStep());
    m_vBar->setPageStep(verticalScrollBar()->pageStep());
    if (m_document)
        m_document->move(-horizontalScrollBar()->value(), -verticalScrollBar()->value());
}

void NTXScrollView::resizeEvent(QResizeEvent *event)
try {
    QAbstractScrollArea::resizeEvent(event);
    tile();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "resizeEvent");
}

// cannot throw: moves the document view, whose move event is an entry of its own.
void NTXScrollView::scrollContentsBy(int, int) noexcept
{
    if (m_document)
        m_document->move(-horizontalScrollBar()->value(), -verticalScrollBar()->value());
}

bool NTXScrollView::viewportEvent(QEvent *event)
try {
    if (event->type() == QEvent::LayoutRequest)
        updateRanges();
    return QAbstractScrollArea::viewportEvent(event);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "viewportEvent");
    return false;
}

bool NTXScrollView::eventFilter(QObject *watched, QEvent *event)
try {
    if (watched == m_document && event->type() == QEvent::Resize)
        updateRanges();
    return QAbstractScrollArea::eventFilter(watched, event);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "eventFilter");
    return false;
}
