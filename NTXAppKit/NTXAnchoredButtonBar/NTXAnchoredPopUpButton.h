#pragma once
// A pop-up or pull-down button of an anchored button bar, carrying an
// NTXAnchoredPopUpButtonCell. Always 24 pixels high; a press brings it in front of its
// siblings before the menu opens. The bar marks the buttons at its edges, as for
// NTXAnchoredButton.
// Ownership: a widget owned by its Qt parent; it owns its cell. GUI thread only.
#include "NTXAppKit/NTXAnchoredButtonBar/NTXAnchoredPopUpButtonCell.h"
#include "platform/drawing/PopUpButton.h"

class NTXAnchoredPopUpButton : public platform::PopUpButton
{
    Q_OBJECT
public:
    static constexpr int Height = 24;

    explicit NTXAnchoredPopUpButton(bool pullsDown = false, QWidget *parent = nullptr);

    NTXAnchoredPopUpButtonCell *anchoredCell() const;
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
