// The shared part of widgets in keyed archives: one object per widget and subclass,
// and frames read from untrusted bytes.
#include "platform/drawing/ArchivedWidget.h"

#include <gtest/gtest.h>
#include <limits>

using namespace platform;

namespace {

template <int N> class Archived : public ArchivedWidget
{
public:
    static std::shared_ptr<Archived> forWidget(QWidget *widget) { return forWidgetAs<Archived>(widget); }
    QString classNameForCoder() const override { return QStringLiteral("Archived"); }

protected:
    void encodeWidgetKeys(Coder &, QWidget &) const override {}
    std::unique_ptr<QWidget> decodeWidget(const QString &, bool, Coder &) override { return nullptr; }
    QRect frameFromArchive(const QRectF &frame) const override { return frame.toRect(); }
};

} // namespace

TEST(ArchivedWidget, OneObjectPerWidgetAndSubclassWhileHeldAndNoneForADestroyedWidget)
{
    EXPECT_EQ(Archived<1>::forWidget(nullptr), nullptr);
    auto widget = std::make_unique<QWidget>();
    const auto first = Archived<1>::forWidget(widget.get());
    EXPECT_EQ(Archived<1>::forWidget(widget.get()), first);
    EXPECT_NE(static_cast<void *>(Archived<2>::forWidget(widget.get()).get()), static_cast<void *>(first.get()));
    EXPECT_EQ(first->widget(), widget.get());
    EXPECT_EQ(first->takeWidget(), nullptr); // it only refers to the widget

    widget.reset();
    EXPECT_EQ(first->widget(), nullptr);
    auto next = std::make_unique<QWidget>();
    const auto again = Archived<1>::forWidget(next.get());
    EXPECT_NE(again, first);
    EXPECT_EQ(again->widget(), next.get());
}

TEST(ArchivedWidget, BoundedFramesAreFiniteWithinTheBoundsAndWholeByTheRuleAsked)
{
    const qreal inf = std::numeric_limits<qreal>::infinity();
    const qreal nan = std::numeric_limits<qreal>::quiet_NaN();
    using F = ArchivedWidget::Fractions;
    const struct {
        QRectF frame;
        qreal maximumSize;
        F fractions;
        QRect expected;
    } cases[] = {
        {{10.6, -2.6, 30.5, 40.4}, 1e6, F::Truncated, {10, -2, 30, 40}},
        {{10.6, -2.6, 30.5, 40.4}, 1e6, F::Rounded, {11, -3, 31, 40}},
        {{nan, inf, -inf, nan}, 1e6, F::Rounded, {0, 0, 0, 0}},
        {{-1e12, 1e12, 1e12, -5}, 1e6, F::Truncated, {-1000000, 1000000, 1000000, 0}},
        {{0, 0, 1e12, 1e12}, QWIDGETSIZE_MAX, F::Rounded, {0, 0, QWIDGETSIZE_MAX, QWIDGETSIZE_MAX}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ArchivedWidget::boundedFrame(c.frame, c.maximumSize, c.fractions), c.expected) << c.frame.x();
}
