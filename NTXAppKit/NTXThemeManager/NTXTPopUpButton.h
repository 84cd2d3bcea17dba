#pragma once
// A pop-up button that carries an NTXTPopUpButtonCell. Its setters hand the value to
// the cell and repaint; it keeps nothing of its own.
// Ownership: a widget owned by its Qt parent; it owns its cell. GUI thread only.
#include "NTXAppKit/NTXThemeManager/NTXTPopUpButtonCell.h"
#include "platform/drawing/PopUpButton.h"

class NTXTPopUpButton : public platform::PopUpButton
{
    Q_OBJECT
public:
    explicit NTXTPopUpButton(bool pullsDown = false, QWidget *parent = nullptr);

    NTXTPopUpButtonCell *themedCell() const;

    // A null cell is replaced by a new themed cell.
    void setCell(std::unique_ptr<NTXTPopUpButtonCell> cell);

    void setThemeKey(const QString &key);
    void setHighlightBackgroundMode(unsigned mode);
    void setBorderSideMask(unsigned mask);
};
