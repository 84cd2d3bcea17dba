#pragma once
// The add-tab button of the tab bar control: an image button (momentary change, no
// border) that shows its rollover image while the pointer is inside it and its usual
// image otherwise. It keeps one tracking rectangle over its bounds
// (platform::TrackingAreas, the button as owner); the rectangle is installed again
// after every move, resize and change of parent, with the pointer's place at that
// moment, and the right image shows at once, so a button that moves under a still
// pointer turns to the rollover image without any pointer movement.
//
// Archive (keyed coders only): the cell's keys, then "rolloverImage", "usualImage",
// "myTrackingRectTag"; decoding stores the three values as read.
//
// A widget owned by its parent; owns its cell. Main thread only.
#include "platform/drawing/Control.h"
#include "platform/drawing/TrackingAreas.h"

#include <QIcon>

namespace platform {
class Coder;
class ButtonCell;
}

class VTRolloverButton : public platform::Control, public platform::TrackingAreaOwner
{
    Q_OBJECT
public:
    explicit VTRolloverButton(QWidget *parent = nullptr);
    ~VTRolloverButton() override;

    platform::ButtonCell *buttonCell() const;
    QIcon usualImage() const { return m_usualImage; }
    // Also makes it the button's image.
    void setUsualImage(const QIcon &image);
    QIcon rolloverImage() const { return m_rolloverImage; }
    void setRolloverImage(const QIcon &image) { m_rolloverImage = image; }
    void setAlternateImage(const QIcon &image);
    // The image shown now.
    QIcon shownImage() const;

    int trackingRectTag() const { return m_myTrackingRectTag; }
    void addTrackingRect();
    void removeTrackingRect();
    void resetCursorRects();

    void mouseEntered(const platform::TrackingEvent &event) override;
    void mouseExited(const platform::TrackingEvent &event) override;

    void encodeWithCoder(platform::Coder &coder) const;
    bool initWithCoder(platform::Coder &coder);

protected:
    void moveEvent(QMoveEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    platform::TrackingAreas *m_tracking = nullptr;
    QIcon m_rolloverImage;
    QIcon m_usualImage;
    int m_myTrackingRectTag = -1;
};
