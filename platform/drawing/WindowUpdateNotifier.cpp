#include "platform/drawing/WindowUpdateNotifier.h"

#include "platform/foundation/ExceptionBoundary.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

namespace platform {

WindowUpdateNotifier *WindowUpdateNotifier::instance()
{
    static QPointer<WindowUpdateNotifier> shared;
    if (!shared && QCoreApplication::instance())
        shared = new WindowUpdateNotifier(QCoreApplication::instance());
    return shared;
}

WindowUpdateNotifier::WindowUpdateNotifier(QObject *parent) : QObject(parent)
{
    parent->installEventFilter(this);
}

void WindowUpdateNotifier::setNeedsUpdate(QWidget *window)
{
    if (!window)
        return;
    window = window->window();
    for (const QPointer<QWidget> &pending : std::as_const(m_pending)) {
        if (pending == window)
            return;
    }
    m_pending.append(window);
    if (!m_flushPosted) {
        m_flushPosted = true;
        QMetaObject::invokeMethod(this,
            platform::ExceptionBoundary::guarded(this, "flush", &WindowUpdateNotifier::flush), Qt::QueuedConnection);
    }
}

bool WindowUpdateNotifier::eventFilter(QObject *watched, QEvent *event)
try {
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::FocusIn:
    case QEvent::WindowActivate:
        if (watched->isWidgetType())
            setNeedsUpdate(static_cast<QWidget *>(watched));
        break;
    default:
        break;
    }
    return false;
} catch (...) {
    platform::ExceptionBoundary::caught(this, "eventFilter");
    return false;
}

void WindowUpdateNotifier::flush()
{
    m_flushPosted = false;
    const QVector<QPointer<QWidget>> windows = std::exchange(m_pending, {});
    for (const QPointer<QWidget> &window : windows) {
        if (window)
            Q_EMIT windowDidUpdate(window);
    }
}

} // namespace platform
