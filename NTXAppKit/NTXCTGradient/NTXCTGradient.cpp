#include "NTXAppKit/NTXCTGradient/NTXCTGradient.h"

#include "platform/drawing/Gradient.h"
#include "platform/foundation/Exception.h"

#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>
#include <cmath>
#include <numbers>

namespace {

// Samples taken of the blend between two stops of a chromatic gradient.
constexpr int SamplesPerSegment = 32;

CTGradientElement grey(float white, float position)
{
    return {white, white, white, 1, position};
}

CTGradientElement rgba(float red, float green, float blue, float alpha, float position)
{
    return {red, green, blue, alpha, position};
}

CTGradientElement hsvStop(float hue, float saturation, float value, float position)
{
    float c[3] = {hue, saturation, value};
    NTXCTGradientHSVToRGB(c);
    return {c[0], c[1], c[2], 1, position};
}

QColor toColor(const float c[4])
{
    return platform::Gradient::clampedColor(c[0], c[1], c[2], c[3]);
}

} // namespace

NTXCTGradient::NTXCTGradient()
{
    _commonInit();
    setBlendingMode(NTXLinearBlendingMode);
}

CTGradientElement NTXCTGradient::elementFromColor(const QColor &color, float position)
{
    const QColor rgb = color.isValid() ? color.toRgb() : QColor(0, 0, 0, 0);
    return {float(rgb.redF()), float(rgb.greenF()), float(rgb.blueF()), float(rgb.alphaF()), position};
}

NTXCTGradient NTXCTGradient::fromStops(std::initializer_list<CTGradientElement> stops, int mode)
{
    NTXCTGradient gradient;
    for (const CTGradientElement &stop : stops)
        gradient.addElement(stop);
    gradient.setBlendingMode(mode);
    return gradient;
}

// ---- Class operations ----

NTXCTGradient NTXCTGradient::gradientWithBeginningColor(const QColor &begin, const QColor &end)
{
    NTXCTGradient gradient;
    gradient.addElement(elementFromColor(begin, 0));
    gradient.addElement(elementFromColor(end, 1));
    return gradient;
}

NTXCTGradient NTXCTGradient::aquaSelectedGradient()
{
    return fromStops({rgba(0.58f, 0.86f, 0.98f, 1, 0), rgba(0.42f, 0.68f, 0.90f, 1, 0.5f),
                      rgba(0.64f, 0.80f, 0.94f, 1, 0.5f), rgba(0.56f, 0.70f, 0.90f, 1, 1)});
}

NTXCTGradient NTXCTGradient::aquaNormalGradient()
{
    return fromStops({grey(0.95f, 0), grey(0.83f, 0.5f), grey(0.95f, 0.5f), grey(0.92f, 1)});
}

NTXCTGradient NTXCTGradient::aquaPressedGradient()
{
    return fromStops({grey(0.80f, 0), grey(0.64f, 0.5f), grey(0.80f, 0.5f), grey(0.77f, 1)});
}

NTXCTGradient NTXCTGradient::unifiedSelectedGradient()
{
    return fromStops({grey(0.85f, 0), grey(0.95f, 1)});
}

NTXCTGradient NTXCTGradient::unifiedNormalGradient()
{
    return fromStops({grey(0.75f, 0), grey(0.90f, 1)});
}

NTXCTGradient NTXCTGradient::unifiedPressedGradient()
{
    return fromStops({grey(0.60f, 0), grey(0.75f, 1)});
}

NTXCTGradient NTXCTGradient::unifiedDarkGradient()
{
    return fromStops({grey(0.68f, 0), grey(0.83f, 1)});
}

NTXCTGradient NTXCTGradient::sourceListSelectedGradient()
{
    return fromStops({rgba(0.06f, 0.37f, 0.85f, 1, 0), rgba(0.30f, 0.60f, 0.92f, 1, 1)});
}

NTXCTGradient NTXCTGradient::sourceListUnselectedGradient()
{
    return fromStops({grey(0.43f, 0), grey(0.60f, 1)});
}

NTXCTGradient NTXCTGradient::rainbowGradient()
{
    return fromStops({rgba(1, 0, 0, 1, 0), rgba(0.54f, 0, 1, 1, 1)}, NTXChromaticBlendingMode);
}

