#include "platform/foundation/Clock.h"
#include "platform/layers/AnimationDelegate.h"
#include "platform/layers/AnimationDriver.h"
#include "platform/layers/BasicAnimation.h"
#include "platform/layers/Layer.h"
#include "platform/layers/LayerDelegate.h"
#include "platform/layers/Transaction.h"
#include "platform/layers/Transform3D.h"
#include "tests/platform/layers/LayerTestSupport.h"

#include <QSignalSpy>
#include <QPropertyAnimation>
#include <QWidget>
#include <gtest/gtest.h>

#include <cmath>

using platform::AnimationDriver;
using platform::BasicAnimation;
using platform::Layer;
using platform::LayerPtr;
using platform::Transaction;

namespace {

class LayerAnimation : public layertest::FrozenClockTest
{
};

struct StopRecorder : platform::AnimationDelegate
{
    std::vector<bool> stops;
    int starts = 0;
    void animationDidStart(platform::Animation &) override { ++starts; }
    void animationDidStop(platform::Animation &, bool finished) override { stops.push_back(finished); }
};

// A layer with a drawn property of its own whose presentation copies carry it.
class IndicatorLayer : public Layer
{
public:
    IndicatorLayer() = default;
    qreal indicatorScale() const { return m_scale; }
    void setIndicatorScale(qreal scale) { changeProperty(m_scale, scale, QStringLiteral("indicatorScale")); }
    bool needsDisplayForKey(const QString &key) const override
    {
        return key == QLatin1String("indicatorScale") || Layer::needsDisplayForKey(key);
    }

protected:
    IndicatorLayer(const IndicatorLayer &m, PresentationCopy tag)
        : Layer(m, tag)
        , m_scale(m.m_scale)
    {
    }
    platform::LayerPtr makePresentationCopy() const override
    {
        return platform::LayerPtr(new IndicatorLayer(*this, PresentationCopy{}));
    }
    const platform::KeyTable &keyTable() const override
    {
        static const platform::KeyTable table = extendKeyTable(
            Layer::keyTable(),
            {{QStringLiteral("indicatorScale"),
              platform::KeyAccessor{
                  [](const platform::KeyValueObservable &o) {
                      return QVariant(static_cast<const IndicatorLayer &>(o).indicatorScale());
                  },
                  [](platform::KeyValueObservable &o, const QVariant &v) {
                      static_cast<IndicatorLayer &>(o).setIndicatorScale(v.toDouble());
                  }}}});
        return table;
    }

private:
    qreal m_scale = 0;
};

TEST_F(LayerAnimation, ChangesAnimateFromThePresentationValue)
{
    const LayerPtr layer = layertest::layerWithFrame(QRectF(0, 0, 100, 100));
    layer->setOpacity(0.5); // made in this transaction: not animated
    EXPECT_TRUE(layer->animationKeys().isEmpty());
    Transaction::flush();

    Transaction::setTimingFunction(platform::MediaTimingFunction()); // linear, for round numbers
    layer->setPosition(QPointF(150, 50));
    EXPECT_EQ(layer->position(), QPointF(150, 50)); // the model at once
    EXPECT_EQ(layer->animationKeys(), QStringList{QStringLiteral("position")});
    EXPECT_EQ(layer->presentationLayer()->position(), QPointF(50, 50));
    advance(125);
    EXPECT_EQ(layer->presentationLayer()->position(), QPointF(100, 50));

    // Changed again half way: the new animation starts where the old one is.
    Transaction::setTimingFunction(platform::MediaTimingFunction());
    layer->setPosition(QPointF(0, 50));
    EXPECT_EQ(layer->presentationLayer()->position(), QPointF(100, 50));
    advance(125);
    EXPECT_EQ(layer->presentationLayer()->position(), QPointF(50, 50));
    advance(200);
    EXPECT_TRUE(layer->animationKeys().isEmpty());
    EXPECT_EQ(layer->presentationLayer()->position(), QPointF(0, 50));
    EXPECT_EQ(layer->presentationLayer()->modelLayer(), layer);
}

struct NullActions : platform::LayerDelegate
{
    std::optional<platform::ActionPtr> actionForLayer(Layer &, const QString &key) override
    {
        if (key == QLatin1String("opacity"))
            return platform::ActionPtr(); // "no action"
        return std::nullopt;
    }
};

TEST_F(LayerAnimation, NoAnimationWithActionsOffOrANullAction)
{
    const LayerPtr layer = layertest::layerWithFrame(QRectF(0, 0, 100, 100));
    Transaction::flush();

    Transaction::begin();
    Transaction::setDisableActions(true);
    layer->setPosition(QPointF(10, 10));
    Transaction::commit();
    EXPECT_TRUE(layer->animationKeys().isEmpty());

    layer->setActions({{QStringLiteral("bounds"), nullptr}});
    layer->setBounds(QRectF(0, 0, 10, 10));
    EXPECT_TRUE(layer->animationKeys().isEmpty());

    NullActions delegate;
    layer->setDelegate(&delegate);
    layer->setOpacity(0.2);
    EXPECT_TRUE(layer->animationKeys().isEmpty());
    layer->setZPosition(3); // the delegate does not answer: the default animation
    EXPECT_EQ(layer->animationKeys(), QStringList{QStringLiteral("zPosition")});
    layer->setDelegate(nullptr);

    // Keys that are not animatable never animate.
    layer->setName(QStringLiteral("x"));
    layer->setValueForKey(3, QStringLiteral("index"));
    EXPECT_EQ(layer->animationKeys(), QStringList{QStringLiteral("zPosition")});
}

TEST_F(LayerAnimation, OneCompletionAfterTheLastAnimation)
{
    const LayerPtr a = Layer::create();
    const LayerPtr b = Layer::create();
    Transaction::flush();
    int completions = 0;
    Transaction::begin();
    Transaction::setAnimationDuration(0.5);
    Transaction::setCompletionBlock([&completions] { ++completions; });
    a->setOpacity(0);
    auto longer = BasicAnimation::withKeyPath(QStringLiteral("zPosition"));
    longer->setFromValue(0.0);
    longer->setToValue(10.0);
    longer->setDuration(1.0);
    b->addAnimation(longer, QStringLiteral("z"));
    Transaction::commit();
    deliver();
    EXPECT_EQ(completions, 0);
    advance(600);
    EXPECT_TRUE(a->animationKeys().isEmpty());
    EXPECT_EQ(completions, 0);
    advance(500);
    EXPECT_EQ(completions, 1);
    advance(500);
    EXPECT_EQ(completions, 1);

    // A transaction that added nothing completes on the next pass, not inside commit.
    Transaction::begin();
    Transaction::setCompletionBlock([&completions] { ++completions; });
    Transaction::commit();
    EXPECT_EQ(completions, 1);
    deliver();
    EXPECT_EQ(completions, 2);
}

TEST_F(LayerAnimation, DelegatesHearFromTheEventLoop)
{
    const LayerPtr layer = Layer::create();
    auto first = std::make_shared<StopRecorder>();
    auto second = std::make_shared<StopRecorder>();
    auto animation = BasicAnimation::withKeyPath(QStringLiteral("opacity"));
    animation->setFromValue(0.0);
    animation->setToValue(1.0);
    animation->setDelegate(first);
    layer->addAnimation(animation, QStringLiteral("fade"));
    animation->setDelegate(second);
    layer->addAnimation(animation, QStringLiteral("fade")); // replaces the first
    EXPECT_TRUE(first->stops.empty()); // not inside the call
    deliver();
    EXPECT_EQ(first->stops, std::vector<bool>{false});
    EXPECT_EQ(first->starts, 1);
    advance(300);
    EXPECT_EQ(second->stops, std::vector<bool>{true});

    // Removed before its end: finished NO, once.
    auto third = std::make_shared<StopRecorder>();
    animation->setDelegate(third);
    layer->addAnimation(animation, QStringLiteral("fade"));
    layer->removeAnimationForKey(QStringLiteral("fade"));
    layer->removeAllAnimations();
    deliver();
    EXPECT_EQ(third->stops, std::vector<bool>{false});
}

TEST_F(LayerAnimation, RepeatsReversesAndStaysWhenAsked)
{
    const LayerPtr layer = Layer::create();
    auto animation = BasicAnimation::withKeyPath(QStringLiteral("opacity"));
    animation->setFromValue(0.0);
    animation->setToValue(1.0);
    animation->setDuration(1);
    animation->setAutoreverses(true);
    animation->setRepeatCount(2);
    animation->setRemovedOnCompletion(false);
    auto recorder = std::make_shared<StopRecorder>();
    animation->setDelegate(recorder);
    layer->addAnimation(animation, QStringLiteral("pulse"));
    advance(500);
    EXPECT_NEAR(layer->presentationLayer()->opacity(), 0.5, 1e-9);
    advance(1000); // on its way back
    EXPECT_NEAR(layer->presentationLayer()->opacity(), 0.5, 1e-9);
    advance(600); // second cycle
    EXPECT_NEAR(layer->presentationLayer()->opacity(), 0.1, 1e-9);
    advance(2000);
    EXPECT_EQ(recorder->stops, std::vector<bool>{true});
    EXPECT_EQ(layer->animationKeys(), QStringList{QStringLiteral("pulse")}); // kept, at its end value
    EXPECT_NEAR(layer->presentationLayer()->opacity(), 0.0, 1e-9);
    EXPECT_FALSE(AnimationDriver::instance()->isTicking());
}

TEST_F(LayerAnimation, TurnAsAnAngleAndCustomDrawnKeys)
{
    // A half turn from π to 2π about y on top of the model's perspective.
    const LayerPtr card = layertest::layerWithFrame(QRectF(0, 0, 100, 100));
    card->setTransform(platform::Transform3D::perspective(850));
    auto turn = BasicAnimation::withKeyPath(QStringLiteral("transform.rotation.y"));
    turn->setFromValue(M_PI);
    turn->setToValue(2 * M_PI);
    turn->setDuration(1);
    turn->setTimingFunction(platform::MediaTimingFunction());
    card->addAnimation(turn, QStringLiteral("transform"));
    advance(250);
    const QMatrix4x4 expected = platform::Transform3D::perspective(850) * platform::Transform3D::rotation(1.25 * M_PI, 0, 1, 0);
    const QMatrix4x4 shown = card->presentationLayer()->transform();
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_NEAR(shown(r, c), expected(r, c), 1e-5);

    auto indicator = std::make_shared<IndicatorLayer>();
    indicator->setIndicatorScale(1);
    auto grow = BasicAnimation::withKeyPath(QStringLiteral("indicatorScale"));
    grow->setFromValue(0.0);
    grow->setToValue(1.0);
    grow->setDuration(0.15);
    grow->setTimingFunction(platform::MediaTimingFunction());
    indicator->addAnimation(grow, QStringLiteral("indicatorScale"));
    advance(75);
    const auto copy = std::static_pointer_cast<IndicatorLayer>(indicator->presentationLayer());
    EXPECT_NEAR(copy->indicatorScale(), 0.5, 1e-9);
    EXPECT_TRUE(copy->needsDisplay());
    EXPECT_EQ(indicator->indicatorScale(), 1);
    indicator->display();
    EXPECT_FALSE(indicator->needsDisplay());
    indicator->setIndicatorScale(0.5); // a drawn key: the model draws again too
    EXPECT_TRUE(indicator->needsDisplay());
}

TEST_F(LayerAnimation, QtAnimationsFollowTheClockAndIdleStopsTicking)
{
    AnimationDriver *driver = AnimationDriver::instance();
    deliver();
    EXPECT_FALSE(driver->isTicking());

    QWidget moved;
    QPropertyAnimation animation(&moved, "pos");
    animation.setStartValue(QPoint(0, 0));
    animation.setEndValue(QPoint(100, 0));
    animation.setDuration(300);
    QSignalSpy finished(&animation, &QPropertyAnimation::finished);
    animation.start();
    deliver();
    EXPECT_TRUE(driver->isTicking());
    platform::Clock::advance(400); // no real time needs to pass
    ASSERT_TRUE(finished.wait(5000));
    EXPECT_EQ(moved.pos(), QPoint(100, 0));
    deliver();
    EXPECT_FALSE(driver->isTicking());

    const LayerPtr layer = Layer::create();
    layer->addAnimation(BasicAnimation::withKeyPath(QStringLiteral("opacity")), QStringLiteral("o"));
    EXPECT_TRUE(driver->isTicking());
    advance(300);
    EXPECT_FALSE(driver->isTicking());
    const quint64 ticks = driver->tickCount();
    deliver();
    EXPECT_EQ(driver->tickCount(), ticks);
}

TEST_F(LayerAnimation, NestedTransactionsInheritAndRestore)
{
    EXPECT_DOUBLE_EQ(Transaction::animationDuration(), 0.25);
    Transaction::begin();
    Transaction::setAnimationDuration(2);
    Transaction::setDisableActions(true);
    Transaction::begin();
    EXPECT_DOUBLE_EQ(Transaction::animationDuration(), 2); // from the outer one
    Transaction::setDisableActions(false);
    EXPECT_FALSE(Transaction::disableActions());
    Transaction::commit();
    EXPECT_TRUE(Transaction::disableActions());
    Transaction::commit();
    EXPECT_FALSE(Transaction::disableActions());
    EXPECT_DOUBLE_EQ(Transaction::animationDuration(), 0.25);

    // Parts of a position and a sublayer transform animate alone.
    const LayerPtr layer = layertest::layerWithFrame(QRectF(0, 0, 10, 10));
    auto slide = BasicAnimation::withKeyPath(QStringLiteral("position.x"));
    slide->setFromValue(0.0);
    slide->setToValue(100.0);
    slide->setDuration(1);
    layer->addAnimation(slide, QStringLiteral("slide"));
    auto zoom = BasicAnimation::withKeyPath(QStringLiteral("sublayerTransform.scale"));
    zoom->setFromValue(1.0);
    zoom->setByValue(1.0);
    zoom->setDuration(1);
    layer->addAnimation(zoom, QStringLiteral("zoom"));
    advance(500);
    const LayerPtr shown = layer->presentationLayer();
    EXPECT_EQ(shown->position(), QPointF(50, 5));
    EXPECT_FLOAT_EQ(shown->sublayerTransform()(0, 0), 1.5f);
    EXPECT_TRUE(layer->sublayerTransform().isIdentity());
}

} // namespace
