#include "platform/drawing/CellItemDelegate.h"

#include "platform/drawing/ButtonCell.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <cmath>

namespace platform {

namespace {

bool isCheckCell(const Cell *cell)
{
    const auto *button = dynamic_cast<const ButtonCell *>(cell);
    return button
        && (button->buttonType() == ButtonCell::ButtonType::Switch
            || button->buttonType() == ButtonCell::ButtonType::Radio);
}


} // namespace

CellItemDelegate::CellItemDelegate(QObject *parent)
    : QStyledItemDelegate(parent)
{
}

CellItemDelegate::~CellItemDelegate() = default;

void CellItemDelegate::setPrototypeCell(int column, std::unique_ptr<Cell> cell)
{
    if (cell)
        m_prototypes[column] = std::move(cell);
    else
        m_prototypes.erase(column);
}

Cell *CellItemDelegate::prototypeCell(int column) const
{
    const auto it = m_prototypes.find(column);
    return it == m_prototypes.end() ? nullptr : it->second.get();
}

std::unique_ptr<Cell> CellItemDelegate::preparedCell(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    if (!index.isValid())
        return nullptr;
    const Cell *prototype = prototypeCell(index.column());
    if (!prototype)
        return nullptr;
    std::unique_ptr<Cell> cell = prototype->clone();

    QVariant value = index.data(Qt::EditRole);
    if (!value.isValid())
        value = index.data(Qt::DisplayRole);
    const QVariant check = index.data(Qt::CheckStateRole);
    if (isCheckCell(cell.get())) {
        if (check.isValid()) {
            const int checkState = check.toInt();
            cell->setState(checkState == Qt::Checked ? Cell::State::On
                                                     : (checkState == Qt::PartiallyChecked ? Cell::State::Mixed
                                                                                           : Cell::State::Off));
        } else if (value.isValid()) {
            cell->setObjectValue(value);
        }
    } else {
        if (value.isValid())
            cell->setObjectValue(value);
        if (check.isValid()) {
            const int checkState = check.toInt();
            cell->setState(checkState == Qt::Checked ? Cell::State::On
                                                     : (checkState == Qt::PartiallyChecked ? Cell::State::Mixed
                                                                                           : Cell::State::Off));
        }
    }
    const QVariant font = index.data(Qt::FontRole);
    if (font.isValid())
        cell->setFont(font.value<QFont>());
    const QVariant alignment = index.data(Qt::TextAlignmentRole);
    if (alignment.isValid())
        cell->setAlignment(Qt::Alignment(alignment.toInt()));
    const QIcon icon = iconFromVariant(index.data(Qt::DecorationRole));
    if (!icon.isNull())
        cell->setImage(icon);

    cell->setHighlighted(option.state & QStyle::State_Selected);
    cell->setEnabled((option.state & QStyle::State_Enabled) && (index.flags() & Qt::ItemIsEnabled));
    cell->setEditable(index.flags() & Qt::ItemIsEditable);

    if (m_willDisplayCell)
        m_willDisplayCell(*cell, index);
    return cell;
}

// Asked by Qt's views: what a cell or the delegate's callbacks raise stops at each of
// these entries (a row left unpainted, the style's size, no editor).
void CellItemDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    ExceptionBoundary::guard(this, "paint", [&] {
        std::unique_ptr<Cell> cell = preparedCell(option, index);
        if (!cell || !painter) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        paintItemBackground(painter, option, index);
        painter->save();
        // The painter is the view's: it goes back as it came, whatever the cell does.
        const std::unique_ptr<QPainter, void (*)(QPainter *)> restore(painter, [](QPainter *p) { p->restore(); });
        painter->setClipRect(option.rect);
        cell->drawWithFrame(*painter, QRectF(option.rect), const_cast<QWidget *>(option.widget));
    });
}

