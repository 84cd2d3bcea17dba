#include "application/document/OutlineColumnFit.h"

#include "platform/foundation/ExceptionBoundary.h"

#include <QEvent>
#include <QHeaderView>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyle>
#include <QTreeView>

#include <algorithm>
#include <utility>

OutlineColumnFit::OutlineColumnFit(QTreeView *outline, int nameColumn)
    : QObject(outline)
    , m_outline(outline)
    , m_nameColumn(nameColumn)
{
    setObjectName(QStringLiteral("outlineColumnFit"));
    if (!outline)
        return;
    QHeaderView *header = outline->header();
    for (int logical = 0; logical < header->count(); ++logical)
        m_given.push_back(header->sectionSize(logical));
    m_first = m_given;
    m_viewport = outline->viewport();
    m_headerViewport = header->viewport();
    m_viewport->installEventFilter(this);
    m_headerViewport->installEventFilter(this);
    connect(header, &QHeaderView::sectionResized, this,
            platform::ExceptionBoundary::guarded(this, "sectionResized", &OutlineColumnFit::sectionResized));
    fit();
}

const OutlineColumnFit *OutlineColumnFit::of(const QTreeView *outline)
{
    return outline ? outline->findChild<OutlineColumnFit *>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
}

int OutlineColumnFit::givenWidth(int logicalIndex) const
{
    if (logicalIndex < 0 || std::size_t(logicalIndex) >= m_given.size())
        return 0;
    return m_given[std::size_t(logicalIndex)];
}

int OutlineColumnFit::leastWidth(int logicalIndex) const
{
    if (logicalIndex < 0 || std::size_t(logicalIndex) >= m_given.size() || !m_outline)
        return 0;
    const int floor = m_outline->header()->minimumSectionSize();
    const int least = logicalIndex == m_nameColumn ? MinimumNameWidth : m_first[std::size_t(logicalIndex)];
    return std::max(floor, std::min(least, givenWidth(logicalIndex)));
}

bool OutlineColumnFit::eventFilter(QObject *watched, QEvent *event)
try {
    // Only resizes and the header's mouse buttons are looked at: while the outline
    // goes, its viewport hears of other events after the outline's own part is gone.
    const auto type = event->type();
    if (type == QEvent::Resize && watched == m_viewport.data()) {
        if (m_outline)
            fit();
    } else if (watched == m_headerViewport.data()) {
        // The left button resizes; a double click on a border sizes the column to its
        // contents: a drag too.
        if ((type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick
             || type == QEvent::MouseButtonRelease)
            && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
            m_pressed = type != QEvent::MouseButtonRelease;
    }
    return QObject::eventFilter(watched, event);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "eventFilter");
    return false;
}

void OutlineColumnFit::sectionResized(int logicalIndex, int oldSize, int newSize)
{
    if (m_fitting || logicalIndex < 0 || std::size_t(logicalIndex) >= m_given.size())
        return;
    if (!m_pressed) {
        // The stored columns give a column its width; the name takes the difference.
        m_given[std::size_t(logicalIndex)] = newSize;
        fit();
        return;
    }
    // The person's drag: the widths seen are the ones given from now on, and what the
    // drag could take is what it gave.
    for (const int column : shownColumns())
        m_given[std::size_t(column)] = column == logicalIndex ? oldSize : m_outline->header()->sectionSize(column);
    if (logicalIndex == m_nameColumn)
        nameDragged(oldSize, newSize);
    else
        borderDragged(logicalIndex, oldSize, newSize);
    for (const int column : shownColumns())
        m_given[std::size_t(column)] = m_outline->header()->sectionSize(column);
}

void OutlineColumnFit::nameDragged(int oldSize, int newSize)
{
    QHeaderView *header = m_outline->header();
    const std::vector<int> shown = shownColumns();
    const auto name = std::find(shown.begin(), shown.end(), m_nameColumn);
    // The last column after the name gives or takes the room; with none after it the
    // name's right border is the outline's edge, which stays.
    int width = oldSize;
    if (name != shown.end() && name + 1 != shown.end()) {
        const int partner = shown.back();
        const int partnerWidth = header->sectionSize(partner);
        const int partnerLeast = std::min(partnerWidth, leastWidth(partner));
        const int newPartnerWidth = std::max(partnerLeast, partnerWidth - (newSize - oldSize));
        width = oldSize + (partnerWidth - newPartnerWidth);
        resizeColumn(partner, newPartnerWidth);
    }
    resizeColumn(m_nameColumn, width);
}

