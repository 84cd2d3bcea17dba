// The theme registry and the answers of the six themes, mask by mask.
#include "AppKitExtensions/NTXNSGradientExtensions.h"
#include "NTXAppKit/NTXThemeManager/NTXAbstractTheme.h"
#include "NTXAppKit/NTXThemeManager/NTXThemeManager.h"
#include "platform/drawing/SystemColors.h"

#include <gtest/gtest.h>

namespace {

using Style = NTXTheme::BackgroundStyle;
namespace SC = platform::SystemColors;

TEST(ThemeManager, FindsThemesByKeyAndFallsBackToTheDefaultKey)
{
    NTXThemeManager &manager = NTXThemeManager::sharedThemeManager();
    ASSERT_TRUE(NTXThemeManager::keyOfDefaultTheme().isNull());
    EXPECT_EQ(manager.themeForKey(QString()), nullptr);
    EXPECT_EQ(manager.themeForKey(QStringLiteral("NoSuchTheme")), nullptr);
    const auto hud = manager.themeForKey(NTXThemeKeys::HUD);
    const auto white = manager.themeForKey(QStringLiteral("NTXWhiteTheme"));
    ASSERT_TRUE(hud && white);

    NTXThemeManager::setKeyOfDefaultThemeKey(QStringLiteral("NTXHUDTheme"));
    EXPECT_EQ(manager.themeForKey(QStringLiteral("NoSuchTheme")), hud);
    EXPECT_EQ(manager.themeForKey(QString()), hud);
    EXPECT_EQ(manager.themeForKey(NTXThemeKeys::White), white);
    NTXThemeManager::setKeyOfDefaultThemeKey(QString());
    EXPECT_EQ(manager.themeForKey(QStringLiteral("NoSuchTheme")), nullptr);

    // registering again replaces each built-in theme with a fresh one
    manager.registerDefaultThemes();
    EXPECT_NE(manager.themeForKey(NTXThemeKeys::HUD), hud);
}

TEST(AbstractTheme, AnswersTheBaseValues)
{
    const NTXAbstractTheme theme;
    EXPECT_EQ(theme.alphaValueForBackgroundStyle(Style::Dark, 0), 1.0);
    EXPECT_EQ(theme.alphaValueForBackgroundStyle(Style::Light, 0), 0.6);
    EXPECT_EQ(theme.alphaValueForBackgroundStyle(Style::Dark, 1), 0.2);
    EXPECT_EQ(theme.alphaValueForBackgroundStyle(Style::Light, 1), 0.2);
    EXPECT_FALSE(theme.dropShadowForBackgroundStyle(Style::Raised));
    EXPECT_EQ(theme.dropShadowForBackgroundStyle(Style::Dark)->shadowColor(), SC::whiteColor());
    EXPECT_EQ(theme.dropShadow().shadowOffset(), QSizeF(0, -1));
    EXPECT_EQ(theme.fillColorForStateMask(4), SC::controlHighlightColor());
    EXPECT_EQ(theme.fillColorForStateMask(0), SC::controlBackgroundColor());
    EXPECT_EQ(theme.focusRing().shadowBlurRadius(), 3.0);
}

// ---- The table: one letter per mask 0 ... 15 ----
// fill:     D dark (0.141) at α, L light (0.941) at α, S control shadow at 0.7,
//           G light grey, W white, N none
// gradient: d / l dark / light two-stop at α, D / L dark / light four-stop at α,
//           g glass bar, y grey bar, Y light grey bar, n none
// stroke:   1 (0.749, 0.761, 0.788) opaque, a the same at α, 7 the same at 0.7,
//           s the control shadow colour
// text:     w white, W white at α, g dark grey, c control text, x disabled control text
// alpha:    α of the mask (2 = 0.2, 6 = 0.6, 7 = 0.7); on a dark background 1 or 2
struct ThemeRow
{
    const char *key;
    const char *fill;
    const char *gradient;
    const char *complex;
    const char *stroke;
    const char *text;
    const char *alpha;
    const char *alphaOnDark;
    bool borderSide;
    Style background;
};

const ThemeRow Rows[] = {
    {"NTXFlatDarkTheme", "DDDDLDDDLDDDLDDD", "ddddldddldddlddd", "DDDDLDLDLDLDLDLD", "1aaa1aaa1aaa1aaa",
     "wWgWgWgWwWgWgWgW", "6262626262626262", "1212121212121212", true, Style::Dark},
    {"NTXHUDTheme", "DDDDLDDDLDDDLDDD", "DdddLdddLdddLddd", "DDDDLDLDLDLDLDLD", "7aaa1aaa1aaa1aaa",
     "wWgWgWgWwWgWgWgW", "7262626262626262", "1212121212121212", true, Style::Dark},
    {"NTXGlassTheme", "NNNNSSSSNNNNSSSS", "gggggggggggggggg", "nnnnnnnnnnnnnnnn", "ssssssssssssssss",
     "cxcxcxcxcxcxcxcx", "6262626262626262", "1212121212121212", true, Style::Light},
    {"NTXGrayTheme", "NNNNSSSSNNNNSSSS", "yyYYyyYYyyYYyyYY", "nnnnnnnnnnnnnnnn", "ssssssssssssssss",
     "cxcxcxcxcxcxcxcx", "6262626262626262", "1212121212121212", true, Style::Light},
    {"NTXLightGrayTheme", "GGGGGGGGGGGGGGGG", "YYYYYYYYYYYYYYYY", "nnnnnnnnnnnnnnnn", "ssssssssssssssss",
     "cxcxcxcxcxcxcxcx", "6262626262626262", "1212121212121212", false, Style::Light},
    {"NTXWhiteTheme", "WWWWWWWWWWWWWWWW", "nnnnnnnnnnnnnnnn", "nnnnnnnnnnnnnnnn", "ssssssssssssssss",
     "cxcxcxcxcxcxcxcx", "6262626262626262", "1212121212121212", false, Style::Light},
};

qreal alphaOf(char code)
{
    return code == '7' ? 0.7 : (code == '6' ? 0.6 : (code == '2' ? 0.2 : 1.0));
}

void expectColor(const std::optional<QColor> &actual, const std::optional<QColor> &expected, const QString &what)
{
    ASSERT_EQ(actual.has_value(), expected.has_value()) << qPrintable(what);
    if (!expected)
        return;
    const QColor a = actual->toRgb();
    const QColor e = expected->toRgb();
    EXPECT_NEAR(a.redF(), e.redF(), 0.002) << qPrintable(what);
    EXPECT_NEAR(a.greenF(), e.greenF(), 0.002) << qPrintable(what);
    EXPECT_NEAR(a.blueF(), e.blueF(), 0.002) << qPrintable(what);
    EXPECT_NEAR(a.alphaF(), e.alphaF(), 0.002) << qPrintable(what);
}

std::optional<platform::Gradient> framework(int type)
{
    return *NTXNSGradientExtensions::gradientByType(type);
}

std::optional<platform::Gradient> expectedGradient(char code, qreal alpha)
{
    auto rgb = [alpha](qreal r, qreal g, qreal b) { return SC::deviceRGB(r, g, b, alpha); };
    switch (code) {
    case 'd': return platform::Gradient(rgb(0.251, 0.251, 0.255), rgb(0.118, 0.118, 0.118));
    case 'l': return platform::Gradient(rgb(0.451, 0.451, 0.455), rgb(0.318, 0.318, 0.318));
    case 'D':
        return platform::Gradient({{0.0, rgb(0.324, 0.331, 0.347)}, {0.5, rgb(0.245, 0.253, 0.269)},
                                   {0.5, rgb(0.206, 0.214, 0.233)}, {1.0, rgb(0.139, 0.147, 0.167)}});
    case 'L':
        return platform::Gradient({{0.0, rgb(0.524, 0.531, 0.547)}, {0.5, rgb(0.445, 0.453, 0.469)},
                                   {0.5, rgb(0.406, 0.414, 0.433)}, {1.0, rgb(0.339, 0.347, 0.367)}});
    case 'g': return framework(2);
    case 'y': return framework(0);
    case 'Y': return framework(100);
    default: return std::nullopt;
    }
}

void expectGradient(const std::optional<platform::Gradient> &actual, const std::optional<platform::Gradient> &expected,
                    const QString &what)
{
    ASSERT_EQ(actual.has_value(), expected.has_value()) << qPrintable(what);
    if (!expected)
        return;
    ASSERT_EQ(actual->numberOfColorStops(), expected->numberOfColorStops()) << qPrintable(what);
    for (int i = 0; i < expected->numberOfColorStops(); ++i) {
        EXPECT_DOUBLE_EQ(actual->stops()[i].first, expected->stops()[i].first) << qPrintable(what);
        expectColor(actual->stops()[i].second, expected->stops()[i].second, what + QStringLiteral(" stop %1").arg(i));
    }
}

TEST(Themes, AnswerTheirTablesForEveryMask)
{
    for (const ThemeRow &row : Rows) {
        const auto theme = NTXThemeManager::sharedThemeManager().themeForKey(QString::fromLatin1(row.key));
        ASSERT_TRUE(theme) << row.key;
        EXPECT_EQ(theme->backgroundStyle(), row.background) << row.key;
        EXPECT_FALSE(theme->applyShadows()) << row.key;
        for (unsigned mask = 0; mask < 16; ++mask) {
            const QString what = QStringLiteral("%1 mask %2").arg(QString::fromLatin1(row.key)).arg(mask);
            const qreal alpha = alphaOf(row.alpha[mask]);
            EXPECT_DOUBLE_EQ(theme->alphaValueForStateMask(mask), alpha) << qPrintable(what);
            EXPECT_DOUBLE_EQ(theme->alphaValueForBackgroundStyle(Style::Dark, mask), alphaOf(row.alphaOnDark[mask]))
                << qPrintable(what);
            EXPECT_DOUBLE_EQ(theme->alphaValueForBackgroundStyle(Style::Light, mask), alpha) << qPrintable(what);
            EXPECT_DOUBLE_EQ(theme->gradientAngleForStateMask(mask), 90.0) << qPrintable(what);

            std::optional<QColor> fill;
            switch (row.fill[mask]) {
            case 'D': fill = SC::deviceRGB(0.141, 0.141, 0.141, alpha); break;
            case 'L': fill = SC::deviceRGB(0.941, 0.941, 0.941, alpha); break;
            case 'S': fill = SC::withAlpha(SC::controlShadowColor(), 0.7); break;
            case 'G': fill = SC::lightGrayColor(); break;
            case 'W': fill = SC::whiteColor(); break;
            default: break;
            }
            expectColor(theme->fillColorForStateMask(mask), fill, what + QStringLiteral(" fill"));
            expectGradient(theme->gradientForStateMask(mask), expectedGradient(row.gradient[mask], alpha),
                           what + QStringLiteral(" gradient"));
            expectGradient(theme->complexGradientForStateMask(mask), expectedGradient(row.complex[mask], alpha),
                           what + QStringLiteral(" complex gradient"));
            expectGradient(theme->borderSideGradientForStateMask(mask),
                           row.borderSide ? std::optional<platform::Gradient>(platform::Gradient(
                                                {{0.0, SC::calibratedWhite(0.99)},
                                                 {0.5, SC::calibratedWhite(0.46)},
                                                 {1.0, SC::calibratedWhite(0.88)}}))
                                          : std::nullopt,
                           what + QStringLiteral(" border side"));

            const char stroke = row.stroke[mask];
            const QColor expectedStroke = stroke == 's'
                ? SC::controlShadowColor()
                : SC::deviceRGB(0.749, 0.761, 0.788, stroke == 'a' ? alpha : alphaOf(stroke));
            expectColor(theme->strokeColorForStateMask(mask), expectedStroke, what + QStringLiteral(" stroke"));

            QColor text;
            switch (row.text[mask]) {
            case 'w': text = SC::whiteColor(); break;
            case 'W': text = SC::deviceRGB(1, 1, 1, alpha); break;
            case 'g': text = SC::darkGrayColor(); break;
            case 'c': text = SC::controlTextColor(); break;
            default: text = SC::disabledControlTextColor(); break;
            }
            expectColor(theme->textColorForBackgroundStyle(row.background, mask), text, what + QStringLiteral(" text"));
        }
    }
}

} // namespace
