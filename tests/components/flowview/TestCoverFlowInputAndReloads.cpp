// The cover-flow view under the user's hand with content loaded: the wheel both
// ways and at both ends, the arrow keys at the ends with the selection bound to a
// model, and a long seeded run of reloads (bound and set), selections, keys and
// wheel turns with the stage checked after every step.
#include "components/flowview/NTXCoverFlowScroller.h"
#include "components/flowview/NTXCoverFlowView.h"
#include "platform/layers/Transaction.h"
#include "tests/support/ExceptionLog.h"

#include <QApplication>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>
#include <random>

using platform::KeyValueObservable;

namespace {

// A model with a list ("items") and an index ("index"), keeping every index written.
class Model : public KeyValueObservable
{
public:
    QVariantList items;
    int index = 0;
    QList<int> written;

    void setItems(const QVariantList &list) { setValueForKey(list, QStringLiteral("items")); }

protected:
    const platform::KeyTable &keyTable() const override
    {
        static const platform::KeyTable table{
            {QStringLiteral("items"),
             {[](const KeyValueObservable &o) { return QVariant(static_cast<const Model &>(o).items); },
              [](KeyValueObservable &o, const QVariant &v) {
                  auto &m = static_cast<Model &>(o);
                  m.willChangeValueForKey(QStringLiteral("items"));
                  m.items = v.toList();
                  m.didChangeValueForKey(QStringLiteral("items"));
              }}},
            {QStringLiteral("index"),
             {[](const KeyValueObservable &o) { return QVariant(static_cast<const Model &>(o).index); },
              [](KeyValueObservable &o, const QVariant &v) {
                  auto &m = static_cast<Model &>(o);
                  m.written.append(v.toInt());
                  m.willChangeValueForKey(QStringLiteral("index"));
                  m.index = v.toInt();
                  m.didChangeValueForKey(QStringLiteral("index"));
              }}},
        };
        return table;
    }
};

// The same list, with an index the model computes and nobody may set (a read-only key).
class ReadOnlyIndexModel : public KeyValueObservable
{
public:
    QVariantList items;
    int index = 1;

protected:
    const platform::KeyTable &keyTable() const override
    {
        static const platform::KeyTable table{
            {QStringLiteral("items"),
             {[](const KeyValueObservable &o) { return QVariant(static_cast<const ReadOnlyIndexModel &>(o).items); },
              {}}},
            {QStringLiteral("index"),
             {[](const KeyValueObservable &o) { return QVariant(static_cast<const ReadOnlyIndexModel &>(o).index); },
              {}}},
        };
        return table;
    }
};

QVariantList names(int count)
{
    QVariantList list;
    for (int i = 0; i < count; ++i)
        list.append(QStringLiteral("item %1").arg(i));
    return list;
}

// One wheel step: y and x in eighths of a degree (120 is one notch).
void turn(NTXCoverFlowView &view, int x, int y)
{
    const QPointF at(view.width() / 2.0, view.height() / 2.0);
    QWheelEvent wheel(at, view.mapToGlobal(at), QPoint(), QPoint(x, y), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(&view, &wheel);
}

// The pictures left of the selection are the mirror image of those right of it: the
// same distance out, turned the other way (their near, taller edge outwards).
void expectMirroredSides(const NTXCoverFlowView &view)
{
    const int selected = view.selectionIndex();
    const QRectF middle = view.rectForItemAtIndex(selected);
    const qreal axis = middle.center().x();
    for (int d = 1; selected - d >= 0 && selected + d < int(view.content().size()); ++d) {
        const QRectF left = view.rectForItemAtIndex(selected - d);
        const QRectF right = view.rectForItemAtIndex(selected + d);
        EXPECT_NEAR(right.left() - axis, axis - left.right(), 0.5) << "pair " << d;
        EXPECT_NEAR(right.right() - axis, axis - left.left(), 0.5) << "pair " << d;
        EXPECT_NEAR(right.top(), left.top(), 0.5) << "pair " << d;
        EXPECT_NEAR(right.height(), left.height(), 0.5) << "pair " << d;
    }
}

// What the stage shows must agree with the content and the selection: one item
// layer per object, in order, each knowing its index; the scroller with a step per
// item after the first; the selected picture face-on in front, in the middle of
// the view, and the others turned away, further back the further they stand.
void expectStageMatches(NTXCoverFlowView &view)
{
    const QVariantList content = view.content();
    const auto &layers = view.itemLayers();
    ASSERT_EQ(layers.size(), size_t(content.size()));
    ASSERT_EQ(view.scrollLayer()->sublayers().size(), content.size());
    EXPECT_EQ(view.scroller()->numberOfIncrements(), std::max(int(content.size()) - 1, 0));
    for (qsizetype i = 0; i < content.size(); ++i) {
        EXPECT_EQ(layers[size_t(i)]->valueForKey(QStringLiteral("index")).toInt(), i);
        EXPECT_EQ(layers[size_t(i)]->valueForKey(QStringLiteral("representedObject")), content.at(i));
    }
    const int selected = view.selectionIndex();
    ASSERT_GE(selected, 0);
    if (content.isEmpty()) {
        EXPECT_EQ(selected, 0);
        EXPECT_FALSE(view.selectedObject().isValid());
        return;
    }
    ASSERT_LT(selected, content.size()) << "a selection past the content";
    EXPECT_EQ(view.selectedObject(), content.at(selected));
    EXPECT_EQ(view.scroller()->integerValue(), selected);
    qreal previousX = -1e9;
    for (int i = 0; i < int(layers.size()); ++i) {
        const platform::Layer &item = *layers[size_t(i)];
        const platform::Layer &image = *item.sublayers().constFirst();
        const int d = std::abs(i - selected);
        EXPECT_DOUBLE_EQ(item.zPosition(), -0.1 * d) << i;
        EXPECT_EQ(image.zPosition(), i == selected ? 100 : 0) << i;
        EXPECT_EQ(image.transform().isIdentity(), i == selected) << i;
        EXPECT_GT(item.frame().x(), previousX) << i;
        previousX = item.frame().x();
    }
    const QRectF picture = view.rectForItemAtIndex(selected);
    EXPECT_NEAR(picture.center().x(), view.width() / 2.0, 1.0);
    expectMirroredSides(view);
}

class CoverFlowInputTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // Shown, so that a resize reaches the layers at once.
        view.resize(600, 300);
        view.show();
    }
    void TearDown() override
    {
        view.imageLoadQueue().waitUntilAllOperationsAreFinished();
        platform::Transaction::flush();
    }
    NTXCoverFlowView view;
};

} // namespace

