#pragma once
// A button cell with the platform's default look whose action goes out as soon as
// the mouse goes down, as NTXContextMenuButtonCell's does (give it to an
// NTXContextMenuButton with setCell()). GUI thread only.
#include "platform/drawing/ButtonCell.h"

class NTXNewContextMenuButtonCell : public platform::ButtonCell
{
public:
    using platform::ButtonCell::ButtonCell;
    ~NTXNewContextMenuButtonCell() override;

    std::unique_ptr<platform::Cell> clone() const override;

protected:
    NTXNewContextMenuButtonCell(const NTXNewContextMenuButtonCell &other) = default;
};
