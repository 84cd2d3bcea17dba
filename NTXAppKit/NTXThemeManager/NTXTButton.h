#pragma once
// A button that carries an NTXTButtonCell. Its setters hand the value to the cell and
// repaint; it keeps nothing of its own.
// Ownership: a widget owned by its Qt parent; it owns its cell. GUI thread only.
#include "NTXAppKit/NTXThemeManager/NTXTButtonCell.h"
#include "platform/drawing/Control.h"

class NTXTButton : public platform::Control
{
    Q_OBJECT
public:
    explicit NTXTButton(QWidget *parent = nullptr);
    // A null cell is replaced by a new themed cell.
    explicit NTXTButton(std::unique_ptr<NTXTButtonCell> cell, QWidget *parent = nullptr);

    NTXTButtonCell *buttonCell() const;

    // A null cell is replaced by a new themed cell.
    void setCell(std::unique_ptr<NTXTButtonCell> cell);

    void setThemeKey(const QString &key);
    void setHighlightBackgroundMode(unsigned mode);
    void setStateBackgroundMode(unsigned mode);
    void setBorderSideMask(unsigned mask);
};
