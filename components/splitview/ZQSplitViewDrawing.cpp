// Divider drawing and cursors of the split view.
#include "components/splitview/ZQSplitView.h"

#include "platform/drawing/DelegateCall.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QGuiApplication>
#include <QPainter>

#include <array>
#include <cmath>
#include <optional>

using platform::askDelegate;
using platform::tellDelegate;

namespace {

std::array<std::optional<QCursor>, 4> &replacedCursors()
{
    static std::array<std::optional<QCursor>, 4> cursors;
    return cursors;
}

QRectF convertRect(const QRectF &rect, const QWidget *from, const QWidget *to)
{
    if (from == to)
        return rect;
    return QRectF(to->mapFromGlobal(from->mapToGlobal(rect.topLeft())), rect.size());
}

} // namespace

QCursor ZQSplitView::cursor(int type)
{
    if (type < 0 || type > 3)
        return QGuiApplication::overrideCursor() ? *QGuiApplication::overrideCursor() : QCursor();
    if (const auto &replaced = replacedCursors()[size_t(type)])
        return *replaced;
    static const Qt::CursorShape defaults[4] = {Qt::SplitVCursor, Qt::SplitHCursor, Qt::OpenHandCursor,
                                                Qt::ClosedHandCursor};
    return QCursor(defaults[type]);
}

void ZQSplitView::setCursor(int type, const QCursor &cursor)
{
    if (type >= 0 && type <= 3)
        replacedCursors()[size_t(type)] = cursor;
}

void ZQSplitView::paintEvent(QPaintEvent *)
try {
    if (m_mustAdjust && !m_isAdjusting)
        adjustSubviews();
    QPainter painter(this);
    drawPane(painter, QRectF(rect()));
    const QList<ZQSplitSubview *> panes = ZQ___subviews();
    const QImage image = divider();
    const float t = dividerThickness();
    for (qsizetype i = 0; i < m_dividers.size() && i + 1 < panes.size(); ++i) {
        ZQSplitSubview *leading = panes.at(i), *trailing = panes.at(i + 1);
        ZQSplitView *coupledL = leading->isCollapsed() ? nullptr : leading->coupledSplitView();
        ZQSplitView *coupledT = trailing->isCollapsed() ? nullptr : trailing->coupledSplitView();
        const QImage own = (!image.isNull() && !coupledL && !coupledT) ? image : QImage();
        drawDivider(painter, own, m_dividers.at(i), leading, trailing);
        if (image.isNull())
            continue;
        if (coupledL)
            coupledL->ZQ___drawDividersIn(painter, this, m_dividers.at(i), t);
        if (coupledT)
            coupledT->ZQ___drawDividersIn(painter, this, m_dividers.at(i), t);
    }
} catch (...) {
    platform::ExceptionBoundary::caught(this, "paintEvent");
}

void ZQSplitView::drawDivider(QPainter &painter, const QImage &image, const QRectF &rect, ZQSplitSubview *leading,
                              ZQSplitSubview *trailing)
{
    const QColor colour = background();
    if ((leading || trailing) && colour.isValid()) {
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter.fillRect(rect, colour);
    }
    QRectF imageRect;
    if (!image.isNull()) {
        const QSizeF size = image.deviceIndependentSize();
        imageRect = QRectF(std::floor(float(rect.x() + (rect.width() - size.width()) * 0.5)),
                           std::floor(float(rect.y() + (rect.height() - size.height()) * 0.5)), size.width(),
                           size.height());
    }
    QRectF answer;
    if (askDelegate(m_delegate.data(), "splitViewWillDrawDividerInRectBetweenViewAndViewWithProposedRect", &answer,
                    this, rect, leading, trailing, imageRect))
        imageRect = answer;
    if (!imageRect.isEmpty() && !image.isNull()) {
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter.setOpacity(1.0);
        painter.drawImage(imageRect, image);
    }
}

void ZQSplitView::ZQ___drawDividersIn(QPainter &painter, ZQSplitView *view, const QRectF &rect, float thickness)
{
    if (ZQ___numberOfSubviews() < 2)
        return;
    const QImage image = view->divider();
    for (qsizetype i = 0; i < m_dividers.size(); ++i) {
        QRectF r = convertRect(m_dividers.at(i), this, view);
        if (isHorizontal())
            r.adjust(-thickness, 0, thickness, 0);
        else
            r.adjust(0, -thickness, 0, thickness);
        r = r.intersected(rect);
        if (!r.isEmpty())
            view->drawDivider(painter, image, r, nullptr, nullptr);
    }
}

void ZQSplitView::resetCursorRects()
{
    m_cursorRects.clear();
    const QList<ZQSplitSubview *> panes = ZQ___subviews();
    const QImage image = divider();
    if (panes.size() < 2 || image.isNull() || m_dividers.isEmpty()) {
        QRectF ignored;
        askDelegate(m_delegate.data(), "splitViewCursorRectForDivider", &ignored, this, QRectF(), 0u);
        return;
    }
    const QCursor resize = cursor(isVertical() ? 1 : 0);
    const float t = dividerThickness();
    for (qsizetype i = 0; i < m_dividers.size() && i + 1 < panes.size(); ++i) {
        for (ZQSplitSubview *pane : {panes.at(i), panes.at(i + 1)}) {
            if (ZQSplitView *coupled = pane->coupledSplitView())
                coupled->ZQ___addCursorRectsTo(this, m_dividers.at(i), t);
        }
        QRectF rect = m_dividers.at(i);
        QRectF answer;
        if (askDelegate(m_delegate.data(), "splitViewCursorRectForDivider", &answer, this, rect, unsigned(i)))
            rect = answer;
        if (!rect.isEmpty())
            m_cursorRects.add(rect, resize);
    }
}

void ZQSplitView::ZQ___addCursorRectsTo(ZQSplitView *view, const QRectF &rect, float thickness)
{
    if (m_dividers.isEmpty() || divider().isNull())
        return;
    for (const QRectF &own : std::as_const(m_dividers)) {
        QRectF r = convertRect(own, this, view);
        if (isHorizontal())
            r.adjust(-thickness, 0, thickness, 0);
        else
            r.adjust(0, -thickness, 0, thickness);
        r = r.intersected(rect);
        if (!r.isEmpty())
            view->m_cursorRects.add(r, cursor(2));
    }
}
