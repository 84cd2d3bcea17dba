#include "platform/layers/DragDestinationAdapter.h"

#include "platform/foundation/ExceptionBoundary.h"
#include "platform/layers/DragDestination.h"

#include <QDragMoveEvent>
#include <QDropEvent>
#include <QWidget>

namespace platform {

namespace {

DragInfo infoOf(const QDropEvent *event, const QWidget *widget)
{
    return DragInfo(event->mimeData(), widget->mapToGlobal(event->position().toPoint()), event->possibleActions());
}

void answer(QDropEvent *event, Qt::DropAction action)
{
    if (action == Qt::IgnoreAction) {
        event->ignore();
        return;
    }
    event->setDropAction(action);
    event->accept();
}

} // namespace

DragDestinationAdapter *DragDestinationAdapter::install(QWidget *widget)
{
    auto *destination = dynamic_cast<DragDestination *>(widget);
    if (!destination)
        return nullptr;
    return new DragDestinationAdapter(widget, destination);
}

DragDestinationAdapter::DragDestinationAdapter(QWidget *widget, DragDestination *destination)
    : QObject(widget), m_widget(widget), m_destination(destination)
{
    widget->setAcceptDrops(true);
    widget->installEventFilter(this);
}

bool DragDestinationAdapter::eventFilter(QObject *watched, QEvent *event)
try {
    if (watched != m_widget)
        return false;
    switch (event->type()) {
    case QEvent::DragEnter: {
        auto *drag = static_cast<QDragEnterEvent *>(event);
        const Qt::DropAction action = m_destination->dragEntered(infoOf(drag, m_widget));
        // Qt ends the drag over a widget that ignores the enter: take it and refuse per move.
        drag->setDropAction(action);
        drag->accept();
        return true;
    }
    case QEvent::DragMove: {
        auto *drag = static_cast<QDragMoveEvent *>(event);
        answer(drag, m_destination->dragUpdated(infoOf(drag, m_widget)));
        return true;
    }
    case QEvent::DragLeave:
        m_destination->dragExited(DragInfo(nullptr, QPoint(), Qt::IgnoreAction));
        return true;
    case QEvent::Drop: {
        auto *drop = static_cast<QDropEvent *>(event);
        const DragInfo info = infoOf(drop, m_widget);
        if (m_destination->prepareForDrop(info) && m_destination->performDrop(info)) {
            m_destination->concludeDrop(info);
            drop->acceptProposedAction();
        } else {
            drop->ignore();
        }
        return true;
    }
    default:
        return false;
    }
} catch (...) {
    platform::ExceptionBoundary::caught(this, "eventFilter");
    return false;
}

} // namespace platform
