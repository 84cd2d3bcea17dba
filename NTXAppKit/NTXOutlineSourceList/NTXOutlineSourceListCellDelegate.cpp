#include "NTXAppKit/NTXOutlineSourceList/NTXOutlineSourceListCellDelegate.h"

#include "NTXAppKit/NTXOutlineSourceList/NTXOutlineSourceList.h"
#include "NTXAppKit/NTXOutlineSourceList/NTXOutlineSourceListCalls.h"
#include "NTXAppKit/NTXOutlineSourceList/NTXOutlineSourceListModel.h"
#include "platform/drawing/TextFieldCell.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <cmath>

using namespace NTXOutlineSourceListCalls;

NTXOutlineSourceListCellDelegate::NTXOutlineSourceListCellDelegate(NTXOutlineSourceList *sourceList)
    : platform::CellItemDelegate(sourceList)
    , m_sourceList(sourceList)
{
    // Plain text on the row: no bezel, no background of its own.
    auto text = std::make_unique<platform::TextFieldCell>();
    text->setBezeled(false);
    text->setDrawsBackground(false);
    text->setEditable(false);
    setPrototypeCell(0, std::move(text));
    setWillDisplayCell([sourceList](platform::Cell &cell, const QModelIndex &index) {
        platform::Cell *shown = &cell;
        const QVariant item = static_cast<const NTXOutlineSourceListModel *>(index.model())->itemForIndex(index);
        tell(sourceList->delegate(), "sourceListWillDisplayCellForItem", sourceList, shown, item);
    });
}

std::unique_ptr<platform::Cell> NTXOutlineSourceListCellDelegate::cellForIndex(const QStyleOptionViewItem &option,
                                                                             const QModelIndex &index) const
{
    const auto *model = static_cast<const NTXOutlineSourceListModel *>(index.model());
    const QVariant item = model->itemForIndex(index);
    const std::optional<platform::Cell *> answered =
        ask<platform::Cell *>(m_sourceList->delegate(), "sourceListDataCellForItem", m_sourceList, item);
    if (!answered || !*answered)
        return preparedCell(option, index);
    std::unique_ptr<platform::Cell> cell = (*answered)->clone();
    cell->setObjectValue(index.data(Qt::EditRole));
    if (const QVariant font = index.data(Qt::FontRole); font.isValid())
        cell->setFont(font.value<QFont>());
    cell->setHighlighted(option.state & QStyle::State_Selected);
    cell->setEditable(index.flags() & Qt::ItemIsEditable);
    platform::Cell *shown = cell.get();
    tell(m_sourceList->delegate(), "sourceListWillDisplayCellForItem", m_sourceList, shown, item);
    return cell;
}

void NTXOutlineSourceListCellDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                             const QModelIndex &index) const
{
    // Asked by Qt's view: what the cell or the delegate's callback raises stops here.
    platform::ExceptionBoundary::guard(this, "paint", [&] {
        if (!painter || !index.isValid())
            return;
        paintItemBackground(painter, option, index);
        const std::unique_ptr<platform::Cell> cell = cellForIndex(option, index);
        if (!cell)
            return;
        const QRectF frame = m_sourceList->cellFrame(index);
        painter->save();
        // The painter is the view's: it goes back as it came, whatever the cell does.
        const std::unique_ptr<QPainter, void (*)(QPainter *)> restore(painter, [](QPainter *p) { p->restore(); });
        painter->setClipRect(frame.adjusted(0, -2, 0, 2));
        cell->drawWithFrame(*painter, frame, const_cast<QWidget *>(option.widget));
    });
}

QSize NTXOutlineSourceListCellDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    return platform::ExceptionBoundary::guardOr(this, "sizeHint", QSize(), [&]() -> QSize {
        const auto *model = static_cast<const NTXOutlineSourceListModel *>(index.model());
        const QSize base = CellItemDelegate::sizeHint(option, index);
        return QSize(base.width(), int(std::lround(m_sourceList->heightOfRowByItem(model->itemForIndex(index)))));
    });
}

void NTXOutlineSourceListCellDelegate::updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                                                            const QModelIndex &index) const
{
    platform::ExceptionBoundary::guard(this, "updateEditorGeometry", [&] {
        QStyleOptionViewItem placed = option;
        placed.rect = m_sourceList->cellFrame(index).toAlignedRect();
        CellItemDelegate::updateEditorGeometry(editor, placed, index);
    });
}
