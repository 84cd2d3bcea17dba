#include "platform/drawing/ColorWell.h"

#include "platform/drawing/Sheet.h"
#include "platform/drawing/SystemColors.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QColorDialog>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace platform {

using namespace SystemColors;

ColorWell::ColorWell(QWidget *parent)
    : Control(std::make_unique<Cell>(), parent)
{
    cell()->setSelectable(true);
    setFocusPolicy(Qt::StrongFocus);
    resize(sizeHint());
}

ColorWell::~ColorWell() = default;

void ColorWell::setColor(const QColor &color)
{
    if (color == m_color && color.isValid() == m_color.isValid())
        return;
    m_color = color;
    update();
}

void ColorWell::activate()
{
    if (m_panel || !isEnabled())
        return;
    auto *panel = new QColorDialog(this);
    panel->setOption(QColorDialog::ShowAlphaChannel);
    panel->setOption(QColorDialog::DontUseNativeDialog);
    if (m_color.isValid())
        panel->setCurrentColor(m_color);
    m_panel = panel;
    update();
    QPointer<ColorWell> well(this);
    Sheet::begin(panel, window(), [well, panel](int result) {
        panel->deleteLater();
        if (!well)
            return;
        well->update();
        if (result != QDialog::Accepted)
            return;
        well->setColor(panel->currentColor());
        well->sendAction(well->action(), well->target());
    });
}

void ColorWell::paintEvent(QPaintEvent *)
try {
    QPainter painter(this);
    const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(controlShadowColor());
    painter.setBrush(m_panel ? selectedControlColor() : controlBackgroundColor());
    painter.drawRect(frame);
    const QRectF swatch = frame.adjusted(4, 4, -4, -4);
    painter.setPen(isEnabled() ? controlDarkShadowColor() : controlShadowColor());
    painter.setBrush(m_color.isValid() ? QBrush(m_color) : QBrush(whiteColor()));
    painter.drawRect(swatch);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "paintEvent");
}

void ColorWell::mousePressEvent(QMouseEvent *event)
try {
    event->accept();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mousePressEvent");
}

void ColorWell::mouseReleaseEvent(QMouseEvent *event)
try {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        activate();
    event->accept();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mouseReleaseEvent");
}

void ColorWell::keyPressEvent(QKeyEvent *event)
try {
    if (event->key() == Qt::Key_Space) {
        activate();
        return;
    }
    QWidget::keyPressEvent(event);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "keyPressEvent");
}

} // namespace platform
