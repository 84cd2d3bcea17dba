#pragma once
// A button that pops up its cell's menu below itself when pressed (see
// NTXDelayedPopUpButtonCell) and otherwise clicks like a plain button. It always
// carries an NTXDelayedPopUpButtonCell.
#include "NTXAppKit/NTXContextMenuToolbarItem/NTXDelayedPopUpButtonCell.h"
#include "platform/drawing/Control.h"

#include <QTimer>

class NTXDelayedPopUpButton : public platform::Control
{
    Q_OBJECT
public:
    // initWithFrame: the button with an empty title at the regular control size.
    explicit NTXDelayedPopUpButton(QWidget *parent = nullptr);
    NTXDelayedPopUpButton(const QRect &frame, QWidget *parent = nullptr);
    ~NTXDelayedPopUpButton() override;

    NTXDelayedPopUpButtonCell *popUpCell() const;
    // Replaces the cell; a cell of another class is replaced by a new pop-up cell
    // with its title.
    void setCell(std::unique_ptr<platform::Cell> cell);

    QMenu *menu() const { return popUpCell()->menu(); }
    void setMenu(QMenu *menu) { popUpCell()->setMenu(menu); }

    // Whether tracking waits for the mouse-up even outside the button (NO for
    // buttons: leaving the button ends the click).
    static constexpr bool TracksUntilMouseUp = false;

    // The answer of the last press (trackMouse:…), for those who care.
    bool lastTrackingResult() const { return popUpCell()->trackingResult(); }

    // Delivers the deadline at once (what the zero timer does when the queue holds
    // nothing more for the press).
    void deliverDeadline();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void armDeadline();
    void trackingEnded();

    QTimer m_deadline;
};