void OutlineColumnFit::borderDragged(int logicalIndex, int oldSize, int newSize)
{
    const std::vector<int> shown = shownColumns();
    const auto dragged = std::find(shown.begin(), shown.end(), logicalIndex);
    if (dragged == shown.end())
        return;
    // The right border of the last column is the outline's edge, which stays.
    if (dragged + 1 == shown.end()) {
        resizeColumn(logicalIndex, oldSize);
        return;
    }
    const int partner = *(dragged + 1);
    if (partner == m_nameColumn) {
        // The name takes what is left.
        m_given[std::size_t(logicalIndex)] = newSize;
        fit(logicalIndex);
        return;
    }
    // The column after the border gives or takes the room, down to
    // MinimumDragPartnerWidth: the border goes where it is dragged.
    QHeaderView *header = m_outline->header();
    const int partnerWidth = header->sectionSize(partner);
    const int partnerLeast = std::min(partnerWidth, std::max(header->minimumSectionSize(), MinimumDragPartnerWidth));
    const int newPartnerWidth = std::max(partnerLeast, partnerWidth - (newSize - oldSize));
    resizeColumn(partner, newPartnerWidth);
    resizeColumn(logicalIndex, oldSize + (partnerWidth - newPartnerWidth));
}

std::vector<int> OutlineColumnFit::shownColumns() const
{
    std::vector<int> columns;
    const QHeaderView *header = m_outline->header();
    for (int visual = 0; visual < header->count(); ++visual) {
        const int logical = header->logicalIndex(visual);
        if (logical >= 0 && std::size_t(logical) < m_given.size() && !header->isSectionHidden(logical))
            columns.push_back(logical);
    }
    return columns;
}

void OutlineColumnFit::resizeColumn(int logicalIndex, int width)
{
    QHeaderView *header = m_outline->header();
    if (header->sectionSize(logicalIndex) == width)
        return;
    const bool fitting = std::exchange(m_fitting, true);
    header->resizeSection(logicalIndex, width);
    m_fitting = fitting;
}

void OutlineColumnFit::fit(int draggedColumn)
{
    if (!m_outline)
        return;
    if (m_fitting) {
        // Asked again while columns are resized (the outline's viewport changed with
        // its scroll bars): done once the resizing ends.
        m_refit = true;
        return;
    }
    // A few passes at most: a scroll bar that shows or goes changes the room once.
    for (int pass = 0; pass < 3; ++pass) {
        m_refit = false;
        fitOnce(draggedColumn);
        if (!m_refit)
            break;
    }
}

void OutlineColumnFit::fitOnce(int draggedColumn)
{
    QHeaderView *header = m_outline->header();
    if (m_nameColumn < 0 || std::size_t(m_nameColumn) >= m_given.size() || header->isSectionHidden(m_nameColumn))
        return;
    const std::vector<int> shown = shownColumns();

    // The window cannot be narrower than the columns at their first widths, the name
    // at its least, beside a vertical scroll bar, whether one shows or not; it stays
    // so whatever the person drags, so that a drag never makes room for the inspector.
    int least = 0;
    for (const int column : shown)
        least += column == m_nameColumn ? MinimumNameWidth : m_first[std::size_t(column)];
    const int scrollBar = m_outline->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_outline->verticalScrollBar());
    const int minimum = least + 2 * m_outline->frameWidth() + scrollBar;
    if (m_outline->minimumWidth() != minimum)
        m_outline->setMinimumWidth(minimum);

    // A hidden outline has no room to measure; showing it resizes its viewport.
    if (!m_outline->isVisible())
        return;
    const int room = m_outline->viewport()->width();
    if (room <= 0)
        return;
    // The figures give up what they have beyond their least widths, the last shown
    // first and the dragged one last of all, so that the name has its given width;
    // then the name gives up room, down to its least.
    const int nameLeast = leastWidth(m_nameColumn);
    std::vector<std::pair<int, int>> widths;
    int others = 0;
    for (const int column : shown) {
        widths.emplace_back(column, column == m_nameColumn ? 0 : givenWidth(column));
        if (column != m_nameColumn)
            others += givenWidth(column);
    }
    int missing = others + std::max(nameLeast, givenWidth(m_nameColumn)) - room;
    std::vector<int> order(shown.rbegin(), shown.rend());
    std::stable_partition(order.begin(), order.end(), [draggedColumn](int column) { return column != draggedColumn; });
    for (const int column : order) {
        if (column == m_nameColumn || missing <= 0)
            continue;
        auto entry = std::find_if(widths.begin(), widths.end(), [column](const auto &w) { return w.first == column; });
        const int give = std::min(missing, std::max(0, entry->second - leastWidth(column)));
        entry->second -= give;
        others -= give;
        missing -= give;
    }
    for (auto &[column, width] : widths) {
        if (column == m_nameColumn)
            width = std::max(nameLeast, room - others);
    }
    m_fitting = true;
    for (const auto &[column, width] : widths) {
        if (header->sectionSize(column) != width)
            header->resizeSection(column, width);
    }
    m_fitting = false;
}
