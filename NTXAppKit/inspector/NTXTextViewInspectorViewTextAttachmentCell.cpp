#include "NTXAppKit/inspector/NTXTextViewInspectorViewTextAttachmentCell.h"

#include "NTXAppKit/TDSmallDateControl/TDSmallDateControl.h"
#include "NTXAppKit/TDTimeControl/TDStepper.h"
#include "platform/drawing/ButtonCell.h"
#include "platform/drawing/Control.h"
#include "platform/drawing/PopUpButton.h"
#include "platform/drawing/TokenField.h"

#include <QAbstractButton>
#include <QPushButton>
#include <QToolButton>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QFontMetricsF>
#include <cmath>

NTXTextViewInspectorViewTextAttachmentCell::~NTXTextViewInspectorViewTextAttachmentCell() = default;

QSizeF NTXTextViewInspectorViewTextAttachmentCell::cellSize() const
{
    if (m_viewShouldNotShowAtAttachmentPosition)
        return m_overrideCellSize;
    return m_view ? QSizeF(m_view->size()) : QSizeF(0, 0);
}

QPointF NTXTextViewInspectorViewTextAttachmentCell::cellBaselineOffset() const
{
    return m_viewShouldNotShowAtAttachmentPosition ? QPointF(-1.0, 0) : QPointF(0, 0);
}

qreal NTXTextViewInspectorViewTextAttachmentCell::controlOffset(const QWidget *view)
{
    if (!view)
        return 0;
    if (qobject_cast<const TDSmallDateControl *>(view))
        return -4;
    if (qobject_cast<const QDateTimeEdit *>(view))
        return -2;
    if (const auto *popUp = qobject_cast<const platform::PopUpButton *>(view))
        return popUp->cell() && popUp->cell()->isBordered() ? -2 : -1;
    if (qobject_cast<const QComboBox *>(view))
        return -2;
    // A token field is bordered while it draws its frame.
    if (const auto *tokens = qobject_cast<const platform::TokenField *>(view))
        return tokens->hasFrame() ? 0 : -2;
    if (const auto *control = qobject_cast<const platform::Control *>(view)) {
        if (dynamic_cast<const platform::ButtonCell *>(control->cell()))
            return control->cell()->isBordered() ? -2 : -1;
        return 0;
    }
    if (const auto *push = qobject_cast<const QPushButton *>(view))
        return push->isFlat() ? -1 : -2;
    if (const auto *tool = qobject_cast<const QToolButton *>(view))
        return tool->autoRaise() ? -1 : -2;
    if (qobject_cast<const QAbstractButton *>(view))
        return -2;
    return 0;
}

QRectF NTXTextViewInspectorViewTextAttachmentCell::cellFrame(const QRectF &line, qreal baseline, qreal x,
                                                             qreal padding) const
{
    const QSizeF size = cellSize();
    if (m_viewShouldNotShowAtAttachmentPosition) {
        const QRectF cell(x + cellBaselineOffset().x(), baseline - size.height(), size.width(), size.height());
        const QSizeF viewSize = m_view ? QSizeF(m_view->size()) : QSizeF(0, 0);
        return QRectF(QPointF(padding, cell.top() - m_labelFont.pointSizeF()), viewSize).toAlignedRect();
    }
    const QFontMetricsF metrics(m_labelFont);
    const qreal viewHeight = m_view ? m_view->height() : 0;
    const qreal lineBottom = std::min(line.bottom(), baseline + metrics.descent() + metrics.leading());
    qreal top = lineBottom - line.height() + (line.height() - viewHeight) * 0.5;
    top += controlOffset(m_view);
    return QRectF(x, top, size.width(), size.height()).toAlignedRect();
}
