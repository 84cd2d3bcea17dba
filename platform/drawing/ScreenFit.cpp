#include "platform/drawing/ScreenFit.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QWindow>
#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QWidget>

#include <algorithm>

namespace platform::ScreenFit {

QRect availableAreaFor(const QRect &frame)
{
    QRect best;
    qint64 bestArea = 0;
    for (const QScreen *screen : QGuiApplication::screens()) {
        const QRect overlap = screen->availableGeometry().intersected(frame);
        const qint64 area = qint64(overlap.width()) * overlap.height();
        if (area > bestArea) {
            bestArea = area;
            best = screen->availableGeometry();
        }
    }
    if (bestArea == 0) {
        if (const QScreen *primary = QGuiApplication::primaryScreen())
            best = primary->availableGeometry();
    }
    return best;
}

QRect fittedFrame(const QRect &frame)
{
    const QRect area = availableAreaFor(frame);
    if (area.isEmpty())
        return frame;
    QRect fitted(frame.topLeft(), frame.size().boundedTo(area.size()));
    fitted.moveLeft(std::clamp(fitted.left(), area.left(), area.right() + 1 - fitted.width()));
    fitted.moveTop(std::clamp(fitted.top(), area.top(), area.bottom() + 1 - fitted.height()));
    return fitted;
}

namespace {

QMargins ownDecorations(const QWidget *window)
{
    if (!window || !window->isWindow() || !window->testAttribute(Qt::WA_WState_Created) || window->isHidden())
        return {};
    const QRect frame = window->frameGeometry();
    const QRect client = window->geometry();
    QMargins margins(client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
                     frame.bottom() - client.bottom());
    // The widget learns of its frame when it is moved or resized; a window manager that
    // frames a window where it asked to be tells only the native window. The two may
    // differ after a resize (the widget's may be the frame's older extent, a
    // window manager's bottom handle left out): the larger of each side counts, so that a
    // frame fitted with them is never taller or wider than the screen.
    if (const QWindow *native = window->windowHandle()) {
        const QMargins told = native->frameMargins();
        margins = QMargins(std::max(margins.left(), told.left()), std::max(margins.top(), told.top()),
                           std::max(margins.right(), told.right()), std::max(margins.bottom(), told.bottom()));
    }
    // Margins that no decoration has (a window in the middle of being reparented).
    const auto usable = [](int side) { return side >= 0 && side < 200; };
    if (!usable(margins.left()) || !usable(margins.top()) || !usable(margins.right()) || !usable(margins.bottom()))
        return {};
    return margins;
}

} // namespace

QMargins decorationMargins(const QWidget *window)
{
    QMargins margins = ownDecorations(window);
    if (!margins.isNull())
        return margins;
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return {};
    for (const QWidget *other : QApplication::topLevelWidgets()) {
        if (other == window || other->windowType() != Qt::Window)
            continue;
        margins = ownDecorations(other);
        if (!margins.isNull())
            return margins;
    }
    // The first window on an X display: a title bar is to be expected (a window as
    // large as the screen would be taken for a full-screen one); the real margins
    // correct this once the window manager framed the window.
    if (window && QGuiApplication::platformName() == QLatin1String("xcb"))
        return QMargins(0, window->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, window), 0, 0);
    return {};
}

QRect fittedClientGeometry(const QRect &frame, const QMargins &decorations)
{
    const QRect fitted = fittedFrame(frame);
    return fitted.marginsRemoved(decorations);
}

bool fitWindowFrame(QWidget *window)
{
    if (!window || !window->isWindow() || window->isHidden())
        return false;
    const QMargins decorations = decorationMargins(window);
    const QRect frame = window->geometry().marginsAdded(decorations);
    const QRect fitted = fittedFrame(frame);
    if (fitted == frame)
        return false;
    if (fitted.size() != frame.size()) {
        const QSize client = fitted.marginsRemoved(decorations).size();
        // A window of a fixed size (one the user may not resize) gets the smaller
        // size as its fixed size; resize() alone would stay bound to the old one.
        if (window->minimumSize() == window->maximumSize())
            window->setFixedSize(client);
        else
            window->resize(client);
    }
    window->move(fitted.topLeft());
    return true;
}

namespace {

// Shown, with decorations around it that a window manager could have made (in the
// middle of reparenting, a frame of 1×1 pixels at the origin is seen).
bool isFramed(const QWidget *window)
{
    return window->isVisible() && !ownDecorations(window).isNull();
}

// Fits its window once the window manager framed it, then goes. The window manager
// may frame a window without moving its client area (no move event then): its first
// exposure after the show tells, as the frame is made before the window is mapped.
class FitWhenFramed : public QObject
{
public:
    static inline const QString Name = QStringLiteral("platform::ScreenFit::FitWhenFramed");

    explicit FitWhenFramed(QWidget *window) : QObject(window), m_window(window)
    {
        setObjectName(Name);
        window->installEventFilter(this);
        watchNativeWindow();
    }

    // cannot throw: geometry arithmetic and QWidget calls only.
    bool eventFilter(QObject *watched, QEvent *event) noexcept override
    {
        if (m_done)
            return false;
        const QEvent::Type type = event->type();
        if (watched == m_window && type == QEvent::Show)
            watchNativeWindow();
        const bool framedNow = ((watched == m_window || watched == m_native)
                                && (type == QEvent::Move || type == QEvent::Resize))
                               || (watched == m_native && type == QEvent::Expose && m_native->isExposed());
        if (framedNow && isFramed(m_window)) {
            m_done = true;
            m_window->removeEventFilter(this);
            if (m_native)
                m_native->removeEventFilter(this);
            fitWindowFrame(m_window);
            deleteLater();
        }
        return false;
    }

private:
    void watchNativeWindow()
    {
        QWindow *native = m_window->windowHandle();
        if (!native || native == m_native)
            return;
        if (m_native)
            m_native->removeEventFilter(this);
        m_native = native;
        native->installEventFilter(this);
    }

    QWidget *m_window;
    QPointer<QWindow> m_native;
    bool m_done = false;
};

} // namespace

void fitWindowFrameWhenFramed(QWidget *window)
{
    if (!window || !window->isWindow())
        return;
    if (isFramed(window)) {
        fitWindowFrame(window);
        return;
    }
    // One waits at a time: a window shown and hidden again before it was framed
    // (as with a platform without decorations) does not gather them.
    if (!window->findChild<QObject *>(FitWhenFramed::Name, Qt::FindDirectChildrenOnly))
        new FitWhenFramed(window);
}

QPoint cascadedTopLeft(const QRect &previous, const QSize &frameSize, int step)
{
    QPoint place = previous.topLeft() + QPoint(step, step);
    const QRect area = availableAreaFor(QRect(place, frameSize));
    if (area.isEmpty())
        return place;
    if (place.x() + frameSize.width() > area.right() + 1 || place.x() < area.left())
        place.setX(area.left());
    if (place.y() + frameSize.height() > area.bottom() + 1 || place.y() < area.top())
        place.setY(area.top());
    return place;
}

} // namespace platform::ScreenFit
