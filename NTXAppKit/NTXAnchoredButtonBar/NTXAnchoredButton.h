#pragma once
// A small square push button of an anchored button bar, carrying an
// NTXAnchoredButtonCell. It is always 24 pixels high, whatever height it is given; a
// press brings it in front of its siblings first. The bar marks the buttons that
// touch its left and right edges (isAtLeftEdgeOfBar, isAtRightEdgeOfBar), which the
// cell asks when it draws.
// Ownership: a widget owned by its Qt parent; it owns its cell. GUI thread only.
#include "NTXAppKit/NTXAnchoredButtonBar/NTXAnchoredButtonCell.h"
#include "platform/drawing/Control.h"

class NTXAnchoredButton : public platform::Control
{
    Q_OBJECT
public:
    static constexpr int Height = 24;

    explicit NTXAnchoredButton(QWidget *parent = nullptr);
    // A null cell is replaced by a new anchored button cell.
    explicit NTXAnchoredButton(std::unique_ptr<NTXAnchoredButtonCell> cell, QWidget *parent = nullptr);

    NTXAnchoredButtonCell *buttonCell() const;
    // The geometry in the parent, 24 high.
    QRect frame() const { return geometry(); }

    Q_INVOKABLE bool isAtLeftEdgeOfBar() const { return m_atLeftEdge; }
    void setAtLeftEdgeOfBar(bool atEdge) { m_atLeftEdge = atEdge; }
    Q_INVOKABLE bool isAtRightEdgeOfBar() const { return m_atRightEdge; }
    void setAtRightEdgeOfBar(bool atEdge) { m_atRightEdge = atEdge; }

protected:
    void mousePressEvent(QMouseEvent *event) override;

private:
    bool m_atLeftEdge = false;
    bool m_atRightEdge = false;
};
