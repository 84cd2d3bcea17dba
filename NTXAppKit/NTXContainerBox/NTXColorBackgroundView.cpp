#include "NTXAppKit/NTXContainerBox/NTXColorBackgroundView.h"

#include "platform/archive/Coder.h"
#include "platform/drawing/SystemColors.h"
#include "platform/drawing/YUpPainter.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QPainter>
#include <cmath>

namespace {

const QString ColorKey = QStringLiteral("_bgColor");
const QString BlendedKey = QStringLiteral("_blended");

} // namespace

NTXColorBackgroundView::NTXColorBackgroundView(QWidget *parent)
    : QWidget(parent)
    , m_bgColor(QColor::fromRgbF(0.8f, 0.8f, 0.8f, 1.0f))
{
}

NTXColorBackgroundView *NTXColorBackgroundView::fromCoder(platform::Coder &coder, QWidget *parent)
{
    if (!coder.allowsKeyedCoding())
        return nullptr;
    const QColor color = coder.decodeObject<QColor>(ColorKey);
    // a keyed archive keeps no class versions, so the flag is always there to read
    const bool blended = coder.decodeBool(BlendedKey);
    if (coder.failed())
        return nullptr;
    auto *view = new NTXColorBackgroundView(parent);
    view->setBackgroundColor(color);
    view->setBlended(blended);
    return view;
}

void NTXColorBackgroundView::encodeWithCoder(platform::Coder &coder) const
{
    if (!coder.allowsKeyedCoding())
        return;
    if (m_bgColor.isValid())
        coder.encodeObject(QVariant(m_bgColor), ColorKey);
    coder.encodeBool(m_blended, BlendedKey);
}

void NTXColorBackgroundView::setBackgroundColor(const QColor &color)
{
    m_bgColor = color;
    update();
}

void NTXColorBackgroundView::setBlended(bool blended)
{
    m_blended = blended;
    update();
}

void NTXColorBackgroundView::paintEvent(QPaintEvent *)
try {
    QPainter painter(this);
    platform::YUpPainter yUp(painter, height());
    drawRect(painter);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "paintEvent");
}

void NTXColorBackgroundView::drawRect(QPainter &painter) const
{
    if (!m_bgColor.isValid())
        return;
    const QRectF b(0, 0, width(), height());
    if (!m_blended) {
        painter.fillRect(b, m_bgColor);
        return;
    }
    const QColor white = platform::SystemColors::whiteColor();
    _drawRect(painter, b, platform::SystemColors::blended(m_bgColor, 0.01, white),
              platform::SystemColors::blended(m_bgColor, 0.6, white));
}

void NTXColorBackgroundView::_drawRect(QPainter &painter, const QRectF &rect, const QColor &from,
                                       const QColor &to) const
{
    const QColor a = from.toRgb(), z = to.toRgb();
    double c[4] = {a.redF(), a.greenF(), a.blueF(), a.alphaF()};
    const double end[4] = {z.redF(), z.greenF(), z.blueF(), z.alphaF()};
    const qreal height = rect.height();
    if (!(height >= 1) || !std::isfinite(height))
        return;
    const int n = static_cast<int>(height);
    double step[4];
    for (int i = 0; i < 4; ++i)
        step[i] = (end[i] - c[i]) / n;
    QRectF remaining = rect;
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    for (int band = 0; band < n; ++band) {
        const QRectF strip(remaining.x(), remaining.y(), remaining.width(), 1);
        remaining.adjust(0, 1, 0, 0);
        painter.fillRect(strip, platform::SystemColors::deviceRGB(c[0], c[1], c[2], c[3]));
        for (int i = 0; i < 4; ++i)
            c[i] += step[i];
    }
    painter.restore();
}
