#pragma once
// The application-wide event filter behind NTXOutlineViewExtension::install(): it
// watches the events of every QTreeView and of its viewport and applies the outline
// rules (context menu, keys, Return at the end of editing, end of a drag).
#include <QObject>
#include <QSet>

class QEvent;
class QTreeView;
class QWidget;

class NTXOutlineViewEventFilter : public QObject
{
    Q_OBJECT
public:
    explicit NTXOutlineViewEventFilter(QObject *parent = nullptr);

    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Sends the event on to its receiver with this filter stepping aside.
    void forward(QObject *receiver, QEvent *event);
    bool handleViewportEvent(QTreeView *view, QWidget *viewport, QEvent *event);
    bool handleViewKey(QTreeView *view, QEvent *event);
    bool handleEditorReturn(QTreeView *view, QWidget *editor, QEvent *event);
    // The context-menu key: the menu of the selected row, below it.
    static void showKeyboardMenu(QTreeView *view);

    QSet<QEvent *> m_forwarding;
};