TEST_F(CoverFlowInputTest, WheelMovesOneItemPerNotchBothWaysAndStopsAtTheEnds)
{
    view.setContent(names(4));
    view.setSelectionIndex(1);
    const struct
    {
        const char *name;
        int x, y;
        int expected;
    } steps[] = {
        {"down: the next", 0, -120, 2},
        {"up: the previous", 0, 120, 1},
        {"up again", 0, 120, 0},
        {"up at the first stays", 0, 120, 0},
        {"right, no vertical turn: the next", -120, 0, 1},
        {"left: the previous", 120, 0, 0},
        {"the vertical turn wins over the horizontal one", 120, -120, 1},
        {"down", 0, -120, 2},
        {"down to the last", 0, -240, 3},
        {"down at the last stays", 0, -120, 3},
    };
    for (const auto &step : steps) {
        SCOPED_TRACE(step.name);
        turn(view, step.x, step.y);
        EXPECT_EQ(view.selectionIndex(), step.expected);
        expectStageMatches(view);
    }
}

TEST_F(CoverFlowInputTest, ArrowKeysAndWheelAtTheEndsWriteOnlyIndexesInsideTheContent)
{
    Model model;
    model.items = names(3);
    view.bind(QStringLiteral("content"), &model, QStringLiteral("items"));
    view.bind(QStringLiteral("selectionIndex"), &model, QStringLiteral("index"));
    ASSERT_EQ(view.selectionIndex(), 0);

    // At the first item: left and a turn up go through the binding and stay at 0.
    QTest::keyClick(&view, Qt::Key_Left);
    turn(view, 0, 120);
    EXPECT_EQ(model.written, (QList<int>{0, 0}));
    EXPECT_EQ(view.selectionIndex(), 0);

    for (int i = 0; i < 4; ++i)
        QTest::keyClick(&view, Qt::Key_Right);
    EXPECT_EQ(model.written, (QList<int>{0, 0, 1, 2, 2, 2}));
    EXPECT_EQ(model.index, 2);
    EXPECT_EQ(view.selectionIndex(), 2);
    turn(view, 0, -120);
    EXPECT_EQ(model.written.last(), 2);
    expectStageMatches(view);

    // The model's own change of the index moves the view, and a key moves on from there.
    model.setValueForKey(1, QStringLiteral("index"));
    EXPECT_EQ(view.selectionIndex(), 1);
    QTest::keyClick(&view, Qt::Key_Left);
    EXPECT_EQ(model.index, 0);
    EXPECT_EQ(view.selectionIndex(), 0);
    expectStageMatches(view);

    // Emptied content: the keys and the wheel write nothing.
    model.written.clear();
    model.setItems({});
    QTest::keyClick(&view, Qt::Key_Right);
    turn(view, 0, -120);
    EXPECT_TRUE(model.written.isEmpty());
    expectStageMatches(view);
}