NTXCTGradient NTXCTGradient::hydrogenSpectrumGradient()
{
    struct Line
    {
        float hue, position, width;
    };
    static constexpr Line lines[] = {{22, 0.145f, 0.01f}, {200, 0.71f, 0.008f}, {253, 0.885f, 0.005f},
                                     {275, 0.965f, 0.003f}};
    NTXCTGradient gradient;
    for (const Line &line : lines) {
        gradient.addElement(hsvStop(line.hue - 180 * line.width, 1, 0.001f, line.position - line.width));
        gradient.addElement(hsvStop(line.hue, 1, 1, line.position));
        gradient.addElement(hsvStop(line.hue + 180 * line.width, 1, 0.001f, line.position + line.width));
    }
    gradient.setBlendingMode(NTXChromaticBlendingMode);
    return gradient;
}

// ---- Copies ----

NTXCTGradient NTXCTGradient::gradientWithAlphaComponent(float alpha) const
{
    NTXCTGradient copy = *this;
    for (CTGradientElement &element : copy.m_elements)
        element.alpha = alpha;
    copy.setBlendingMode(NTXLinearBlendingMode);
    return copy;
}

NTXCTGradient NTXCTGradient::gradientWithBlendingMode(int mode) const
{
    NTXCTGradient copy = *this;
    copy.setBlendingMode(mode);
    return copy;
}

NTXCTGradient NTXCTGradient::addColorStop(const QColor &color, float position) const
{
    NTXCTGradient copy = *this;
    if (!std::isnan(position))
        copy.addElement(elementFromColor(color, position));
    return copy;
}

NTXCTGradient NTXCTGradient::removeColorStopAtPosition(float position) const
{
    NTXCTGradient copy = *this;
    const CTGradientElement removed = copy.removeElementAtPosition(position);
    if (std::isnan(removed.position))
        throw platform::Exception(platform::Exception::RangeException,
                                  QStringLiteral("-[%1 removeColorStopAtPosition:]: no such colorStop at position (%2)")
                                      .arg(QStringLiteral("NTXCTGradient"))
                                      .arg(double(position), 0, 'f', 6));
    return copy;
}

NTXCTGradient NTXCTGradient::removeColorStopAtIndex(unsigned index) const
{
    NTXCTGradient copy = *this;
    const CTGradientElement removed = copy.removeElementAtIndex(index);
    if (std::isnan(removed.position))
        throw platform::Exception(platform::Exception::RangeException,
                                  QStringLiteral("-[%1 removeColorStopAtIndex:]: index (%2) beyond bounds")
                                      .arg(QStringLiteral("NTXCTGradient"))
                                      .arg(index));
    return copy;
}

// ---- Reading ----

QColor NTXCTGradient::colorStopAtIndex(unsigned index) const
{
    const CTGradientElement *element = elementAtIndex(index);
    if (!element)
        throw platform::Exception(platform::Exception::RangeException,
                                  QStringLiteral("-[%1 colorStopAtIndex:]: index (%2) beyond bounds")
                                      .arg(QStringLiteral("NTXCTGradient"))
                                      .arg(index));
    const float c[4] = {element->red, element->green, element->blue, element->alpha};
    return toColor(c);
}

QColor NTXCTGradient::colorAtPosition(float position) const
{
    float c[4];
    NTXCTGradientEvaluate(m_blendingMode, m_elements, position, c);
    return toColor(c);
}

// ---- List primitives ----

void NTXCTGradient::addElement(const CTGradientElement &element)
{
    if (m_elements.empty() || m_elements.front().position > element.position) {
        m_elements.insert(m_elements.begin(), element);
        return;
    }
    for (std::size_t i = 1; i < m_elements.size(); ++i) {
        if (m_elements[i].position > element.position && element.position >= m_elements[i - 1].position) {
            m_elements.insert(m_elements.begin() + std::ptrdiff_t(i), element);
            return;
        }
    }
    m_elements.push_back(element);
}

CTGradientElement NTXCTGradient::removeElementAtIndex(unsigned index)
{
    if (index >= m_elements.size())
        return {0, 0, 0, 0, NAN};
    const CTGradientElement removed = m_elements[index];
    m_elements.erase(m_elements.begin() + std::ptrdiff_t(index));
    return removed;
}

