#pragma once
// A mini action button: its cell (an NTXContextMenuButtonCell unless another is set)
// sends the action when the mouse goes down; the release does nothing more. With an
// NTXNewContextMenuButtonCell it keeps the platform's look and the same press; with
// any other cell it is a plain control. GUI thread only.
#include "NTXAppKit/NTXContextMenuToolbarItem/NTXContextMenuButtonCell.h"
#include "platform/drawing/Control.h"

class NTXContextMenuButton : public platform::Control
{
    Q_OBJECT
public:
    explicit NTXContextMenuButton(QWidget *parent = nullptr);
    ~NTXContextMenuButton() override;

    // The cell class of the button.
    static std::unique_ptr<platform::Cell> makeCell() { return std::make_unique<NTXContextMenuButtonCell>(); }

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    // Whether the cell acts on the press.
    bool actsOnPress() const;
};
