#include "AppKitExtensions/NTXTableViewExtension.h"

#include "platform/foundation/ExceptionBoundary.h"

#include <QKeyEvent>
#include <QMetaMethod>

NTXTableViewExtension::NTXTableViewExtension(QWidget *parent)
    : QTableView(parent)
{
}

void NTXTableViewExtension::keyPressEvent(QKeyEvent *event)
try {
    if (event && (event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete) && m_delegate) {
        const QMetaObject *meta = m_delegate->metaObject();
        const int index = meta->indexOfMethod("tableViewDidReceiveDeleteEvent(QTableView*,QKeyEvent*)");
        if (index >= 0) {
            meta->method(index).invoke(m_delegate.data(), Qt::DirectConnection,
                                       Q_ARG(QTableView *, this), Q_ARG(QKeyEvent *, event));
            event->accept();
            return;
        }
    }
    QTableView::keyPressEvent(event);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "keyPressEvent");
}
