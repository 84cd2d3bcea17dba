#pragma once
// A table view that passes the delete keys (Backspace and forward Delete, whatever
// the modifiers) to its delegate when the delegate declares
//     Q_INVOKABLE void tableViewDidReceiveDeleteEvent(QTableView *tableView, QKeyEvent *event);
// every other key, and the delete keys without such a delegate, the table handles.
#include <QPointer>
#include <QTableView>

class NTXTableViewExtension : public QTableView
{
    Q_OBJECT
public:
    explicit NTXTableViewExtension(QWidget *parent = nullptr);

    QObject *delegate() const { return m_delegate; }
    void setDelegate(QObject *delegate) { m_delegate = delegate; }

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    QPointer<QObject> m_delegate;
};
