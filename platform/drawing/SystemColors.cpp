#include "platform/drawing/SystemColors.h"

#include <QApplication>
#include <QPalette>
#include <algorithm>

namespace platform::SystemColors {

namespace {

QColor fromPalette(QPalette::ColorRole role, QPalette::ColorGroup group = QPalette::Active)
{
    return QApplication::palette().color(group, role);
}

qreal unit(qreal value)
{
    return std::clamp(value, 0.0, 1.0);
}

} // namespace

QColor controlShadowColor() { return fromPalette(QPalette::Dark); }
QColor controlDarkShadowColor() { return fromPalette(QPalette::Shadow); }
QColor gridColor() { return fromPalette(QPalette::Mid); }
QColor controlHighlightColor() { return fromPalette(QPalette::Light); }
QColor controlBackgroundColor() { return fromPalette(QPalette::Base); }
QColor secondarySelectedControlColor() { return fromPalette(QPalette::Midlight); }
QColor controlTextColor() { return fromPalette(QPalette::ButtonText); }
QColor disabledControlTextColor() { return fromPalette(QPalette::ButtonText, QPalette::Disabled); }
QColor selectedTextColor() { return fromPalette(QPalette::HighlightedText); }
QColor selectedTextBackgroundColor() { return fromPalette(QPalette::Highlight); }
QColor keyboardFocusIndicatorColor() { return fromPalette(QPalette::Highlight); }
QColor selectedControlColor() { return fromPalette(QPalette::Highlight); }
QColor selectedControlTextColor() { return fromPalette(QPalette::HighlightedText); }

QColor blackColor() { return calibratedWhite(0.0); }
QColor darkGrayColor() { return calibratedWhite(1.0 / 3.0); }
QColor grayColor() { return calibratedWhite(0.5); }
QColor lightGrayColor() { return calibratedWhite(2.0 / 3.0); }
QColor whiteColor() { return calibratedWhite(1.0); }
QColor clearColor() { return calibratedWhite(0.0, 0.0); }

QColor deviceRGB(qreal red, qreal green, qreal blue, qreal alpha)
{
    return QColor::fromRgbF(float(unit(red)), float(unit(green)), float(unit(blue)), float(unit(alpha)));
}

QColor calibratedWhite(qreal white, qreal alpha)
{
    return deviceRGB(white, white, white, alpha);
}

QColor withAlpha(const QColor &color, qreal alpha)
{
    QColor result = color.toRgb();
    result.setAlphaF(float(unit(alpha)));
    return result;
}

QColor blended(const QColor &color, qreal fraction, const QColor &other)
{
    const qreal f = unit(fraction);
    const QColor a = color.toRgb();
    const QColor b = other.toRgb();
    auto mix = [f](float x, float y) { return qreal(x) + (qreal(y) - qreal(x)) * f; };
    return deviceRGB(mix(a.redF(), b.redF()), mix(a.greenF(), b.greenF()), mix(a.blueF(), b.blueF()),
                     mix(a.alphaF(), b.alphaF()));
}

} // namespace platform::SystemColors
