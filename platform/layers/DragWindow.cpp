#include "platform/layers/DragWindow.h"

#include "platform/foundation/Clock.h"
#include "platform/foundation/ExceptionBoundary.h"
#include "platform/drawing/Shadow.h"
#include "platform/layers/MediaTimingFunction.h"

#include <QCursor>
#include <QGuiApplication>
#include <QPainter>
#include <QPalette>
#include <algorithm>
#include <cstdlib>
#include <memory>

#include <xcb/xcb.h>

namespace platform {

DragWindow::DragWindow(const QImage &image, bool titled) : DragWindow(new DragImageView(image), titled)
{
}

DragWindow::DragWindow(DragImageView *view, bool titled)
    : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
                           | Qt::WindowTransparentForInput | Qt::WindowDoesNotAcceptFocus),
      m_view(view), m_titled(titled)
{
    const QImage image = view->image();
    view->setParent(this);
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_ShowWithoutActivating);
    const QSize size = DragImageView::pointSize(image);
    resize(size.width(), size.height() + (titled ? TitleBarHeight : 0));
    m_frameTimer.setInterval(FrameIntervalMs);
    connect(&m_frameTimer, &QTimer::timeout, this,
        platform::ExceptionBoundary::guarded(this, "animationStep", &DragWindow::animationStep));
}

DragWindow::~DragWindow()
{
    m_frameTimer.stop();
}

bool DragWindow::platformSupportsOpacity()
{
    return QGuiApplication::platformName() != QLatin1String("offscreen");
}

bool DragWindow::desktopCompositesTranslucentWindows()
{
    const QString platform = QGuiApplication::platformName();
    // The offscreen platform's windows are images with an alpha channel, composited as
    // they are grabbed; every Wayland compositor composites.
    if (platform == QLatin1String("offscreen") || platform.startsWith(QLatin1String("wayland")))
        return true;
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t *connection = x11 ? x11->connection() : nullptr;
    if (platform != QLatin1String("xcb") || !connection)
        return false;
    // On X11 a compositing manager owns the selection _NET_WM_CM_S<screen> of the
    // screen it composites (the display's default screen is the one Qt shows on).
    int screen = 0;
    char *host = nullptr;
    int display = 0;
    if (xcb_parse_display(nullptr, &host, &display, &screen) == 0)
        screen = 0;
    std::free(host);
    const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(screen);
    struct FreeDeleter
    {
        void operator()(void *p) const { std::free(p); }
    };
    const std::unique_ptr<xcb_intern_atom_reply_t, FreeDeleter> atom(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, uint16_t(name.size()), name.constData()), nullptr));
    if (!atom)
        return false;
    const std::unique_ptr<xcb_get_selection_owner_reply_t, FreeDeleter> owner(
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, atom->atom), nullptr));
    return owner && owner->owner != XCB_NONE;
}

void DragWindow::setAlpha(double alpha)
{
    m_alpha = alpha;
    if (platformSupportsOpacity())
        setWindowOpacity(std::clamp(alpha, 0.0, 1.0));
}

void DragWindow::centreOn(QPoint screenPoint)
{
    move(screenPoint - QPoint(width() / 2, height() / 2));
}

void DragWindow::setHasShadow(bool shadow)
{
    if (shadow == m_hasShadow)
        return;
    const QRect content = geometry().marginsRemoved(QMargins(shadowMargin(), shadowMargin(), shadowMargin(), shadowMargin()));
    m_hasShadow = shadow;
    // Where the desktop shows no translucency the margin would be a solid frame.
    m_shadowMargin = shadow && desktopCompositesTranslucentWindows() ? ShadowMargin : 0;
    setGeometry(content.marginsAdded(QMargins(shadowMargin(), shadowMargin(), shadowMargin(), shadowMargin())));
    placeView(); // a hidden window hears of its new size only when shown
    update();
}

void DragWindow::placeView()
{
    const int m = shadowMargin();
    const int top = m_titled ? TitleBarHeight : 0;
    m_view->setGeometry(m, m + top, width() - 2 * m, height() - top - 2 * m);
}

double DragWindow::switchProgress() const
{
    const double elapsed = m_switching ? Clock::mediaTime() - m_switchStartTime : 0;
    const double progress = m_switchStartProgress + elapsed / SwitchDuration;
    return progress > 1 - 1e-9 ? 1.0 : std::clamp(progress, 0.0, 1.0);
}

double DragWindow::switchValue() const
{
    return MediaTimingFunction::named(MediaTimingFunction::Name::EaseInEaseOut).valueAt(switchProgress());
}

void DragWindow::switchImages()
{
    if (alternateImage().isNull())
        return;
    m_showingAlternate = !m_showingAlternate;
    // A switch that is still running is reversed from where it stands.
    m_switchStartProgress = m_switching ? 1 - switchProgress() : 0;
    m_switchStartTime = Clock::mediaTime();
    m_switching = true;
    m_originalFrame = geometry();
    m_frameTimer.start();
}

void DragWindow::animationStep()
{
    if (!m_switching) {
        m_frameTimer.stop();
        return;
    }
    const bool done = switchProgress() >= 1.0;
    const double v = switchValue();
    const QSize target = DragImageView::pointSize(m_showingAlternate ? alternateImage() : image())
                         + QSize(2 * shadowMargin(), 2 * shadowMargin());
    const double w0 = m_originalFrame.width();
    const double h0 = m_originalFrame.height();
    const QSize size(qRound(w0 + (target.width() - w0) * v), qRound(h0 + (target.height() - h0) * v));
    const QPoint pointer = QCursor::pos();
    m_view->setFadeValue(m_showingAlternate ? 1 - v : v);
    setGeometry(QRect(pointer - QPoint(size.width() / 2, size.height() / 2), size));
    placeView(); // a hidden window hears of its new size only when shown
    if (done) {
        m_switching = false;
        m_switchStartProgress = 1;
        m_frameTimer.stop();
    }
}

QImage DragWindow::miniature(QWidget *window, int longerSide)
{
    if (!window || window->width() <= 0 || window->height() <= 0)
        return {};
    const QImage shot = window->grab().toImage();
    if (shot.isNull())
        return {};
    const QSize points = shot.deviceIndependentSize().toSize();
    const QSize scaled = points.scaled(longerSide, longerSide, Qt::KeepAspectRatio);
    QImage image = shot.scaled(scaled * shot.devicePixelRatio(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    image.setDevicePixelRatio(shot.devicePixelRatio());
    return image;
}

void DragWindow::paintEvent(QPaintEvent *)
try {
    const int m = shadowMargin();
    if (!m_titled && m == 0)
        return;
    QPainter painter(this);
    const QRect content = rect().marginsRemoved(QMargins(m, m, m, m));
    if (m > 0) {
        // A shadow like a window's: soft, a little below the content.
        const Shadow shadow(QSizeF(0, -3), 6, QColor(0, 0, 0, 110));
        shadow.drawShadow(painter, rect(), [&](QPainter &p) { p.fillRect(content, Qt::black); });
    }
    if (!m_titled)
        return;
    const QRect title(content.left(), content.top(), content.width(), TitleBarHeight);
    painter.fillRect(title, palette().color(QPalette::Window));
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawLine(title.left(), title.bottom(), title.right(), title.bottom());
} catch (...) {
    platform::ExceptionBoundary::caught(this, "paintEvent");
}

void DragWindow::resizeEvent(QResizeEvent *event)
try {
    QWidget::resizeEvent(event);
    placeView();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "resizeEvent");
}

} // namespace platform
