#include "components/tabbarcontrol/VTOverflowPopUpButton.h"

#include "components/tabbarcontrol/VTTabBarArtwork.h"
#include "platform/archive/Coder.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

#include <cmath>
#include <numbers>

VTOverflowPopUpButton::VTOverflowPopUpButton(const QRect &frame, bool, QWidget *parent)
    : platform::PopUpButton(true, parent)
    , m_VTTabBarOverflowPopUpImage(VTTabBarArtwork::imageNamed(QStringLiteral("overflowImage")))
    , m_VTTabBarOverflowDownPopUpImage(VTTabBarArtwork::imageNamed(QStringLiteral("overflowImagePressed")))
{
    popUpCell()->setBezelStyle(platform::ButtonCell::BezelStyle::RegularSquare);
    popUpCell()->setBordered(false);
    popUpCell()->setTitle(QString());
    setGeometry(frame);
}

VTOverflowPopUpButton::~VTOverflowPopUpButton()
{
    QObject::disconnect(m_menuEnd);
    stopPulse();
}

QIcon VTOverflowPopUpButton::alternateImage() const
{
    return popUpCell()->alternateImage();
}

void VTOverflowPopUpButton::setAlternateImage(const QIcon &image)
{
    popUpCell()->setAlternateImage(image);
    update();
}

void VTOverflowPopUpButton::paintEvent(QPaintEvent *event)
try {
    if (m_VTTabBarOverflowPopUpImage.isNull()) {
        platform::PopUpButton::paintEvent(event);
        return;
    }
    QPainter painter(this);
    const QRectF bounds(rect());
    const auto centred = [&bounds](const QIcon &image) {
        const QSizeF size = VTTabBarArtwork::sizeOf(image);
        return QPointF(bounds.x() + bounds.width() * 0.5 - size.width() * 0.5,
                       bounds.y() + bounds.height() * 0.5 - size.height() * 0.5);
    };
    const QIcon &image = m_down ? m_VTTabBarOverflowDownPopUpImage : m_VTTabBarOverflowPopUpImage;
    VTTabBarArtwork::drawAtPoint(image, painter, centred(image), m_animatingAlternateImage ? 0.7 : 1.0);
    if (m_animatingAlternateImage) {
        const QIcon alternate = alternateImage();
        VTTabBarArtwork::drawAtPoint(alternate, painter, centred(alternate),
                                     std::sin(std::numbers::pi * m_animationValue));
    }
} catch (...) {
    platform::ExceptionBoundary::caught(this, "paintEvent");
}

void VTOverflowPopUpButton::mousePressEvent(QMouseEvent *event)
try {
    if (event->button() != Qt::LeftButton || !isEnabled()) {
        platform::PopUpButton::mousePressEvent(event);
        return;
    }
    m_down = true;
    update();
    Q_EMIT menuWillPopUp();
    if (!m_overflowMenu) {
        QObject::disconnect(m_menuEnd);
        m_menuEnd = connect(menu(), &QMenu::aboutToHide, this,
            platform::ExceptionBoundary::guarded(this, "menuEnded", &VTOverflowPopUpButton::menuEnded));
        platform::PopUpButton::mousePressEvent(event);
        return;
    }
    QObject::disconnect(m_menuEnd);
    m_menuEnd = connect(m_overflowMenu, &QMenu::aboutToHide, this,
        platform::ExceptionBoundary::guarded(this, "menuEnded", &VTOverflowPopUpButton::menuEnded));
    const QList<QAction *> actions = m_overflowMenu->actions();
    if (!actions.isEmpty())
        actions.first()->setVisible(false);
    m_overflowMenu->popup(mapToGlobal(rect().bottomLeft()));
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mousePressEvent");
}

void VTOverflowPopUpButton::menuEnded()
{
    QObject::disconnect(m_menuEnd);
    if (m_overflowMenu) {
        if (const QList<QAction *> actions = m_overflowMenu->actions(); !actions.isEmpty())
            actions.first()->setVisible(true);
    }
    m_down = false;
    update();
}

void VTOverflowPopUpButton::animateStep()
{
    m_animationValue += PulseStep;
    if (m_animationValue >= 1.0)
        m_animationValue = PulseStep;
    update();
}

void VTOverflowPopUpButton::startPulse()
{
    m_animationValue = PulseStep;
    m_animationTimer = std::make_unique<QTimer>();
    m_animationTimer->setInterval(PulseIntervalMs);
    connect(m_animationTimer.get(), &QTimer::timeout, this,
        platform::ExceptionBoundary::guarded(this, "animateStep", &VTOverflowPopUpButton::animateStep));
    m_animationTimer->start();
}

void VTOverflowPopUpButton::stopPulse()
{
    m_animationTimer.reset();
}

void VTOverflowPopUpButton::setAnimatingAlternateImage(bool animating)
{
    if (animating == m_animatingAlternateImage)
        return;
    m_animatingAlternateImage = animating;
    if (!isHidden()) {
        if (animating)
            startPulse();
        else
            stopPulse();
        update();
    }
}

void VTOverflowPopUpButton::setVisible(bool visible)
{
    const bool changes = isHidden() == visible;
    if (changes && visible && m_animatingAlternateImage)
        startPulse();
    else if (changes && !visible)
        stopPulse();
    platform::PopUpButton::setVisible(visible);
}

void VTOverflowPopUpButton::encodeWithCoder(platform::Coder &coder) const
{
    if (!coder.allowsKeyedCoding())
        return;
    cell()->encodeWithCoder(coder);
    coder.encodeObject(VTTabBarArtwork::archivedImage(m_VTTabBarOverflowPopUpImage), QStringLiteral("VTTabBarOverflowPopUpImage"));
    coder.encodeObject(VTTabBarArtwork::archivedImage(m_VTTabBarOverflowDownPopUpImage), QStringLiteral("VTTabBarOverflowDownPopUpImage"));
    coder.encodeBool(m_animatingAlternateImage, QStringLiteral("VTTabBarOverflowAnimatingAlternateImage"));
}

bool VTOverflowPopUpButton::initWithCoder(platform::Coder &coder)
{
    if (!coder.allowsKeyedCoding() || !cell()->initWithCoder(coder))
        return false;
    const QVariant image = coder.decodeObject(QStringLiteral("VTTabBarOverflowPopUpImage"));
    const QVariant down = coder.decodeObject(QStringLiteral("VTTabBarOverflowDownPopUpImage"));
    const bool animating = coder.decodeBool(QStringLiteral("VTTabBarOverflowAnimatingAlternateImage"));
    if (!VTTabBarArtwork::isArchivedImage(image) || !VTTabBarArtwork::isArchivedImage(down))
        coder.failWithError(QStringLiteral("VTOverflowPopUpButton: an image of the wrong kind"));
    if (coder.failed())
        return false;
    m_VTTabBarOverflowPopUpImage = VTTabBarArtwork::imageFromArchive(image);
    m_VTTabBarOverflowDownPopUpImage = VTTabBarArtwork::imageFromArchive(down);
    setAnimatingAlternateImage(animating);
    return true;
}
