#include "platform/layers/DragSession.h"

#include "platform/foundation/ExceptionBoundary.h"
#include "platform/layers/DragWindow.h"
#include "platform/layers/TimedAnimation.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWindow>

namespace platform {

namespace {

DragSession *s_current = nullptr;

bool takesDrops(const QWidget *window)
{
    return window->isVisible() && !window->isMinimized() && !window->testAttribute(Qt::WA_TransparentForMouseEvents)
        && !(window->windowFlags() & Qt::WindowTransparentForInput);
}

} // namespace

DragSession *DragSession::current()
{
    return s_current;
}

DragSession *DragSession::begin(QWidget *sourceWidget, DragSource *source, std::unique_ptr<QMimeData> data,
                                QPoint screenLocation, const DragPicture &picture, QObject *localObject)
{
    if (!sourceWidget || s_current)
        return nullptr;
    if (!data)
        data = std::make_unique<QMimeData>();
    auto *session = new DragSession(sourceWidget, source, std::move(data), screenLocation, picture);
    session->m_localObject = localObject;
    if (source)
        source->draggedImageBeganAt(*session, screenLocation);
    if (session->m_active)
        session->moveTo(screenLocation);
    return session;
}

DragSession::DragSession(QWidget *sourceWidget, DragSource *source, std::unique_ptr<QMimeData> data, QPoint location,
                         const DragPicture &picture)
    : QObject(qApp), m_sourceWidget(sourceWidget), m_source(source), m_data(std::move(data)),
      m_operations(source ? source->draggingSourceOperationMask(true) : Qt::DropActions(Qt::MoveAction)),
      m_start(location), m_location(location), m_picture(picture)
{
    s_current = this;
    if (!picture.image.isNull()) {
        m_imageWindow = std::make_unique<DragWindow>(picture.image);
        m_imageWindow->setTopLeft(location - picture.offset);
        m_imageWindow->show();
    }
    m_grabWindow = std::make_unique<QWidget>(nullptr, Qt::ToolTip | Qt::FramelessWindowHint);
    m_grabWindow->setAttribute(Qt::WA_ShowWithoutActivating);
    m_grabWindow->setGeometry(-10, -10, 1, 1);
    m_grabWindow->installEventFilter(this);
    m_grabWindow->show();
    if (QWindow *handle = m_grabWindow->windowHandle())
        handle->installEventFilter(this);
    m_grabWindow->grabMouse();
    m_grabWindow->grabKeyboard();
}

DragSession::~DragSession()
{
    if (s_current == this)
        s_current = nullptr;
    if (QCoreApplication::closingDown()) {
        // The application object owns the session and is going: its widgets are
        // already torn down, and deleting ours now would crash the exit.
        (void)m_imageWindow.release();
        (void)m_grabWindow.release();
        return;
    }
    releaseGrab();
    m_grabWindow.reset();
}

bool DragSession::hasGrab() const
{
    return m_grabWindow && QWidget::mouseGrabber() == m_grabWindow.get();
}

void DragSession::releaseGrab()
{
    if (!m_grabWindow)
        return;
    m_grabWindow->removeEventFilter(this);
    if (QWindow *handle = m_grabWindow->windowHandle())
        handle->removeEventFilter(this);
    if (QWidget::mouseGrabber() == m_grabWindow.get())
        m_grabWindow->releaseMouse();
    if (QWidget::keyboardGrabber() == m_grabWindow.get())
        m_grabWindow->releaseKeyboard();
    m_grabWindow->hide();
}

bool DragSession::eventFilter(QObject *watched, QEvent *event)
try {
    if (!m_active || !m_grabWindow)
        return QObject::eventFilter(watched, event);
    if (watched == m_grabWindow->windowHandle()) {
        // A grab asked for before the window was mapped is taken again once it shows.
        if (event->type() == QEvent::Expose && m_grabWindow->windowHandle()->isExposed()) {
            m_grabWindow->grabMouse();
            m_grabWindow->grabKeyboard();
        }
        return false;
    }
    if (watched != m_grabWindow.get())
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseMove:
        if (QWidget::mouseGrabber() != m_grabWindow.get())
            cancel();
        else
            moveTo(QCursor::pos());
        return true;
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
            moveTo(QCursor::pos());
            drop();
        }
        return true;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        return true;
    case QEvent::KeyPress:
        if (static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape)
            cancel();
        return true;
    case QEvent::Hide:
    case QEvent::Close:
        cancel();
        return false;
    default:
        return QObject::eventFilter(watched, event);
    }
} catch (...) {
    platform::ExceptionBoundary::caught(this, "eventFilter");
    return false;
}

