#pragma once
// A free-standing button in the bar look, carrying an NTXUnanchoredButtonCell. Always
// 22 pixels high; a press brings it in front of its siblings first.
// Ownership: a widget owned by its Qt parent; it owns its cell. GUI thread only.
#include "NTXAppKit/NTXAnchoredButtonBar/NTXUnanchoredButtonCell.h"
#include "platform/drawing/Control.h"

class NTXUnanchoredButton : public platform::Control
{
    Q_OBJECT
public:
    static constexpr int Height = 22;

    explicit NTXUnanchoredButton(QWidget *parent = nullptr);
    // A null cell is replaced by a new unanchored button cell.
    explicit NTXUnanchoredButton(std::unique_ptr<NTXUnanchoredButtonCell> cell, QWidget *parent = nullptr);

    NTXUnanchoredButtonCell *buttonCell() const;
    QRect frame() const { return geometry(); }

protected:
    void mousePressEvent(QMouseEvent *event) override;
};
