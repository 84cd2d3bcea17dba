// The gradient's three evaluators against values worked out by hand, its copies and
// their failures, and two fills read back pixel by pixel.
#include "NTXAppKit/NTXCTGradient/NTXCTGradient.h"
#include "platform/foundation/Exception.h"

#include <QImage>
#include <QPainter>
#include <array>
#include <cmath>
#include <gtest/gtest.h>

namespace {

QColor rgb(float r, float g, float b)
{
    return QColor::fromRgbF(r, g, b);
}

void expectColor(const QColor &actual, const std::array<float, 4> &expected, const char *what)
{
    const float got[4] = {actual.redF(), actual.greenF(), actual.blueF(), actual.alphaF()};
    for (int i = 0; i < 4; ++i)
        EXPECT_NEAR(got[i], expected[i], 2e-3) << what << ", component " << i;
}

TEST(NTXCTGradient, EvaluatesAsWorkedOutByHand)
{
    const NTXCTGradient aqua = NTXCTGradient::aquaNormalGradient();
    const NTXCTGradient redBlue = NTXCTGradient::gradientWithBeginningColor(rgb(1, 0, 0), rgb(0, 0, 1));
    const NTXCTGradient magentaYellow =
        NTXCTGradient::gradientWithBeginningColor(rgb(1, 0, 1), rgb(1, 1, 0)).gradientWithBlendingMode(1);
    struct Case
    {
        const char *what;
        NTXCTGradient gradient;
        float position;
        std::array<float, 4> rgba;
    };
    const Case cases[] = {
        {"aqua, first half", aqua, 0.25f, {0.89f, 0.89f, 0.89f, 1}},
        {"aqua, the step takes its first stop", aqua, 0.5f, {0.83f, 0.83f, 0.83f, 1}},
        {"aqua, second half", aqua, 0.75f, {0.935f, 0.935f, 0.935f, 1}},
        {"chromatic red to blue passes green", redBlue.gradientWithBlendingMode(1), 0.5f, {0, 1, 0, 1}},
        {"reverse red to blue passes magenta", redBlue.gradientWithBlendingMode(2), 0.5f, {1, 0, 1, 1}},
        {"reverse red to blue keeps red at 0", redBlue.gradientWithBlendingMode(2), 0, {1, 0, 0, 1}},
        {"grey takes the red hue", NTXCTGradient::gradientWithBeginningColor(rgb(0.5f, 0.5f, 0.5f), rgb(1, 0, 0))
                                       .gradientWithBlendingMode(1),
         0.5f, {0.75f, 0.375f, 0.375f, 1}},
        {"magenta to yellow wraps through red", magentaYellow, 0.5f, {1, 0, 0, 1}},
        {"magenta to yellow ends yellow", magentaYellow, 1, {1, 1, 0, 1}},
        {"empty is opaque white", NTXCTGradient(), 0.3f, {1, 1, 1, 1}},
        {"below the first stop", redBlue, -1, {1, 0, 0, 1}},
        {"an unknown mode blends linearly", redBlue.gradientWithBlendingMode(7), 0.5f, {0.5f, 0, 0.5f, 1}},
        {"alpha copies blend linearly", NTXCTGradient::rainbowGradient().gradientWithAlphaComponent(0.5f), 0.5f,
         {0.77f, 0, 0.5f, 0.5f}},
    };
    for (const Case &c : cases)
        expectColor(c.gradient.colorAtPosition(c.position), c.rgba, c.what);
}

TEST(NTXCTGradient, CopiesRemoveAndRefuseWithoutChangingTheReceiver)
{
    const NTXCTGradient aqua = NTXCTGradient::aquaNormalGradient();
    const NTXCTGradient removed = aqua.removeColorStopAtPosition(0.5f);
    ASSERT_EQ(removed.numberOfColorStops(), 3);
    expectColor(removed.colorStopAtIndex(1), {0.95f, 0.95f, 0.95f, 1}, "the second stop at 0.5 stays");
    EXPECT_EQ(aqua.numberOfColorStops(), 4);

    try {
        (void)aqua.removeColorStopAtPosition(0.3f);
        ADD_FAILURE() << "no exception";
    } catch (const platform::Exception &e) {
        EXPECT_EQ(e.name(), QStringLiteral("NSRangeException"));
        EXPECT_EQ(e.reason(),
                  QStringLiteral("-[NTXCTGradient removeColorStopAtPosition:]: no such colorStop at position (0.300000)"));
    }
    try {
        (void)aqua.removeColorStopAtIndex(9);
        ADD_FAILURE() << "no exception";
    } catch (const platform::Exception &e) {
        EXPECT_EQ(e.reason(), QStringLiteral("-[NTXCTGradient removeColorStopAtIndex:]: index (9) beyond bounds"));
    }
    EXPECT_THROW((void)aqua.colorStopAtIndex(4), platform::Exception);
    EXPECT_EQ(aqua.numberOfColorStops(), 4);

    // a stop at NaN would make every colour NaN: it is refused
    const NTXCTGradient withNaN = aqua.addColorStop(Qt::red, NAN);
    EXPECT_EQ(withNaN.numberOfColorStops(), 4);
    expectColor(withNaN.colorAtPosition(0.25f), {0.89f, 0.89f, 0.89f, 1}, "after a refused NaN stop");
    // a stop at an existing position goes after the ones there
    const NTXCTGradient added = aqua.addColorStop(Qt::black, 0.5f);
    expectColor(added.colorStopAtIndex(3), {0, 0, 0, 1}, "added after the step");
}

TEST(NTXCTGradient, FillsKeepTheHardStepAndReachTheCorners)
{
    QImage step(10, 100, QImage::Format_RGB32);
    {
        QPainter painter(&step);
        NTXCTGradient::aquaNormalGradient().fillRect(painter, QRectF(0, 0, 10, 100), 90);
    }
    EXPECT_NEAR(qRed(step.pixel(5, 49)), 212, 2);
    EXPECT_NEAR(qRed(step.pixel(5, 50)), 242, 2);

    QImage diagonal(100, 50, QImage::Format_RGB32);
    diagonal.fill(Qt::green);
    {
        QPainter painter(&diagonal);
        NTXCTGradient::gradientWithBeginningColor(Qt::red, Qt::blue).fillRect(painter, QRectF(0, 0, 100, 50), 45);
    }
    // the axis runs corner to corner: the corner pixels' centres lie within 1 % of the ends
    EXPECT_GE(qRed(diagonal.pixel(0, 0)), 252);
    EXPECT_LE(qBlue(diagonal.pixel(0, 0)), 3);
    EXPECT_GE(qBlue(diagonal.pixel(99, 49)), 252);
    EXPECT_LE(qRed(diagonal.pixel(99, 49)), 3);
    EXPECT_EQ(qGreen(diagonal.pixel(50, 25)), 0); // covered everywhere
}

} // namespace
