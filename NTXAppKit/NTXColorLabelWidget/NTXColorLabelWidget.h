#pragma once
// The colour-label picker: a control of eight 16-point slots whose
// integer value is the chosen label (0 none, 1 to 7 the colours of
// NTXColorLabelColors; -1 no single value). The application reads intValue() when
// the picker sends its action to its target.
//
// Mouse: a left press chooses the slot under the pointer and sends the action; every
// drag with the button down chooses again and sends the action again (the cell sends
// on mouse down and mouse dragged, continuously); the release sends nothing. The
// picker takes a click even when its window is not active (acceptsFirstMouse: YES,
// which is how Qt widgets behave anyway). It has no keys of its own: it takes focus
// and shows a focus ring, and passes keys on.
#include "NTXAppKit/NTXColorLabelWidget/NTXColorLabelWidgetCell.h"
#include "platform/drawing/Control.h"

class NTXColorLabelWidget : public platform::Control
{
    Q_OBJECT
public:
    explicit NTXColorLabelWidget(QWidget *parent = nullptr);
    // A picker around a given cell (one decoded from an archive, for instance).
    explicit NTXColorLabelWidget(std::unique_ptr<NTXColorLabelWidgetCell> cell, QWidget *parent = nullptr);
    ~NTXColorLabelWidget() override;

    // cellClass: the cell every new picker makes.
    static std::unique_ptr<NTXColorLabelWidgetCell> makeCell();

    NTXColorLabelWidgetCell *colorLabelCell() const;
    int colorLabelType() const;
    // Stores the type (clamped to -1 ... 7) and redraws.
    void setColorLabelType(int type);
    // Every event may click the picker, also the one that activates its window.
    bool acceptsFirstMouse() const { return true; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    bool m_tracking = false;
    QPointF m_lastPoint;
};
