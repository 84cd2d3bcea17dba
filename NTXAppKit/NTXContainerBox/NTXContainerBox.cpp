#include "NTXAppKit/NTXContainerBox/NTXContainerBox.h"

#include "platform/archive/Coder.h"
#include "platform/drawing/Gradient.h"
#include "platform/drawing/SystemColors.h"
#include "platform/drawing/YUpPainter.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QPainter>

namespace {

const QString BackgroundColorKey = QStringLiteral("backgroundColor");
const QString BorderColorKey = QStringLiteral("borderColor");
const QString SecondBackgroundColorKey = QStringLiteral("secondBackgroundColor");
const QString HasGradientKey = QStringLiteral("hasGradient");
const QString HasLeftLineKey = QStringLiteral("hasLeftLine");
const QString HasRightLineKey = QStringLiteral("hasRightLine");
const QString HasTopLineKey = QStringLiteral("hasTopLine");
const QString HasBottomLineKey = QStringLiteral("hasBottomLine");

} // namespace

NTXContainerBox::NTXContainerBox(QWidget *parent)
    : QWidget(parent)
    , m_backgroundColor(platform::SystemColors::controlHighlightColor())
    , m_borderColor(platform::SystemColors::controlShadowColor())
    , m_secondBackgroundColor(platform::SystemColors::secondarySelectedControlColor())
{
}

NTXContainerBox *NTXContainerBox::fromCoder(platform::Coder &coder, QWidget *parent)
{
    auto *box = new NTXContainerBox(parent);
    if (!box->initWithCoder(coder)) {
        delete box;
        return nullptr;
    }
    return box;
}

bool NTXContainerBox::initWithCoder(platform::Coder &coder)
{
    if (!coder.allowsKeyedCoding())
        return false;
    auto color = [&](const QString &key, const QColor &fallback) {
        return coder.containsValueForKey(key) ? coder.decodeObject<QColor>(key) : fallback;
    };
    auto flag = [&](const QString &key, bool fallback) {
        return coder.containsValueForKey(key) ? coder.decodeBool(key) : fallback;
    };
    const QColor background = color(BackgroundColorKey, m_backgroundColor);
    const QColor border = color(BorderColorKey, m_borderColor);
    const QColor second = color(SecondBackgroundColorKey, m_secondBackgroundColor);
    const bool gradient = flag(HasGradientKey, m_hasGradient);
    const bool left = flag(HasLeftLineKey, m_hasLeftLine);
    const bool right = flag(HasRightLineKey, m_hasRightLine);
    const bool top = flag(HasTopLineKey, m_hasTopLine);
    const bool bottom = flag(HasBottomLineKey, m_hasBottomLine);
    if (coder.failed())
        return false;
    m_backgroundColor = background;
    m_borderColor = border;
    m_secondBackgroundColor = second;
    m_hasGradient = gradient;
    m_hasLeftLine = left;
    m_hasRightLine = right;
    m_hasTopLine = top;
    m_hasBottomLine = bottom;
    m_topLineWidth = m_bottomLineWidth = m_leftLineWidth = m_rightLineWidth = 0;
    return true;
}

void NTXContainerBox::encodeWithCoder(platform::Coder &coder) const
{
    if (!coder.allowsKeyedCoding())
        return;
    coder.encodeObject(QVariant(m_backgroundColor), BackgroundColorKey);
    coder.encodeObject(QVariant(m_borderColor), BorderColorKey);
    coder.encodeObject(QVariant(m_secondBackgroundColor), SecondBackgroundColorKey);
    coder.encodeBool(m_hasGradient, HasGradientKey);
    coder.encodeBool(m_hasLeftLine, HasLeftLineKey);
    coder.encodeBool(m_hasRightLine, HasRightLineKey);
    coder.encodeBool(m_hasTopLine, HasTopLineKey);
    coder.encodeBool(m_hasBottomLine, HasBottomLineKey);
}

QPainterPath NTXContainerBox::bezierPathWithLineFrom(const QPointF &from, const QPointF &to)
{
    QPainterPath path(from);
    path.lineTo(to);
    return path;
}

void NTXContainerBox::paintEvent(QPaintEvent *)
try {
    QPainter painter(this);
    platform::YUpPainter yUp(painter, height());
    drawRect(painter);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "paintEvent");
}

void NTXContainerBox::drawRect(QPainter &painter)
{
    const QRectF b(0, 0, width(), height());
    painter.save();
    if (m_hasGradient)
        platform::Gradient(m_secondBackgroundColor, m_backgroundColor)
            .drawInRect(painter, QRectF(b.x() + 1, b.y(), b.width() - 1, b.height()), 90);
    else
        painter.fillRect(b, m_backgroundColor);

    if (m_hasTopLine && m_hasBottomLine && m_hasLeftLine && m_hasRightLine) {
        // a one-point frame just inside the bounds
        painter.fillRect(QRectF(b.x(), b.y(), b.width(), 1), m_borderColor);
        painter.fillRect(QRectF(b.x(), b.bottom() - 1, b.width(), 1), m_borderColor);
        painter.fillRect(QRectF(b.x(), b.y() + 1, 1, b.height() - 2), m_borderColor);
        painter.fillRect(QRectF(b.right() - 1, b.y() + 1, 1, b.height() - 2), m_borderColor);
        painter.restore();
        return;
    }
    painter.setRenderHint(QPainter::Antialiasing);
    auto stroke = [&](const QPointF &from, const QPointF &to, float lineWidth) {
        QPen pen(m_borderColor, qreal(lineWidth));
        pen.setCapStyle(Qt::FlatCap);
        painter.strokePath(bezierPathWithLineFrom(from, to), pen);
    };
    const qreal minX = b.left(), maxX = b.right(), minY = b.top(), maxY = b.bottom();
    if (m_hasTopLine)
        stroke({minX, maxY}, {maxX, maxY}, m_topLineWidth);
    if (m_hasBottomLine)
        stroke({minX, minY}, {maxX, minY}, m_bottomLineWidth);
    if (m_hasLeftLine)
        stroke({minX, minY}, {minX, maxY}, m_leftLineWidth);
    if (m_hasRightLine)
        stroke({maxX, minY}, {maxX, maxY}, m_rightLineWidth);
    painter.restore();
}
