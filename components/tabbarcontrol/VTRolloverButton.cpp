#include "components/tabbarcontrol/VTRolloverButton.h"

#include "platform/archive/Coder.h"
#include "components/tabbarcontrol/VTTabBarArtwork.h"
#include "platform/drawing/ButtonCell.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QCursor>
#include <QEvent>

VTRolloverButton::VTRolloverButton(QWidget *parent)
    : platform::Control(std::make_unique<platform::ButtonCell>(QString(), platform::ButtonCell::ButtonType::MomentaryChange), parent)
    , m_tracking(new platform::TrackingAreas(this))
{
    buttonCell()->setBordered(false);
    buttonCell()->setBezelStyle(platform::ButtonCell::BezelStyle::ShadowlessSquare);
    buttonCell()->setImagePosition(platform::Cell::ImagePosition::ImageOnly);
    addTrackingRect();
}

VTRolloverButton::~VTRolloverButton()
{
    removeTrackingRect();
}

platform::ButtonCell *VTRolloverButton::buttonCell() const
{
    return static_cast<platform::ButtonCell *>(cell());
}

void VTRolloverButton::setUsualImage(const QIcon &image)
{
    m_usualImage = image;
    buttonCell()->setImage(image);
    update();
}

void VTRolloverButton::setAlternateImage(const QIcon &image)
{
    buttonCell()->setAlternateImage(image);
    update();
}

QIcon VTRolloverButton::shownImage() const
{
    return buttonCell()->image();
}

void VTRolloverButton::addTrackingRect()
{
    const bool inside = rect().contains(mapFromGlobal(QCursor::pos()));
    m_myTrackingRectTag = m_tracking->addTrackingRect(QRectF(rect()), this, QVariant(), inside);
    if (inside)
        mouseEntered(platform::TrackingEvent{m_myTrackingRectTag, {}, {}, {}});
    else
        mouseExited(platform::TrackingEvent{m_myTrackingRectTag, {}, {}, {}});
}

void VTRolloverButton::removeTrackingRect()
{
    if (m_myTrackingRectTag != -1)
        m_tracking->removeTrackingRect(m_myTrackingRectTag);
    m_myTrackingRectTag = -1;
}

void VTRolloverButton::resetCursorRects()
{
    removeTrackingRect();
    addTrackingRect();
}

void VTRolloverButton::mouseEntered(const platform::TrackingEvent &)
{
    buttonCell()->setImage(m_rolloverImage);
    update();
}

void VTRolloverButton::mouseExited(const platform::TrackingEvent &)
{
    buttonCell()->setImage(m_usualImage);
    update();
}

void VTRolloverButton::moveEvent(QMoveEvent *event)
try {
    platform::Control::moveEvent(event);
    resetCursorRects();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "moveEvent");
}

void VTRolloverButton::resizeEvent(QResizeEvent *event)
try {
    platform::Control::resizeEvent(event);
    resetCursorRects();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "resizeEvent");
}

void VTRolloverButton::showEvent(QShowEvent *event)
try {
    platform::Control::showEvent(event);
    resetCursorRects();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "showEvent");
}

void VTRolloverButton::changeEvent(QEvent *event)
try {
    platform::Control::changeEvent(event);
    if (event->type() == QEvent::ParentChange)
        resetCursorRects();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "changeEvent");
}

void VTRolloverButton::encodeWithCoder(platform::Coder &coder) const
{
    if (!coder.allowsKeyedCoding())
        return;
    cell()->encodeWithCoder(coder);
    coder.encodeObject(VTTabBarArtwork::archivedImage(m_rolloverImage), QStringLiteral("rolloverImage"));
    coder.encodeObject(VTTabBarArtwork::archivedImage(m_usualImage), QStringLiteral("usualImage"));
    coder.encodeInt32(m_myTrackingRectTag, QStringLiteral("myTrackingRectTag"));
}

bool VTRolloverButton::initWithCoder(platform::Coder &coder)
{
    if (!coder.allowsKeyedCoding() || !cell()->initWithCoder(coder))
        return false;
    const QVariant rollover = coder.decodeObject(QStringLiteral("rolloverImage"));
    const QVariant usual = coder.decodeObject(QStringLiteral("usualImage"));
    const qint32 tag = coder.decodeInt32(QStringLiteral("myTrackingRectTag"));
    if (coder.failed() || !VTTabBarArtwork::isArchivedImage(rollover) || !VTTabBarArtwork::isArchivedImage(usual)) {
        coder.failWithError(QStringLiteral("VTRolloverButton: an image of the wrong kind"));
        return false;
    }
    m_rolloverImage = VTTabBarArtwork::imageFromArchive(rollover);
    m_usualImage = VTTabBarArtwork::imageFromArchive(usual);
    buttonCell()->setImage(m_usualImage);
    // The rectangle installed now goes; the decoded tag stands until the next install.
    removeTrackingRect();
    m_myTrackingRectTag = tag;
    return true;
}
