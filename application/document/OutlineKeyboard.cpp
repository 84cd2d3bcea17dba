// A document's outline worked from the keyboard (see OutlineKeyboard.h).
#include "application/document/OutlineKeyboard.h"

#include "application/document/DocumentOutlineModel.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QTreeView>

#include <utility>

namespace {

bool isMovingKey(int key)
{
    switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        return true;
    default:
        return false;
    }
}

} // namespace

OutlineKeyboard::OutlineKeyboard(QTreeView *outline, DocumentOutlineModel *model)
    : QObject(outline)
    , m_outline(outline)
    , m_model(model)
    , m_nameColumn(model->columnForIdentifier(QStringLiteral("outlineName")))
    , m_statusColumn(model->columnForIdentifier(QStringLiteral("outlineStatus")))
{
    outline->installEventFilter(this);
    connect(model, &QAbstractItemModel::rowsInserted, this,
            platform::ExceptionBoundary::guarded(this, "rowsInserted", [this] { keepCurrentRowLater(false); }));
    connect(model, &QAbstractItemModel::rowsRemoved, this,
            platform::ExceptionBoundary::guarded(this, "rowsRemoved", [this] { keepCurrentRowLater(true); }));
    connect(model, &QAbstractItemModel::modelReset, this,
            platform::ExceptionBoundary::guarded(this, "modelReset", [this] { keepCurrentRowLater(true); }));
    // The anchor follows the current row, but not while Shift extends from it (keys
    // here, or a click).
    if (QItemSelectionModel *selection = outline->selectionModel())
        connect(selection, &QItemSelectionModel::currentChanged, this,
                platform::ExceptionBoundary::guarded(this, "currentChanged", [this](const QModelIndex &current) {
                    if (!m_extending && !(QGuiApplication::keyboardModifiers() & Qt::ShiftModifier))
                        m_anchor = current;
                }));
}

