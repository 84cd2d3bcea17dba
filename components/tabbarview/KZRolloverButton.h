#pragma once
// A push button that knows whether the pointer is over it and then shows its
// rollover image: the add-tab and close buttons of the tab bar, and the base of every
// tab button. Enter and leave events go to the cell (KZRolloverButtonCell), with the
// modifiers read from the keyboard at that moment (enter events carry none).
//
// updateTrackingAreas() is what the bar calls after it moved buttons: a hovered
// button drops its hover look at once, and trackingAssumesInside() tells whether the
// pointer was inside the button then (the next hover look needs a leave and a new
// enter, as Qt delivers them).
//
// A widget owned by its parent; owns its cell. Main thread only.
#include "components/tabbarview/KZRolloverButtonCell.h"
#include "platform/drawing/Control.h"

class KZRolloverButton : public platform::Control
{
    Q_OBJECT
public:
    explicit KZRolloverButton(QWidget *parent = nullptr);
    ~KZRolloverButton() override;

    KZRolloverButtonCell *rolloverCell() const;

    QIcon rolloverImage() const { return rolloverCell()->rolloverImage(); }
    void setRolloverImage(const QIcon &image);
    unsigned rolloverButtonType() const { return rolloverCell()->rolloverButtonType(); }
    void setRolloverButtonType(unsigned type) { rolloverCell()->setRolloverButtonType(type); }
    bool mouseHovered() const { return rolloverCell()->mouseHovered(); }
    bool simulateClickOnMouseHovered() const { return rolloverCell()->simulateClickOnMouseHovered(); }
    void setSimulateClickOnMouseHovered(bool simulate) { rolloverCell()->setSimulateClickOnMouseHovered(simulate); }

    // The cell's images (a ButtonCell's image and alternate image).
    void setImage(const QIcon &image);
    void setAlternateImage(const QIcon &image);

    virtual void updateTrackingAreas();
    bool trackingAssumesInside() const { return m_assumeInside; }

protected:
    // For subclasses that bring a cell of their own (a KZRolloverButtonCell).
    KZRolloverButton(std::unique_ptr<KZRolloverButtonCell> cell, QWidget *parent);

    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    bool m_assumeInside = false;
};