TEST_F(CoverFlowInputTest, AReadOnlyBoundIndexRefusesTheUsersMovesWithoutAnException)
{
    ReadOnlyIndexModel model;
    model.items = names(3);
    view.bind(QStringLiteral("content"), &model, QStringLiteral("items"));
    view.bind(QStringLiteral("selectionIndex"), &model, QStringLiteral("index"));
    ASSERT_EQ(view.selectionIndex(), 1);

    testsupport::ExceptionLog log;
    QTest::keyClick(&view, Qt::Key_Right);
    QTest::keyClick(&view, Qt::Key_Left);
    turn(view, 0, -120);
    QTest::mouseClick(&view, Qt::LeftButton, Qt::NoModifier, view.rectForItemAtIndex(2).center().toPoint());
    // Nothing was thrown, not even into the view's own handlers: the model kept its
    // index and the view shows it.
    EXPECT_TRUE(log.messages().isEmpty()) << log.messages().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(model.index, 1);
    EXPECT_EQ(view.selectionIndex(), 1);
    expectStageMatches(view);

    // The model's own change still moves the view.
    model.willChangeValueForKey(QStringLiteral("index"));
    model.index = 2;
    model.didChangeValueForKey(QStringLiteral("index"));
    EXPECT_EQ(view.selectionIndex(), 2);
    expectStageMatches(view);
}

// Content shorter than the selection (the report: item 33 of 7): the first item is
// selected, as observers of "selectionIndex" hear, and a bound index is written 0.
TEST_F(CoverFlowInputTest, ContentShorterThanTheSelectionSelectsTheFirstItem)
{
    view.setContent(names(40));
    view.setSelectionIndex(33);
    int notices = 0;
    const platform::BindingObserver observer(static_cast<KeyValueObservable *>(&view), QStringLiteral("selectionIndex"),
                                             [&notices] { ++notices; });
    view.setContent(names(7));
    EXPECT_EQ(view.selectionIndex(), 0);
    EXPECT_EQ(view.selectedObject(), QVariant(QStringLiteral("item 0")));
    EXPECT_GE(notices, 1);
    expectStageMatches(view);

    // Without items the index is 0 as well, told once; items that come later start there.
    view.setSelectionIndex(6);
    notices = 0;
    view.setContent({});
    EXPECT_EQ(view.selectionIndex(), 0);
    EXPECT_EQ(notices, 1);
    view.setContent(names(3));
    EXPECT_EQ(view.selectedObject(), QVariant(QStringLiteral("item 0")));
    expectStageMatches(view);

    // Bound: the view writes 0 to the model, which brings it back.
    Model model;
    model.items = names(40);
    view.bind(QStringLiteral("content"), &model, QStringLiteral("items"));
    view.bind(QStringLiteral("selectionIndex"), &model, QStringLiteral("index"));
    model.setValueForKey(33, QStringLiteral("index"));
    ASSERT_EQ(view.selectionIndex(), 33);
    model.written.clear();
    model.setItems(names(7));
    EXPECT_EQ(model.written, QList<int>{0});
    EXPECT_EQ(model.index, 0);
    EXPECT_EQ(view.selectionIndex(), 0);
    expectStageMatches(view);
}

TEST_F(CoverFlowInputTest, RandomReloadsAndSelections)
{
    // A pool of names, some content lists sharing objects and repeating them; the
    // content comes by the binding or is set, and the selection is moved by the
    // model, by the view's setter and by the user.
    Model model;
    std::mt19937 random(5621);
    auto pick = [&random](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
    const QVariantList pool = names(9);
    auto randomContent = [&] {
        QVariantList list;
        const int count = pick(9);
        for (int i = 0; i < count; ++i)
            list.append(pool.at(pick(int(pool.size()))));
        return list;
    };
    bool bound = false;
    for (int step = 0; step < 2000; ++step) {
        SCOPED_TRACE(step);
        const int count = int(view.content().size());
        switch (pick(9)) {
        case 0:
            if (bound)
                model.setItems(randomContent());
            else
                view.setContent(randomContent());
            break;
        case 1:
            if (bound) {
                view.unbind(QStringLiteral("content"));
                view.unbind(QStringLiteral("selectionIndex"));
            } else {
                model.items = randomContent();
                view.bind(QStringLiteral("content"), &model, QStringLiteral("items"));
                view.bind(QStringLiteral("selectionIndex"), &model, QStringLiteral("index"));
            }
            bound = !bound;
            break;
        case 2:
            view.setSelectionIndex(pick(count + 4) - 2);
            break;
        case 3:
            if (bound) {
                // The model may hold an index past the content; only the view's
                // writes are checked.
                model.setValueForKey(pick(count + 1), QStringLiteral("index"));
                model.written.clear();
            } else {
                view.setSelectionIndex(pick(count + 1));
            }
            break;
        case 4:
            QTest::keyClick(&view, Qt::Key_Left);
            break;
        case 5:
            QTest::keyClick(&view, Qt::Key_Right);
            break;
        case 6:
            turn(view, 0, pick(2) ? 120 : -120);
            break;
        case 7:
            if (count > 0)
                view.setSelectedObject(view.content().at(pick(count)));
            break;
        default:
            view.resize(300 + pick(400), 150 + pick(250));
            break;
        }
        if (bound) {
            EXPECT_EQ(view.content(), model.items);
            for (int written : std::as_const(model.written))
                EXPECT_TRUE(written >= 0 && written < model.items.size()) << written;
            model.written.clear();
        }
        expectStageMatches(view);
        if (step % 64 == 0)
            platform::Transaction::flush();
        if (::testing::Test::HasFailure())
            return;
    }
}
