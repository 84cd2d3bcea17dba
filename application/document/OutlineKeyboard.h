#pragma once
// A document's outline worked from the keyboard as tree views are on the desktop.
//
// While the outline has rows it has a current row (in the name column, where typing
// searches). The current row is selected when the window opens (selectRow() or
// keepCurrentRow(true) from the window's set-up), when Tab brings the focus to an
// outline without a selection, and when rows went away and none is selected. Up,
// Down, Home, End, Page Up and Page Down move the current row and make it the one
// selected row (also a key that cannot move, as Home on the first row); with Shift
// they select the rows from the anchor to the new current row, the anchor being the
// row made current last without Shift; with Ctrl they move it alone. Space ticks
// the current row's Done box (rows without one stay as they are) and selects that
// row. Left and Right stay the outline rules' (NTXOutlineViewExtension).
//
// Ownership: a child of the outline, whose key presses and focus it watches; the
// model outlives it. Threads: GUI thread only. Never throws: what the outline or
// the model raise in its handlers stops at them (platform::ExceptionBoundary).
#include <QObject>
#include <QPersistentModelIndex>
#include <QPointer>

class DocumentOutlineModel;
class QKeyEvent;
class QTreeView;

class OutlineKeyboard : public QObject
{
    Q_OBJECT
public:
    OutlineKeyboard(QTreeView *outline, DocumentOutlineModel *model);

    // Makes the index's row the current one (in the name column) and the only one
    // selected; the anchor of Shift's selections.
    void selectRow(const QModelIndex &index);
    // Gives an outline with rows a current row: the current one, else the first
    // selected, else the first row; with `select` it is selected when no row is.
    void keepCurrentRow(bool select);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The same once the model's edit is over (selecting when any call asked to).
    void keepCurrentRowLater(bool select);
    // Hands the key on to the outline with this filter stepping aside; answers the
    // current row after it (none when the outline went).
    QModelIndex forward(QKeyEvent *event);
    // A moving key without modifiers: the row it moves to, alone selected.
    void moveAlone(QKeyEvent *event);
    // A moving key with Shift: the rows from the anchor to the row it moves to.
    void extendSelection(QKeyEvent *event);
    void tickCurrentRow();

    QPointer<QTreeView> m_outline;
    DocumentOutlineModel *m_model;
    int m_nameColumn;
    int m_statusColumn;
    QPersistentModelIndex m_anchor;
    // The key handed on to the outline while this filter looks on.
    QEvent *m_forwarding = nullptr;
    bool m_extending = false;
    enum class KeepCurrentRow { No, Yes, AndSelect };
    KeepCurrentRow m_keepCurrentRow = KeepCurrentRow::No;
};
