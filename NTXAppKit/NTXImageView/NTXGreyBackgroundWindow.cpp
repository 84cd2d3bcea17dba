#include "NTXAppKit/NTXImageView/NTXGreyBackgroundWindow.h"

#include "platform/drawing/SystemColors.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QEvent>

NTXGreyBackgroundWindow::NTXGreyBackgroundWindow(QWidget *parent, Qt::WindowFlags flags)
    : QWidget(parent, flags)
{
    setupWindow();
}

NTXGreyBackgroundWindow::~NTXGreyBackgroundWindow() = default;

void NTXGreyBackgroundWindow::setupWindow()
{
    m_settingUp = true;
    QPalette background = palette();
    background.setColor(QPalette::Window, platform::SystemColors::controlHighlightColor());
    setPalette(background);
    setAutoFillBackground(true);
    m_settingUp = false;
}

void NTXGreyBackgroundWindow::changeEvent(QEvent *event)
try {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ApplicationPaletteChange && !m_settingUp)
        setupWindow();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "changeEvent");
}
