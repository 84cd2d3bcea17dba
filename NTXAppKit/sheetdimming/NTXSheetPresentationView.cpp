#include "NTXAppKit/sheetdimming/NTXSheetPresentationView.h"

#include "platform/foundation/ExceptionBoundary.h"

#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QPainter>

NTXSheetPresentationView::NTXSheetPresentationView(QWidget *content)
    : QWidget(content), m_effect(new QGraphicsOpacityEffect(this))
{
    setObjectName(QStringLiteral("NTXSheetPresentationView"));
    setAttribute(Qt::WA_TransparentForMouseEvents, false);
    m_effect->setOpacity(0);
    setGraphicsEffect(m_effect);
    setGeometry(content->rect());
    content->installEventFilter(this);
}

void NTXSheetPresentationView::paintEvent(QPaintEvent *)
try {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0, 0, 0, qRound(0.4 * 255)));
} catch (...) {
    platform::ExceptionBoundary::caught(this, "paintEvent");
}

bool NTXSheetPresentationView::eventFilter(QObject *watched, QEvent *event)
try {
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        setGeometry(parentWidget()->rect());
    return QWidget::eventFilter(watched, event);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "eventFilter");
    return false;
}
