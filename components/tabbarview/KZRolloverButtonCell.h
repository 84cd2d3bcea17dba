#pragma once
// The cell of a KZRolloverButton: a button cell that knows whether the pointer is
// over its button and then draws its rollover image instead of its image (not while
// pressed). With simulateClickOnMouseHovered set, the pointer entering the button
// with Alt held clicks it instead ("scrubbing" along a row of tabs).
//
// Rollover type 0 makes the cell an image-only momentary-change button without a
// border; type 1 (tab buttons) leaves the cell's settings alone.
//
// The cell is owned by its button (platform::Control); controlView() is that button,
// a weak reference set by the button. Main thread only. Archiving: encode() writes
// "rolloverImage", "simulateClickOnMouseHovered" and "rolloverButtonType" to a keyed
// coder only; decode() reads them back without re-applying the type's settings.
#include "platform/drawing/ButtonCell.h"

#include <QIcon>
#include <QPointer>
#include <QWidget>

namespace platform {
class Coder;
}

class KZRolloverButtonCell : public platform::ButtonCell
{
public:
    KZRolloverButtonCell();
    ~KZRolloverButtonCell() override;

    std::unique_ptr<platform::Cell> clone() const override;

    QIcon rolloverImage() const { return m_rolloverImage; }
    void setRolloverImage(const QIcon &image) { m_rolloverImage = image; }
    bool mouseHovered() const { return m_mouseHovered; }
    unsigned rolloverButtonType() const { return m_rolloverButtonType; }
    void setRolloverButtonType(unsigned type);
    bool simulateClickOnMouseHovered() const { return m_simulateClick; }
    void setSimulateClickOnMouseHovered(bool simulate) { m_simulateClick = simulate; }

    QWidget *controlView() const { return m_controlView; }
    void setControlView(QWidget *view) { m_controlView = view; }

    // The pointer entered (with the modifiers held then) or left the button.
    using platform::ButtonCell::mouseEntered;
    using platform::ButtonCell::mouseExited;
    virtual void mouseEntered(Qt::KeyboardModifiers modifiers);
    virtual void mouseExited();

    // The image shown now: the alternate image while a momentary-change button is
    // pressed, the rollover image while hovered (not pressed), else the image.
    QIcon shownImage() const;
    // An image-only cell draws shownImage() centred at its natural size (dimmed when
    // disabled); any other cell draws as a button cell.
    void drawInteriorWithFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const override;

    void encode(platform::Coder &coder) const;
    void decode(platform::Coder &coder);

protected:
    KZRolloverButtonCell(const KZRolloverButtonCell &other) = default;
    // Asks the control view to redraw the cell.
    void updateControlView() const;

private:
    QIcon m_rolloverImage;
    bool m_mouseHovered = false;
    unsigned m_rolloverButtonType = 0;
    bool m_simulateClick = false;
    QPointer<QWidget> m_controlView;
};
