#pragma once
// A colour well: a control that shows one colour, or nothing (an empty well) when it
// has none. A click, or space on the focused well, opens a colour dialog as a sheet
// on the well's window (platform::Sheet); choosing a colour there sets it and sends
// the action to the target once, cancelling changes nothing and sends nothing.
// Ownership: the dialog is a child of the well while it is up and is deleted when it
// ends. Threads: GUI thread only.
#include "platform/drawing/Control.h"

#include <QColor>
#include <QPointer>

#include <QColorDialog>

namespace platform {

class ColorWell : public Control
{
    Q_OBJECT
public:
    explicit ColorWell(QWidget *parent = nullptr);
    ~ColorWell() override;

    // An invalid colour: no colour.
    QColor color() const { return m_color; }
    void setColor(const QColor &color);

    // Opens the colour dialog (nothing while one is up or the well is disabled).
    Q_INVOKABLE void activate();
    // The dialog while it is up.
    QColorDialog *colorPanel() const { return m_panel; }

    QSize sizeHint() const override { return {44, 24}; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QColor m_color;
    QPointer<QColorDialog> m_panel;
};

} // namespace platform
