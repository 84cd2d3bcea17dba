#pragma once
// A pop-up button whose cell is an NTXPopUpButtonCell; configured through the
// platform pop-up button and its cell (arrow position, preferred edge, bezel,
// border, alignment, control size, items with represented objects).
// Ownership: a widget owned by its Qt parent; it owns its cell. GUI thread only.
#include "NTXAppKit/NTXPopUpButton/NTXPopUpButtonCell.h"
#include "platform/drawing/PopUpButton.h"

class NTXPopUpButton : public platform::PopUpButton
{
    Q_OBJECT
public:
    explicit NTXPopUpButton(const QRect &frame = QRect(), QWidget *parent = nullptr);

    // Null when another kind of cell was set.
    NTXPopUpButtonCell *ntxCell() const { return dynamic_cast<NTXPopUpButtonCell *>(popUpCell()); }
};