CTGradientElement NTXCTGradient::removeElementAtPosition(float position)
{
    for (std::size_t i = 0; i < m_elements.size(); ++i)
        if (m_elements[i].position == position)
            return removeElementAtIndex(unsigned(i));
    return {0, 0, 0, 0, NAN};
}

const CTGradientElement *NTXCTGradient::elementAtIndex(unsigned index) const
{
    return index < m_elements.size() ? &m_elements[index] : nullptr;
}

// ---- Drawing ----

QGradientStops NTXCTGradient::drawnStops() const
{
    QList<platform::Gradient::Stop> stops;
    if (m_elements.empty()) {
        stops.append({0.0, QColor(Qt::white)});
    } else if (m_blendingMode != NTXChromaticBlendingMode && m_blendingMode != NTXInverseChromaticBlendingMode) {
        for (const CTGradientElement &e : m_elements) {
            const float c[4] = {e.red, e.green, e.blue, e.alpha};
            stops.append({e.position, toColor(c)});
        }
    } else {
        float c[4];
        if (m_elements.size() == 1) {
            NTXCTGradientEvaluate(m_blendingMode, m_elements, 0, c);
            stops.append({m_elements.front().position, toColor(c)});
        }
        for (std::size_t i = 1; i < m_elements.size(); ++i) {
            const CTGradientElement &lower = m_elements[i - 1];
            const CTGradientElement &upper = m_elements[i];
            if (!(upper.position > lower.position))
                continue; // a hard step: the samples of both sides meet at the position
            for (int s = 0; s <= SamplesPerSegment; ++s) {
                const float f = float(s) / SamplesPerSegment;
                NTXCTGradientBlend(m_blendingMode, lower, upper, f, c);
                stops.append({lower.position + f * (upper.position - lower.position), toColor(c)});
            }
        }
    }
    return platform::Gradient(stops).qtStops();
}

std::pair<QPointF, QPointF> NTXCTGradient::axisForRect(const QRectF &rect, float angle)
{
    const qreal x = rect.x(), y = rect.y(), w = rect.width(), h = rect.height();
    if (angle == 0)
        return {QPointF(x, y), QPointF(x + w, y)};
    if (angle == 90)
        return {QPointF(x, y), QPointF(x, y + h)};
    const qreal r = qreal(angle) * std::numbers::pi / 180;
    qreal length;
    if (std::fabs(std::tan(r)) <= 1) {
        length = w / std::fabs(std::cos(r)) + std::fabs(std::sin(r)) * (h - std::fabs(std::tan(r)) * w);
    } else {
        const qreal r2 = r - std::numbers::pi / 2;
        length = h / std::fabs(std::cos(r2)) + (w - std::fabs(std::tan(r2)) * h) * std::fabs(std::sin(r2));
    }
    const QPointF centre(x + w / 2, y + h / 2);
    const QPointF half(length * std::cos(r) / 2, length * std::sin(r) / 2);
    return {centre - half, centre + half};
}

void NTXCTGradient::drawSwatchInRect(QPainter &painter, const QRectF &rect) const
{
    fillRect(painter, rect, 45);
}

void NTXCTGradient::fillRect(QPainter &painter, const QRectF &rect, float angle) const
{
    if (rect.isEmpty() || !std::isfinite(angle))
        return;
    const auto [start, end] = axisForRect(rect, angle);
    QLinearGradient shading(start, end);
    shading.setStops(drawnStops());
    shading.setSpread(QGradient::PadSpread);
    painter.save();
    painter.setClipRect(rect, Qt::IntersectClip);
    painter.fillRect(rect, QBrush(shading));
    painter.restore();
}

void NTXCTGradient::radialFillRect(QPainter &painter, const QRectF &rect) const
{
    if (rect.isEmpty())
        return;
    const QPointF centre = rect.center();
    QRadialGradient shading(centre, std::max(rect.width(), rect.height()) / 2, centre, 1);
    shading.setStops(drawnStops());
    shading.setSpread(QGradient::PadSpread);
    painter.save();
    painter.setClipRect(rect, Qt::IntersectClip);
    painter.fillRect(rect, QBrush(shading));
    painter.restore();
}

void NTXCTGradient::drawInRect(QPainter &painter, const QRectF &rect, float angle) const
{
    painter.save();
    painter.setClipRect(rect, Qt::IntersectClip);
    fillRect(painter, rect, angle);
    painter.restore();
}
