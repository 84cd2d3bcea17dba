#include "NTXAppKit/preferences/NTXWindow.h"

#include "platform/drawing/ScreenFit.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QCloseEvent>
#include <QEasingCurve>
#include <QScrollArea>
#include <QToolBar>
#include <QVariantAnimation>

namespace {
constexpr int FrameAnimationMilliseconds = 150;
}

NTXWindow::NTXWindow(const QRect &contentRect, unsigned styleMask, QWidget *parent)
    : QMainWindow(parent)
    , m_styleMask(styleMask)
{
    applyFlags();
    m_scroller = new QScrollArea(this);
    m_scroller->setObjectName(QStringLiteral("contentScroller"));
    m_scroller->setFrameShape(QFrame::NoFrame);
    m_scroller->setWidgetResizable(true);
    setCentralWidget(m_scroller);
    setGeometry(contentRect);
}

NTXWindow::~NTXWindow() = default;

void NTXWindow::applyFlags()
{
    Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint;
    if (m_styleMask == BorderlessWindowMask)
        flags |= Qt::FramelessWindowHint;
    if (m_styleMask & TitledWindowMask)
        flags |= Qt::WindowTitleHint;
    if (m_styleMask & ClosableWindowMask)
        flags |= Qt::WindowCloseButtonHint;
    if (m_styleMask & MiniaturizableWindowMask)
        flags |= Qt::WindowMinimizeButtonHint;
    if (m_canZoom)
        flags |= Qt::WindowMaximizeButtonHint;
    const bool wasVisible = isVisible();
    setWindowFlags(flags);
    if (wasVisible)
        show();
}

void NTXWindow::setCanResize(bool flag)
{
    if (m_canResize == flag)
        return;
    m_canResize = flag;
    if (flag) {
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    } else {
        setFixedSize(size());
    }
}

void NTXWindow::setCanZoom(bool flag)
{
    if (m_canZoom == flag)
        return;
    m_canZoom = flag;
    applyFlags();
}

QWidget *NTXWindow::contentView() const
{
    return m_scroller->widget();
}

QWidget *NTXWindow::setContentView(QWidget *view)
{
    QWidget *old = m_scroller->widget();
    if (old == view)
        return nullptr;
    if (old)
        old = m_scroller->takeWidget();
    if (view) {
        m_scroller->setWidget(view);
        view->show();
    }
    return old;
}

QSize NTXWindow::frameSizeForContentSize(const QSize &contentSize) const
{
    int extra = 0;
    int width = contentSize.width();
    for (QToolBar *bar : findChildren<QToolBar *>(QString(), Qt::FindDirectChildrenOnly)) {
        if (!bar->isHidden() && toolBarArea(bar) == Qt::TopToolBarArea) {
            extra = std::max(extra, bar->sizeHint().height());
            // Never narrower than the toolbar: every item stays in view, none goes
            // behind the overflow button.
            width = std::max(width, bar->sizeHint().width());
        }
    }
    return QSize(width, contentSize.height() + extra);
}

QRect NTXWindow::fittedFrame(const QRect &frame) const
{
    const QMargins decorations = platform::ScreenFit::decorationMargins(this);
    return platform::ScreenFit::fittedClientGeometry(frame.marginsAdded(decorations), decorations);
}

void NTXWindow::setFrame(const QRect &asked, bool animate)
{
    const QRect frame = fittedFrame(asked);
    if (m_animation) {
        m_animation->stop();
        delete m_animation.data();
    }
    // A window that cannot be resized by the user still follows its panes.
    const bool fixed = !m_canResize;
    const auto apply = [this, fixed](const QRect &r) {
        // The new size becomes the fixed one in one step: a window manager that saw the
        // window resizable for a moment would frame it as such (openbox adds a resize
        // handle at its bottom) until it sees it fixed again, and a frame fitted to the
        // screen meanwhile would count the wrong decorations.
        if (fixed)
            setFixedSize(r.size());
        setGeometry(r);
    };
    if (!animate || !isVisible() || frame == geometry()) {
        apply(frame);
        Q_EMIT frameChangeFinished();
        return;
    }
    auto *animation = new QVariantAnimation(this);
    m_animation = animation;
    animation->setDuration(FrameAnimationMilliseconds);
    animation->setEasingCurve(QEasingCurve::InOutQuad);
    animation->setStartValue(geometry());
    animation->setEndValue(frame);
    connect(animation, &QVariantAnimation::valueChanged, this,
            platform::ExceptionBoundary::guarded(this, "valueChanged", [apply](const QVariant &value) { apply(value.toRect()); }));
    connect(animation, &QVariantAnimation::finished, this, platform::ExceptionBoundary::guarded(this, "finished", [this, apply, frame] {
        apply(frame);
        Q_EMIT frameChangeFinished();
    }));
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

bool NTXWindow::isAnimatingFrame() const
{
    return m_animation && m_animation->state() == QAbstractAnimation::Running;
}

void NTXWindow::moveEvent(QMoveEvent *event)
try {
    QMainWindow::moveEvent(event);
    Q_EMIT windowDidMove();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "moveEvent");
}

void NTXWindow::closeEvent(QCloseEvent *event)
try {
    Q_EMIT windowWillClose();
    QMainWindow::closeEvent(event);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "closeEvent");
}

void NTXWindow::changeEvent(QEvent *event)
try {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        Q_EMIT windowDidBecomeMain();
    if (event->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMaximized)) {
        // Zooming is the controller's business: go back to a normal window and ask.
        setWindowState(windowState() & ~Qt::WindowMaximized);
        Q_EMIT windowZoomRequested();
    }
} catch (...) {
    platform::ExceptionBoundary::caught(this, "changeEvent");
}
