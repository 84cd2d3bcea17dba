#include "application/document/OutlineColumnFit.h"

#include "platform/foundation/ExceptionBoundary.h"

#include <QEvent>
#include <QHeaderView>
#include <QScrollBar>
#include <QTreeView>

#include <algorithm>

OutlineColumnFit::OutlineColumnFit(QTreeView *outline, int nameColumn)
    : QObject(outline)
    , m_outline(outline)
    , m_nameColumn(nameColumn)
    , m_nameWidth(outline ? outline->header()->sectionSize(nameColumn) : 0)
{
    setObjectName(QStringLiteral("outlineColumnFit"));
    if (!outline)
        return;
    outline->viewport()->installEventFilter(this);
    connect(outline->header(), &QHeaderView::sectionResized, this,
            platform::ExceptionBoundary::guarded(this, "sectionResized", &OutlineColumnFit::sectionResized));
    fit();
}

const OutlineColumnFit *OutlineColumnFit::of(const QTreeView *outline)
{
    return outline ? outline->findChild<OutlineColumnFit *>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
}

int OutlineColumnFit::storedWidth(int logicalIndex) const
{
    if (logicalIndex == m_nameColumn)
        return m_nameWidth;
    return m_outline ? m_outline->header()->sectionSize(logicalIndex) : 0;
}

bool OutlineColumnFit::eventFilter(QObject *watched, QEvent *event)
try {
    // Only a resize is looked at: while the outline goes, its viewport hears of other
    // events after the outline's own part is gone.
    if (event->type() == QEvent::Resize && m_outline && watched == m_outline->viewport())
        fit();
    return QObject::eventFilter(watched, event);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "eventFilter");
    return false;
}

void OutlineColumnFit::sectionResized(int logicalIndex, int, int newSize)
{
    if (m_fitting)
        return;
    // The user's drag or the stored columns give the name column its width; a
    // change of another column changes the room the name has.
    if (logicalIndex == m_nameColumn)
        m_nameWidth = newSize;
    fit();
}

void OutlineColumnFit::fit()
{
    // A hidden outline has no room to measure; showing it resizes its viewport.
    if (!m_outline || m_fitting || !m_outline->isVisible())
        return;
    QHeaderView *header = m_outline->header();
    if (m_nameColumn < 0 || m_nameColumn >= header->count() || header->isSectionHidden(m_nameColumn))
        return;
    const int room = m_outline->viewport()->width();
    if (room <= 0)
        return;
    const int others = header->length() - header->sectionSize(m_nameColumn);
    // The name takes whatever room the other columns leave, more than its given
    // width as well as less, down to its least width.
    const int least = std::min(m_nameWidth, std::max(MinimumNameWidth, header->minimumSectionSize()));
    const int width = std::max(least, room - others);
    if (width == header->sectionSize(m_nameColumn))
        return;
    m_fitting = true;
    header->resizeSection(m_nameColumn, width);
    m_fitting = false;
}
