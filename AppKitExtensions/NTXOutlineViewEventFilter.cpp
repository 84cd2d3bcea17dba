#include "AppKitExtensions/NTXOutlineViewEventFilter.h"

#include "AppKitExtensions/NTXOutlineViewExtension.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QAbstractItemDelegate>
#include <QCoreApplication>
#include <QContextMenuEvent>
#include <QDragLeaveEvent>
#include <QDropEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMetaMethod>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QTreeView>

namespace {

QTreeView *treeOfViewport(QObject *object)
{
    auto *widget = qobject_cast<QWidget *>(object);
    if (!widget)
        return nullptr;
    auto *view = qobject_cast<QTreeView *>(widget->parentWidget());
    return view && view->viewport() == widget ? view : nullptr;
}

// Whether the view is editing an item in place (an editor opened by edit(), not a
// persistent editor or an index widget). The state is protected; a pointer to the
// member formed through a derived class reads it.
struct EditingStateReader : QAbstractItemView
{
    static bool isEditing(const QAbstractItemView *view)
    {
        return (view->*(&EditingStateReader::state))() == QAbstractItemView::EditingState;
    }
};

bool isEditing(const QAbstractItemView *view)
{
    return EditingStateReader::isEditing(view);
}

void callDelegate(QTreeView *view, const char *signature, const char *typeName, QEvent *event)
{
    QObject *delegate = NTXOutlineViewExtension::delegate(view);
    if (!delegate)
        return;
    const QMetaObject *meta = delegate->metaObject();
    const int index = meta->indexOfMethod(QMetaObject::normalizedSignature(signature).constData());
    if (index < 0)
        return;
    const QMetaMethod method = meta->method(index);
    if (qstrcmp(typeName, "QDropEvent*") == 0)
        method.invoke(delegate, Qt::DirectConnection, Q_ARG(QTreeView *, view),
                      Q_ARG(QDropEvent *, static_cast<QDropEvent *>(event)));
    else
        method.invoke(delegate, Qt::DirectConnection, Q_ARG(QTreeView *, view),
                      Q_ARG(QDragLeaveEvent *, static_cast<QDragLeaveEvent *>(event)));
}

} // namespace

NTXOutlineViewEventFilter::NTXOutlineViewEventFilter(QObject *parent)
    : QObject(parent)
{
}

void NTXOutlineViewEventFilter::forward(QObject *receiver, QEvent *event)
{
    m_forwarding.insert(event);
    QCoreApplication::sendEvent(receiver, event);
    m_forwarding.remove(event);
}

bool NTXOutlineViewEventFilter::eventFilter(QObject *watched, QEvent *event)
try {
    switch (event->type()) {
    case QEvent::ContextMenu:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::DragLeave:
    case QEvent::Drop:
        if (m_forwarding.contains(event))
            return false;
        if (QTreeView *view = treeOfViewport(watched)) {
            const bool own = event->type() == QEvent::DragLeave || event->type() == QEvent::Drop;
            if (!own && NTXOutlineViewExtension::handlesEventsItself(view))
                return false;
            return handleViewportEvent(view, view->viewport(), event);
        }
        // The context-menu key goes to the view that has the focus, not its viewport.
        if (auto *view = qobject_cast<QTreeView *>(watched); view && event->type() == QEvent::ContextMenu
            && static_cast<QContextMenuEvent *>(event)->reason() == QContextMenuEvent::Keyboard
            && !NTXOutlineViewExtension::handlesEventsItself(view)) {
            showKeyboardMenu(view);
            return true;
        }
        return false;
    case QEvent::KeyPress: {
        if (m_forwarding.contains(event))
            return false;
        if (auto *view = qobject_cast<QTreeView *>(watched))
            return NTXOutlineViewExtension::handlesEventsItself(view) ? false : handleViewKey(view, event);
        auto *widget = qobject_cast<QWidget *>(watched);
        if (!widget || !widget->parentWidget())
            return false;
        // an editor: a widget whose ancestor is a child of an outline's viewport
        for (QWidget *w = widget; w && !w->isWindow(); w = w->parentWidget()) {
            if (QTreeView *view = treeOfViewport(w->parentWidget()))
                return handleEditorReturn(view, w, event);
        }
        return false;
    }
    default:
        return false;
    }
} catch (...) {
    platform::ExceptionBoundary::caught(this, "eventFilter");
    return false;
}