QSize CellItemDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    return ExceptionBoundary::guardOr(this, "sizeHint", QSize(), [&] {
        std::unique_ptr<Cell> cell = preparedCell(option, index);
        if (!cell)
            return QStyledItemDelegate::sizeHint(option, index);
        const QSizeF size = cell->cellSize();
        return QSize(static_cast<int>(std::ceil(size.width())), static_cast<int>(std::ceil(size.height())));
    });
}

QWidget *CellItemDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                                        const QModelIndex &index) const
{
    return ExceptionBoundary::guardOr(this, "createEditor", static_cast<QWidget *>(nullptr), [&] {
        QWidget *editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (editor) {
            if (std::unique_ptr<Cell> cell = preparedCell(option, index))
                editor->setFont(cell->font());
        }
        return editor;
    });
}

void CellItemDelegate::updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                                            const QModelIndex &index) const
{
    ExceptionBoundary::guard(this, "updateEditorGeometry", [&] { placeEditor(editor, option, index); });
}

void CellItemDelegate::placeEditor(QWidget *editor, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    std::unique_ptr<Cell> cell = preparedCell(option, index);
    if (!cell || !editor) {
        QStyledItemDelegate::updateEditorGeometry(editor, option, index);
        return;
    }
    QRectF title = cell->titleRectForBounds(QRectF(option.rect));
    // an editor needs at least one line of the cell's font
    const qreal lineHeight = editor->sizeHint().height();
    if (title.height() < lineHeight) {
        const qreal centre = title.center().y();
        title.setTop(centre - lineHeight / 2);
        title.setHeight(lineHeight);
    }
    editor->setGeometry(title.toAlignedRect());
}

bool CellItemDelegate::editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                                   const QModelIndex &index)
try {
    if (!event || !model || !index.isValid())
        return QStyledItemDelegate::editorEvent(event, model, option, index);
    std::unique_ptr<Cell> cell = preparedCell(option, index);
    if (!isCheckCell(cell.get()))
        return QStyledItemDelegate::editorEvent(event, model, option, index);

    const Qt::ItemFlags flags = model->flags(index);
    if (!(flags & Qt::ItemIsEnabled) || !(flags & (Qt::ItemIsUserCheckable | Qt::ItemIsEditable)))
        return false;

    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        // swallow, so the press does not start an editor on the check box
        return mouse->button() == Qt::LeftButton && option.rect.contains(mouse->position().toPoint());
    }
    case QEvent::MouseButtonRelease: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::LeftButton || !option.rect.contains(mouse->position().toPoint()))
            return false;
        break;
    }
    case QEvent::KeyPress: {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() != Qt::Key_Space && key->key() != Qt::Key_Select)
            return false;
        break;
    }
    default:
        return false;
    }

    cell->activate(const_cast<QWidget *>(option.widget));
    if (index.data(Qt::CheckStateRole).isValid()) {
        const int checkState = cell->state() == Cell::State::On
            ? Qt::Checked
            : (cell->state() == Cell::State::Mixed ? Qt::PartiallyChecked : Qt::Unchecked);
        return model->setData(index, checkState, Qt::CheckStateRole);
    }
    return model->setData(index, static_cast<int>(cell->state()), Qt::EditRole);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "editorEvent");
    return false;
}

QIcon CellItemDelegate::iconFromVariant(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::QIcon:
        return value.value<QIcon>();
    case QMetaType::QPixmap:
        return QIcon(value.value<QPixmap>());
    case QMetaType::QImage:
        return QIcon(QPixmap::fromImage(value.value<QImage>()));
    default:
        return QIcon();
    }
}

void CellItemDelegate::paintItemBackground(QPainter *painter, const QStyleOptionViewItem &option,
                                           const QModelIndex &index) const
{
    QStyleOptionViewItem background = option;
    initStyleOption(&background, index);
    background.text.clear();
    background.icon = QIcon();
    background.features &= ~(QStyleOptionViewItem::HasDisplay | QStyleOptionViewItem::HasDecoration
                             | QStyleOptionViewItem::HasCheckIndicator);
    QWidget *view = const_cast<QWidget *>(option.widget);
    QStyle *style = view ? view->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &background, painter, view);
}

} // namespace platform
