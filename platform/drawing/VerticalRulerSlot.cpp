#include "platform/drawing/VerticalRulerSlot.h"

#include "platform/foundation/ExceptionBoundary.h"

#include <QAbstractScrollArea>
#include <QEvent>
#include <QHeaderView>
#include <QTableView>

#include <cmath>

namespace platform {

VerticalRulerSlot::VerticalRulerSlot(QAbstractScrollArea *area, Margins margins)
    : QObject(area)
    , m_area(area)
    , m_margins(std::move(margins))
{
    m_area->installEventFilter(this);
    m_area->viewport()->installEventFilter(this);
}

VerticalRulerSlot::~VerticalRulerSlot() = default;

void VerticalRulerSlot::setRuler(RulerView *ruler)
{
    if (ruler == m_ruler)
        return;
    if (m_ruler)
        delete m_ruler.data();
    m_ruler = ruler;
    if (ruler) {
        ruler->setParent(m_area);
        ruler->setScrollView(m_area);
        connect(ruler, &RulerView::ruleThicknessChanged, this,
            platform::ExceptionBoundary::guarded(this, "tile", &VerticalRulerSlot::tile));
        ruler->show();
        ruler->raise();
    }
    tile();
}

void VerticalRulerSlot::tile()
{
    if (m_tiling)
        return;
    m_tiling = true;
    makeRoom();
    place();
    m_tiling = false;
}

void VerticalRulerSlot::scrolled()
{
    if (m_ruler)
        m_ruler->update();
}

void VerticalRulerSlot::makeRoom()
{
    const int room = m_ruler ? int(std::ceil(m_ruler->ruleThickness())) : 0;
    if (auto *table = qobject_cast<QTableView *>(m_area)) {
        QHeaderView *header = table->verticalHeader();
        if (m_ruler) {
            header->setFixedWidth(room);
            header->show();
            table->doItemsLayout(); // the table places its viewport beside the header again
        } else if (m_room > 0) {
            header->setMinimumWidth(0);
            header->setMaximumWidth(QWIDGETSIZE_MAX);
        }
    } else if (room != m_room) {
        QMargins margins = m_margins.get();
        margins.setLeft(std::max(0, margins.left() - m_room + room));
        m_margins.set(margins);
    }
    m_room = room;
}

void VerticalRulerSlot::place()
{
    if (!m_ruler)
        return;
    const QRect viewport = m_area->viewport()->geometry();
    const int top = m_area->contentsRect().top();
    m_ruler->setGeometry(viewport.left() - m_room, top, m_room, viewport.bottom() + 1 - top);
    m_ruler->raise();
    m_ruler->update();
}

bool VerticalRulerSlot::eventFilter(QObject *watched, QEvent *event)
try {
    const QEvent::Type type = event->type();
    if (m_ruler && (type == QEvent::Resize || type == QEvent::Move || type == QEvent::Show)
        && (watched == m_area->viewport() || watched == m_area))
        place();
    return QObject::eventFilter(watched, event);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "eventFilter");
    return false;
}

} // namespace platform