void NTXOutlineViewEventFilter::showKeyboardMenu(QTreeView *view)
{
    // The current row when it is selected, else the first selected one; none without
    // a selection (the pointer may be anywhere: its position says nothing here).
    QModelIndex index = view->currentIndex();
    const QItemSelectionModel *selection = view->selectionModel();
    if (!selection)
        return;
    if (!index.isValid() || !selection->isRowSelected(index.row(), index.parent())) {
        const QModelIndexList rows = selection->selectedRows();
        if (rows.isEmpty())
            return;
        index = rows.first();
    }
    view->scrollTo(index);
    const QRect row = view->visualRect(index.siblingAtColumn(0));
    if (!row.isValid())
        return;
    if (QMenu *menu = NTXOutlineViewExtension::menuForEvent(view, row.center()))
        menu->popup(view->viewport()->mapToGlobal(row.bottomLeft()));
}

bool NTXOutlineViewEventFilter::handleViewportEvent(QTreeView *view, QWidget *viewport, QEvent *event)
{
    switch (event->type()) {
    case QEvent::ContextMenu: {
        auto *contextEvent = static_cast<QContextMenuEvent *>(event);
        if (contextEvent->reason() == QContextMenuEvent::Keyboard)
            showKeyboardMenu(view);
        else if (QMenu *menu = NTXOutlineViewExtension::menuForEvent(view, contextEvent->pos()))
            menu->popup(contextEvent->globalPos());
        return true; // a menu the view or a form attached is never shown
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
        // a right click asks for a menu; it does not select the row under it
        return static_cast<QMouseEvent *>(event)->button() == Qt::RightButton;
    case QEvent::DragLeave:
        forward(viewport, event);
        callDelegate(view, "outlineViewDraggingExited(QTreeView*,QDragLeaveEvent*)", "QDragLeaveEvent*", event);
        return true;
    case QEvent::Drop:
        forward(viewport, event);
        if (event->isAccepted())
            callDelegate(view, "outlineViewConcludeDragOperation(QTreeView*,QDropEvent*)", "QDropEvent*", event);
        return true;
    default:
        return false;
    }
}

bool NTXOutlineViewEventFilter::handleViewKey(QTreeView *view, QEvent *event)
{
    auto *keyEvent = static_cast<QKeyEvent *>(event);
    if (NTXOutlineViewExtension::keyDown(view, keyEvent))
        return true;
    switch (keyEvent->key()) {
    case Qt::Key_Asterisk:
    case Qt::Key_Plus:
    case Qt::Key_Minus: {
        // the tree would expand or collapse on these; as a plain item view it only
        // searches for the typed character
        const bool expandable = view->itemsExpandable();
        view->setItemsExpandable(false);
        forward(view, event);
        view->setItemsExpandable(expandable);
        return true;
    }
    default:
        return false;
    }
}

bool NTXOutlineViewEventFilter::handleEditorReturn(QTreeView *view, QWidget *editor, QEvent *event)
{
    auto *keyEvent = static_cast<QKeyEvent *>(event);
    if (keyEvent->key() != Qt::Key_Return && keyEvent->key() != Qt::Key_Enter)
        return false;
    // multi-line editors take Return as text; persistent editors and index widgets
    // stay open and are left to the item view
    if (qobject_cast<QTextEdit *>(editor) || qobject_cast<QPlainTextEdit *>(editor))
        return false;
    if (!isEditing(view))
        return false;
    // an unacceptable input is left to the delegate, which tries to fix it up
    if (auto *line = qobject_cast<QLineEdit *>(editor); line && !line->hasAcceptableInput())
        return false;
    // Return ends editing without moving on, and the outline keeps the focus
    QMetaObject::invokeMethod(view, "commitData", Qt::DirectConnection, Q_ARG(QWidget *, editor));
    QMetaObject::invokeMethod(view, "closeEditor", Qt::DirectConnection, Q_ARG(QWidget *, editor),
                              Q_ARG(QAbstractItemDelegate::EndEditHint, QAbstractItemDelegate::SubmitModelCache));
    view->setFocus(Qt::OtherFocusReason);
    return true;
}
