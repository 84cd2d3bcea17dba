#pragma once
// The cell of a mini action button (NTXContextMenuButton): a small square bezel with
// an image only, whose action goes out as soon as the mouse goes down; the release
// is not awaited. setType() chooses among the three mini images of the NTXAppKit
// bundle ("NTXButtonMiniAction", "NTXButtonMiniAddAction",
// "NTXButtonMiniAddPlusScrollbar") and their borders. GUI thread only.
#include "platform/drawing/ButtonCell.h"

class NTXContextMenuButtonCell : public platform::ButtonCell
{
public:
    // The add-action image, momentary change, small square bezel, image only.
    NTXContextMenuButtonCell();
    ~NTXContextMenuButtonCell() override;

    std::unique_ptr<platform::Cell> clone() const override;
    // A bezeled cell draws the small square bezel, then the image.
    void drawWithFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const override;

    // 0: bordered and bezeled, the action image; 1: bordered, the add-action image;
    // 2: neither bordered nor bezeled, the add image of a scroll bar; any other type
    // keeps the borders and clears the image.
    void setType(int type);

    // The press: the control view sends the action to the target at once; answers YES.
    static bool trackMouse(const platform::Cell &cell, QWidget *controlView);

    // A mini image of the NTXAppKit bundle by name.
    static QIcon bundleImage(const QString &name);

protected:
    NTXContextMenuButtonCell(const NTXContextMenuButtonCell &other) = default;
};
