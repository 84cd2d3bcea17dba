#include "NTXAppKit/NTXRoundedBox/NTXRoundedBox.h"

#include "platform/drawing/BezierPathHelpers.h"
#include "platform/drawing/Cell.h"
#include "platform/drawing/SystemColors.h"
#include "platform/drawing/YUpPainter.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

using platform::BezierPathHelpers::appendArcFromPoint;

namespace {

// Cut to a whole number towards zero.
qreal whole(qreal value)
{
    return std::trunc(value);
}

QPointF whole(qreal x, qreal y)
{
    return QPointF(whole(x), whole(y));
}

} // namespace

NTXRoundedBox::NTXRoundedBox(QWidget *parent)
    : QWidget(parent)
{
    setDefaults();
}

NTXRoundedBox::~NTXRoundedBox() = default;

void NTXRoundedBox::setDefaults()
{
    m_borderWidth = 2;
    m_borderColor = platform::SystemColors::grayColor();
    m_titleColor = platform::SystemColors::whiteColor();
    m_backgroundColor = platform::SystemColors::calibratedWhite(0.9);
    m_titleFont = platform::Cell::systemFontForControlSize(platform::Cell::ControlSize::Small);
    m_titleFont.setBold(true);
    m_drawsFullTitleBar = false;
    m_selected = false;
    update();
}

void NTXRoundedBox::setTitle(const QString &title)
{
    m_title = title;
    update();
}

void NTXRoundedBox::setDrawsFullTitleBar(bool draws)
{
    m_drawsFullTitleBar = draws;
    update();
}

void NTXRoundedBox::setSelected(bool selected)
{
    m_selected = selected;
    update();
}

void NTXRoundedBox::setBorderColor(const QColor &color)
{
    m_borderColor = color;
    update();
}

void NTXRoundedBox::setTitleColor(const QColor &color)
{
    m_titleColor = color;
    update();
}

QRectF NTXRoundedBox::outlineRect() const
{
    const qreal half = m_borderWidth / 2;
    const QRectF inset = QRectF(rect()).adjusted(half, half, -half, -half);
    // integral: the smallest whole rectangle holding it
    const qreal left = std::floor(inset.left());
    const qreal bottom = std::floor(inset.top());
    return QRectF(left, bottom, std::ceil(inset.right()) - left, std::ceil(inset.bottom()) - bottom);
}

QRectF NTXRoundedBox::titleRect() const
{
    const QSizeF size = m_title.isEmpty() ? QSizeF(0, 0)
                                          : QSizeF(QFontMetricsF(m_titleFont).horizontalAdvance(m_title),
                                                   QFontMetricsF(m_titleFont).height());
    const qreal w = m_borderWidth;
    return QRectF(w + 4, height() - size.height() - 2 * w,
                  std::min(size.width() + 2 * w, width() - 2 * (w + 4)), size.height());
}

QPainterPath NTXRoundedBox::outlinePath() const
{
    const QRectF r = outlineRect();
    const qreal x0 = r.x() + 0.5;
    const qreal y0 = r.y() + 0.5;
    const qreal W = r.width();
    const qreal H = r.height();
    QPainterPath path;
    path.moveTo(whole(x0 + W / 2, y0));
    appendArcFromPoint(path, whole(x0 + W, y0), whole(x0 + W, y0 + H / 2), CornerRadius);
    appendArcFromPoint(path, whole(x0 + W, y0 + H), whole(x0 + W / 2, y0 + H), CornerRadius);
    appendArcFromPoint(path, whole(x0, y0 + H), whole(x0, y0 + H / 2), CornerRadius);
    appendArcFromPoint(path, whole(x0, y0), whole(x0 + W / 2, y0), CornerRadius);
    path.closeSubpath();
    return path;
}

QPainterPath NTXRoundedBox::titlePathWithinRect(const QRectF &rect, qreal cornerRadius, const QRectF &title) const
{
    const qreal top = whole(rect.y() + rect.height());
    // the bar reaches as far below the title as its top lies above it
    const qreal bottom = whole(2 * title.y() + title.height() - top);
    const qreal left = whole(rect.x());
    QPainterPath path;
    path.moveTo(left, bottom);
    if (rect.width() - title.width() >= TabMinimumMargin && !m_drawsFullTitleBar) {
        const qreal right = whole(left + title.width() + 2 * (title.x() - rect.x()));
        appendArcFromPoint(path, QPointF(right, bottom), QPointF(right, top), cornerRadius);
        path.lineTo(right, top);
    } else {
        const qreal right = rect.x() + rect.width();
        path.lineTo(right, bottom);
        appendArcFromPoint(path, QPointF(right, top), QPointF(right - rect.width() / 2, top), cornerRadius);
    }
    appendArcFromPoint(path, QPointF(left, top), QPointF(left, bottom), cornerRadius);
    path.closeSubpath();
    return path;
}

void NTXRoundedBox::paintEvent(QPaintEvent *)
try {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    platform::YUpPainter yUp(painter, height());
    const QPainterPath outline = outlinePath();
    painter.fillPath(outline, m_backgroundColor);
    const QRectF title = titleRect();
    const QColor bar = m_selected ? platform::SystemColors::selectedControlColor() : m_borderColor;
    painter.fillPath(titlePathWithinRect(outlineRect(), CornerRadius, title), bar);
    if (m_borderWidth > 0)
        painter.strokePath(outline, QPen(bar, m_borderWidth));
    if (!m_title.isEmpty()) {
        painter.setFont(m_titleFont);
        painter.setPen(m_titleColor);
        const QString shown = QFontMetricsF(m_titleFont).elidedText(m_title, Qt::ElideRight, title.width());
        platform::YUpPainter::drawTextUpright(painter, title, Qt::AlignCenter, shown);
    }
} catch (...) {
    platform::ExceptionBoundary::caught(this, "paintEvent");
}
