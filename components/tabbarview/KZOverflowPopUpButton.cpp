#include "components/tabbarview/KZOverflowPopUpButton.h"

#include "components/tabbarview/KZTabBarArtwork.h"
#include "platform/foundation/ExceptionBoundary.h"
#include "platform/layers/AnimationDriver.h"
#include "platform/layers/MediaTimingFunction.h"

#include <QMenu>
#include <QMouseEvent>

KZOverflowPopUpButton::KZOverflowPopUpButton(QWidget *parent)
    : platform::Control(std::make_unique<KZOverflowPopUpButtonCell>(), parent)
    , m_menu(new QMenu(this))
{
    overflowCell()->setImage(KZTabBarArtwork::overflowImage());
    overflowCell()->setAlternateImage(KZTabBarArtwork::overflowImagePressed());
    connect(m_menu, &QMenu::aboutToHide, this,
        platform::ExceptionBoundary::guarded(this, "menuClosed", &KZOverflowPopUpButton::menuClosed));

    // One pass of the animation is a fade in and out: 0 → 1 → 0, each half along the
    // ease-in-ease-out curve.
    m_pulse.setStartValue(0.0);
    m_pulse.setEndValue(1.0);
    m_pulse.setDuration(2 * PulseHalfPeriodMs);
    m_pulse.setLoopCount(-1);
    connect(&m_pulse, &QVariantAnimation::valueChanged, this, platform::ExceptionBoundary::guarded(this, "valueChanged", [this](const QVariant &value) {
        static const platform::MediaTimingFunction curve =
            platform::MediaTimingFunction::named(platform::MediaTimingFunction::Name::EaseInEaseOut);
        const double t = value.toDouble();
        setSecondImageAlpha(curve.valueAt(t < 0.5 ? 2 * t : 2 - 2 * t));
    }));
    startPulseIfNeeded();
}

KZOverflowPopUpButton::~KZOverflowPopUpButton()
{
    m_pulse.stop();
}

bool KZOverflowPopUpButton::isMenuOpen() const
{
    return m_menu->isVisible();
}

void KZOverflowPopUpButton::popUpMenu()
{
    Q_EMIT menuWillPopUp();
    const QList<QAction *> actions = m_menu->actions();
    if (actions.isEmpty())
        return;
    actions.first()->setVisible(false); // the title line of a pull-down menu
    cell()->setHighlighted(true);
    update();
    m_menu->popup(mapToGlobal(rect().bottomLeft()));
}

void KZOverflowPopUpButton::menuClosed()
{
    if (const QList<QAction *> actions = m_menu->actions(); !actions.isEmpty())
        actions.first()->setVisible(true);
    cell()->setHighlighted(false);
    update();
}

void KZOverflowPopUpButton::mousePressEvent(QMouseEvent *event)
try {
    if (event->button() != Qt::LeftButton || !isEnabled()) {
        platform::Control::mousePressEvent(event);
        return;
    }
    popUpMenu();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mousePressEvent");
}

void KZOverflowPopUpButton::mouseReleaseEvent(QMouseEvent *event)
try {
    if (event->button() != Qt::LeftButton)
        platform::Control::mouseReleaseEvent(event);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mouseReleaseEvent");
}

void KZOverflowPopUpButton::setIsAnimating(bool animating)
{
    m_isAnimating = animating;
    if (animating) {
        platform::AnimationDriver::instance();
        m_pulse.stop();
        m_pulse.start();
    } else {
        m_pulse.stop();
    }
}

void KZOverflowPopUpButton::startPulseIfNeeded()
{
    if (parentWidget() && !isHidden() && !geometry().isNull() && !secondImage().isNull())
        setIsAnimating(true);
}

void KZOverflowPopUpButton::stopPulseIfNeeded()
{
    if (m_isAnimating)
        setIsAnimating(false);
}

void KZOverflowPopUpButton::updatePulse()
{
    if (parentWidget() && !isHidden() && !geometry().isNull() && !secondImage().isNull()) {
        if (!m_isAnimating)
            startPulseIfNeeded();
    } else {
        stopPulseIfNeeded();
    }
}

void KZOverflowPopUpButton::setSecondImage(const QIcon &image)
{
    overflowCell()->setSecondImage(image);
    if (image.isNull())
        stopPulseIfNeeded();
    else
        startPulseIfNeeded();
    update();
}

void KZOverflowPopUpButton::setSecondImageAlpha(qreal alpha)
{
    overflowCell()->setSecondImageAlpha(alpha);
    update();
}

void KZOverflowPopUpButton::setBezelDrawingBlock(KZOverflowPopUpButtonCell::BezelDrawing drawing)
{
    overflowCell()->setBezelDrawingBlock(std::move(drawing));
    update();
}

void KZOverflowPopUpButton::setFrame(const QRect &frame)
{
    setGeometry(frame);
    if (frame.isNull())
        stopPulseIfNeeded();
    else
        startPulseIfNeeded();
}

void KZOverflowPopUpButton::setVisible(bool visible)
{
    platform::Control::setVisible(visible);
    if (visible)
        startPulseIfNeeded();
    else
        stopPulseIfNeeded();
}

void KZOverflowPopUpButton::resizeEvent(QResizeEvent *event)
try {
    platform::Control::resizeEvent(event);
    updatePulse();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "resizeEvent");
}

void KZOverflowPopUpButton::changeEvent(QEvent *event)
try {
    platform::Control::changeEvent(event);
    if (event->type() == QEvent::ParentChange)
        updatePulse();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "changeEvent");
}