void OutlineKeyboard::selectRow(const QModelIndex &index)
{
    QItemSelectionModel *selection = m_outline ? m_outline->selectionModel() : nullptr;
    if (!selection || !index.isValid() || index.model() != m_model || m_outline->model() != m_model)
        return;
    const QModelIndex row = index.siblingAtColumn(m_nameColumn);
    m_anchor = row;
    selection->setCurrentIndex(row, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void OutlineKeyboard::keepCurrentRow(bool select)
{
    QItemSelectionModel *selection = m_outline ? m_outline->selectionModel() : nullptr;
    if (!selection || m_outline->model() != m_model || m_model->rowCount() == 0)
        return;
    QModelIndex current = m_outline->currentIndex();
    if (!current.isValid()) {
        const QModelIndexList rows = selection->selectedRows(m_nameColumn);
        current = rows.isEmpty() ? m_model->index(0, m_nameColumn) : rows.first();
    }
    if (select && !selection->hasSelection())
        selectRow(current);
    else if (!m_outline->currentIndex().isValid())
        selection->setCurrentIndex(current.siblingAtColumn(m_nameColumn), QItemSelectionModel::NoUpdate);
}

void OutlineKeyboard::keepCurrentRowLater(bool select)
{
    // Once the edit is over: the model may be in the middle of one.
    const bool scheduled = m_keepCurrentRow != KeepCurrentRow::No;
    if (select)
        m_keepCurrentRow = KeepCurrentRow::AndSelect;
    else if (!scheduled)
        m_keepCurrentRow = KeepCurrentRow::Yes;
    if (scheduled)
        return;
    QMetaObject::invokeMethod(
        this, platform::ExceptionBoundary::guarded(this, "keepCurrentRow", [this] {
            keepCurrentRow(std::exchange(m_keepCurrentRow, KeepCurrentRow::No) == KeepCurrentRow::AndSelect);
        }),
        Qt::QueuedConnection);
}

QModelIndex OutlineKeyboard::forward(QKeyEvent *event)
{
    m_forwarding = event;
    QCoreApplication::sendEvent(m_outline, event);
    m_forwarding = nullptr;
    if (!m_outline || !m_outline->selectionModel())
        return QModelIndex();
    return m_outline->currentIndex();
}

void OutlineKeyboard::moveAlone(QKeyEvent *event)
{
    const QModelIndex current = forward(event);
    if (!current.isValid())
        return;
    // The item view selects only a row it moves to.
    QItemSelectionModel *selection = m_outline->selectionModel();
    if (selection->selectedRows().size() != 1 || !selection->isRowSelected(current.row(), current.parent()))
        selectRow(current);
    else
        m_anchor = current;
}

void OutlineKeyboard::extendSelection(QKeyEvent *event)
{
    QModelIndex from = m_anchor;
    // An anchor closed away or gone: the rows start at the current one.
    if (!from.isValid() || m_outline->visualRect(from).isEmpty())
        from = m_outline->currentIndex();
    // The item view moves the current row alone with Ctrl.
    QKeyEvent move(event->type(), event->key(), (event->modifiers() & ~Qt::ShiftModifier) | Qt::ControlModifier,
                   event->text(), event->isAutoRepeat(), ushort(event->count()));
    m_extending = true;
    const QModelIndex to = forward(&move);
    m_extending = false;
    if (!to.isValid())
        return;
    QItemSelectionModel *selection = m_outline->selectionModel();
    if (!from.isValid())
        from = to;
    // The rows between the two as shown, each run of siblings as one range.
    const bool down = m_outline->visualRect(from).top() <= m_outline->visualRect(to).top();
    QModelIndex row = (down ? from : to).siblingAtColumn(0);
    const QModelIndex last = (down ? to : from).siblingAtColumn(0);
    const int lastColumn = m_model->columnCount() - 1;
    QItemSelection rows;
    QModelIndex runStart = row;
    QModelIndex runEnd = row;
    while (row.isValid()) {
        if (row != runStart && (row.parent() != runEnd.parent() || row.row() != runEnd.row() + 1)) {
            rows.select(runStart, runEnd.siblingAtColumn(lastColumn));
            runStart = row;
        }
        runEnd = row;
        if (row == last)
            break;
        row = m_outline->indexBelow(row);
    }
    rows.select(runStart, runEnd.siblingAtColumn(lastColumn));
    selection->select(rows, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void OutlineKeyboard::tickCurrentRow()
{
    const QModelIndex current = m_outline->currentIndex();
    if (!current.isValid() || current.model() != m_model)
        return;
    // The row ticked is a selected one.
    if (!m_outline->selectionModel()->isRowSelected(current.row(), current.parent()))
        selectRow(current);
    // Days and time entries have no box.
    const QModelIndex status = current.siblingAtColumn(m_statusColumn);
    if (m_model->flags(status).testFlag(Qt::ItemIsEditable))
        m_model->setData(status, !status.data(Qt::EditRole).toBool(), Qt::EditRole);
}

bool OutlineKeyboard::eventFilter(QObject *watched, QEvent *event)
try {
    if (watched != m_outline || m_outline->model() != m_model)
        return false;
    if (event->type() == QEvent::FocusIn) {
        // Tabbed to: on a selected row. Else (a click selects for itself, a window
        // turning active keeps what it had) a current row.
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        keepCurrentRow(reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason);
        return false;
    }
    if (event->type() != QEvent::KeyPress || event == m_forwarding)
        return false;
    auto *key = static_cast<QKeyEvent *>(event);
    const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
    if (key->key() == Qt::Key_Space && modifiers == Qt::NoModifier) {
        tickCurrentRow();
        return true;
    }
    if (!isMovingKey(key->key()))
        return false;
    if (modifiers == Qt::NoModifier)
        moveAlone(key);
    else if (modifiers == Qt::ShiftModifier)
        extendSelection(key);
    else
        return false;
    return true;
} catch (...) {
    platform::ExceptionBoundary::caught(this, "eventFilter");
    return false;
}
