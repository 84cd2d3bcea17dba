// The geometry and drawing of a source list's rows: text cell, icon and badge.
#include "NTXAppKit/NTXOutlineSourceList/NTXOutlineSourceList.h"

#include "NTXAppKit/NTXOutlineSourceList/NTXOutlineSourceListCalls.h"
#include "NTXAppKit/NTXOutlineSourceList/NTXOutlineSourceListCellDelegate.h"
#include "NTXAppKit/NTXOutlineSourceList/NTXOutlineSourceListModel.h"
#include "NTXAppKit/NTXOutlineSourceList/NTXOutlineSourceListSelectionModel.h"
#include "platform/drawing/Cell.h"
#include "platform/drawing/SystemColors.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QHeaderView>
#include <QPainter>
#include <QPainterPath>

using namespace NTXOutlineSourceListCalls;
namespace colors = platform::SystemColors;

namespace {

// Space between the text cell's left edge and the indentation of its level.
constexpr qreal CellIndent = 18;
constexpr qreal IconGap = 4;         // between icon and text
constexpr qreal IconOffset = 2;      // between the icon's right edge and the text cell
constexpr qreal BadgeMargin = 5;     // between the badge and the row's right edge
constexpr qreal AlwaysExpandedCellX = 7;

QFont badgeFont()
{
    QFont font = QApplication::font();
    font.setBold(true);
    font.setPixelSize(11);
    return font;
}

int levelOf(const QModelIndex &index)
{
    int level = 0;
    for (QModelIndex i = index.parent(); i.isValid(); i = i.parent())
        ++level;
    return level;
}

} // namespace

bool NTXOutlineSourceList::itemHasBadge(const QVariant &item) const
{
    return ask<bool>(m_dataSource, "sourceListItemHasBadge", const_cast<NTXOutlineSourceList *>(this), item)
        .value_or(false);
}

qint64 NTXOutlineSourceList::badgeValueForItem(const QVariant &item) const
{
    if (!itemHasBadge(item))
        return NoBadgeValue;
    return ask<int>(m_dataSource, "sourceListBadgeValueForItem", const_cast<NTXOutlineSourceList *>(this), item)
        .value_or(int(NoBadgeValue));
}

QSizeF NTXOutlineSourceList::badgeSize(const QModelIndex &index) const
{
    const QVariant item = m_model->itemForIndex(index);
    if (!index.isValid() || !itemHasBadge(item))
        return QSizeF();
    const QString text = QString::number(badgeValueForItem(item));
    const qreal width = QFontMetricsF(badgeFont()).horizontalAdvance(text);
    return QSizeF(std::max<qreal>(width + 10, 22), 14);
}

QSizeF NTXOutlineSourceList::sizeOfBadgeAtRow(int row) const
{
    return badgeSize(indexOfRow(row));
}

QRectF NTXOutlineSourceList::branchRect(const QModelIndex &index) const
{
    if (!index.isValid() || isAlwaysExpandedIndex(index) || !m_model->hasChildren(index))
        return QRectF();
    const QRect row = visualRect(index);
    const int level = levelOf(index) + (rootIsDecorated() ? 1 : 0);
    const int x = (level - 1) * indentation() - header()->offset();
    return QRectF(x, row.y(), indentation(), row.height());
}

QRectF NTXOutlineSourceList::frameOfOutlineCellAtRow(int row) const
{
    return branchRect(indexOfRow(row));
}

QRectF NTXOutlineSourceList::cellFrame(const QModelIndex &index) const
{
    if (!index.isValid())
        return QRectF();
    const QRectF inherited = visualRect(index);
    const QRectF rowRect(0, inherited.y(), viewport()->width(), inherited.height());
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = inherited.toRect();
    const std::unique_ptr<platform::Cell> cell = m_cells->cellForIndex(option, index);
    const qreal h = cell ? cell->cellSize().height() : fontMetrics().height();
    const QVariant item = m_model->itemForIndex(index);
    if (isGroupIndex(index)) {
        const qreal x = isAlwaysExpandedIndex(index) ? AlwaysExpandedCellX : inherited.x();
        return QRectF(x, inherited.center().y() - h / 2, rowRect.width() - x, h);
    }
    qreal x = levelOf(index) * indentation() + CellIndent;
    if (ask<bool>(m_dataSource, "sourceListItemHasIcon", const_cast<NTXOutlineSourceList *>(this), item).value_or(false))
        x += m_iconSize.width() + IconGap;
    const qreal badgeWidth = badgeSize(index).width();
    return QRectF(x, rowRect.center().y() - h / 2, rowRect.width() - (badgeWidth + BadgeMargin) - x, h);
}