DragInfo DragSession::info()
{
    return DragInfo(m_data.get(), m_location, m_operations, this);
}

QWidget *DragSession::topLevelAt(QPoint screenLocation)
{
    QWidget *found = nullptr;
    QWidget *active = QApplication::activeWindow();
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (!takesDrops(window) || !window->geometry().contains(screenLocation))
            continue;
        if (window == active)
            return window;
        if (!found)
            found = window;
    }
    return found;
}

DragDestination *DragSession::destinationOf(QWidget *widget)
{
    return dynamic_cast<DragDestination *>(widget);
}

QWidget *DragSession::destinationAt(QPoint screenLocation, DragDestination **destination)
{
    if (destination)
        *destination = nullptr;
    QWidget *window = topLevelAt(screenLocation);
    if (!window)
        return nullptr;
    QWidget *widget = window->childAt(window->mapFromGlobal(screenLocation));
    if (!widget)
        widget = window;
    for (; widget; widget = widget->isWindow() ? nullptr : widget->parentWidget()) {
        if (DragDestination *found = destinationOf(widget); found && widget->isEnabled()) {
            if (destination)
                *destination = found;
            return widget;
        }
    }
    return nullptr;
}

void DragSession::exitDestination()
{
    QWidget *widget = m_destinationWidget;
    m_destinationWidget = nullptr;
    m_operation = Qt::IgnoreAction;
    if (DragDestination *destination = destinationOf(widget))
        destination->dragExited(info());
}

void DragSession::moveTo(QPoint screenLocation)
{
    if (!m_active || m_inStep)
        return;
    m_inStep = true;
    const QPointer<DragSession> alive(this);
    m_location = screenLocation;
    if (m_imageWindow)
        m_imageWindow->setTopLeft(screenLocation - m_picture.offset);
    if (m_source)
        m_source->draggedImageMovedTo(*this, screenLocation);
    if (!alive || !m_active) {
        if (alive)
            m_inStep = false;
        return;
    }
    DragDestination *destination = nullptr;
    QWidget *widget = destinationAt(screenLocation, &destination);
    if (widget != m_destinationWidget) {
        if (m_destinationWidget)
            exitDestination();
        if (widget && m_active) {
            m_destinationWidget = widget;
            m_operation = destination->dragEntered(info());
        }
    } else if (widget) {
        m_operation = destination->dragUpdated(info());
    }
    m_inStep = false;
}

void DragSession::drop()
{
    if (!m_active)
        return;
    Qt::DropAction performed = Qt::IgnoreAction;
    QWidget *widget = m_destinationWidget;
    DragDestination *destination = destinationOf(widget);
    if (destination && m_operation != Qt::IgnoreAction) {
        const Qt::DropAction operation = m_operation;
        const DragInfo dragInfo = info();
        if (destination->prepareForDrop(dragInfo) && destination->performDrop(dragInfo)) {
            performed = operation;
            destination->concludeDrop(dragInfo);
        }
        m_destinationWidget = nullptr;
    } else if (destination) {
        exitDestination();
    }
    finish(performed);
}

void DragSession::cancel()
{
    if (!m_active)
        return;
    exitDestination();
    finish(Qt::IgnoreAction);
}

void DragSession::finish(Qt::DropAction operation)
{
    m_active = false;
    if (s_current == this)
        s_current = nullptr;
    releaseGrab();
    // The grab window may be delivering the event that ended the drag.
    if (m_grabWindow)
        m_grabWindow.release()->deleteLater();
    if (m_source)
        m_source->draggedImageEndedAt(*this, m_location, operation);
    if (m_imageWindow && operation == Qt::IgnoreAction && m_picture.slideBack) {
        const QPoint from = m_imageWindow->pos();
        const QPoint to = m_start - m_picture.offset;
        m_slideBack = new TimedAnimation(SlideBackDuration, this);
        connect(m_slideBack, &TimedAnimation::progressed, this, platform::ExceptionBoundary::guarded(this, "progressed", [this, from, to](double value) {
            if (m_imageWindow)
                m_imageWindow->move(from + (to - from) * value);
        }));
        const auto done = [this, operation] {
            m_imageWindow.reset();
            Q_EMIT finished(operation);
            deleteLater();
        };
        connect(m_slideBack, &TimedAnimation::didEnd, this, platform::ExceptionBoundary::guarded(this, "didEnd", done));
        m_slideBack->start();
        return;
    }
    m_imageWindow.reset();
    Q_EMIT finished(operation);
    deleteLater();
}

} // namespace platform