QRectF NTXOutlineSourceList::frameOfCellAtColumnRow(int column, int row) const
{
    return column == 0 ? cellFrame(indexOfRow(row)) : QRectF();
}

void NTXOutlineSourceList::drawBranches(QPainter *painter, const QRect &rect, const QModelIndex &index) const
{
    if (isAlwaysExpandedIndex(index))
        return;
    QTreeView::drawBranches(painter, rect, index);
}

void NTXOutlineSourceList::drawRow(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QTreeView::drawRow(painter, option, index);
    if (!isGroupIndex(index))
        drawIcon(painter, index);
    if (itemHasBadge(m_model->itemForIndex(index))) {
        const QSizeF size = badgeSize(index);
        const QRectF row(0, option.rect.y(), viewport()->width(), option.rect.height());
        const QRectF badge(row.right() - size.width() - BadgeMargin, row.center().y() - size.height() / 2,
                           size.width(), size.height());
        drawBadge(painter, index, badge);
    }
}

void NTXOutlineSourceList::drawIcon(QPainter *painter, const QModelIndex &index) const
{
    auto *self = const_cast<NTXOutlineSourceList *>(this);
    const QVariant item = m_model->itemForIndex(index);
    if (!ask<bool>(m_dataSource, "sourceListItemHasIcon", self, item).value_or(false))
        return;
    const QImage image = ask<QImage>(m_dataSource, "sourceListIconForItem", self, item).value_or(QImage());
    if (image.isNull())
        return;
    const QRectF cell = cellFrame(index);
    const QRectF iconRect(cell.x() - m_iconSize.width() - IconOffset, cell.center().y() - m_iconSize.height() / 2,
                          m_iconSize.width(), m_iconSize.height());
    painter->save();
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter->setOpacity(1.0);
    const QSizeF own = image.deviceIndependentSize();
    if (own.width() < iconRect.width() || own.height() < iconRect.height()) {
        const QRectF centred(iconRect.center().x() - own.width() / 2, iconRect.center().y() - own.height() / 2,
                             own.width(), own.height());
        painter->drawImage(centred, image);
    } else {
        painter->drawImage(iconRect, image);
    }
    painter->restore();
}

void NTXOutlineSourceList::drawBadge(QPainter *painter, const QModelIndex &index, const QRectF &rect) const
{
    auto *self = const_cast<NTXOutlineSourceList *>(this);
    const QVariant item = m_model->itemForIndex(index);
    const QWidget *active = QApplication::activeWindow();
    const bool applicationActive = active && active->isVisible();
    const bool selected = m_selection->isSelected(index);
    const bool editing = state() == QAbstractItemView::EditingState && currentIndex().siblingAtColumn(0) == index;
    QColor fill;
    QColor text;
    if (!selected && !applicationActive) {
        fill = colors::calibratedWhite(180 / 255.0);
        text = colors::whiteColor();
    } else if (!selected) {
        fill = ask<QColor>(m_dataSource, "sourceListBadgeBackgroundColorForItem", self, item).value_or(QColor());
        if (!fill.isValid())
            fill = colors::deviceRGB(152 / 255.0, 168 / 255.0, 202 / 255.0);
        text = ask<QColor>(m_dataSource, "sourceListBadgeTextColorForItem", self, item).value_or(QColor());
        if (!text.isValid())
            text = colors::whiteColor();
    } else if (!applicationActive) {
        fill = colors::whiteColor();
        text = colors::calibratedWhite(170 / 255.0);
    } else if (hasFocus() || editing) {
        fill = colors::whiteColor();
        text = colors::keyboardFocusIndicatorColor();
    } else {
        fill = colors::whiteColor();
        text = colors::deviceRGB(153 / 255.0, 169 / 255.0, 203 / 255.0);
    }
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(rect, 7, 7);
    painter->fillPath(shape, fill);
    painter->setFont(badgeFont());
    painter->setPen(text);
    painter->drawText(rect, Qt::AlignCenter, QString::number(badgeValueForItem(item)));
    painter->restore();
}
