// The colour-label picker and its cell: values and clamping, the
// object-value rules, choosing a label by clicking and dragging over the slots with
// one action per press or drag carrying the new value, the "value" binding written
// before the action, archiving, drawing, and the class-level tint colours.
#include "tests/support/QtWarningCheck.h"
#include "NTXAppKit/NTXColorLabelWidget/NTXColorLabelColors.h"
#include "NTXAppKit/NTXColorLabelWidget/NTXColorLabelWidget.h"
#include "NTXAppKit/NTXColorLabelWidget/NTXColorLabelWidgetCell.h"
#include "platform/foundation/Bindings.h"
#include "platform/foundation/KeyValueObserving.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UserDefaults.h"
#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QTest>
#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"
#include "tests/support/NonKeyedCoder.h"
#include "tests/support/ExceptionLog.h"

#include <gtest/gtest.h>

namespace {

// The document's side: receives colorLabelAction: with the picker as sender.
class LabelTarget : public QObject
{
    Q_OBJECT
public:
    QList<int> values;
    QList<int> modelValuesAtAction;
    QObject *lastSender = nullptr;
    std::function<int()> modelProbe;

    Q_INVOKABLE void colorLabelAction(QObject *sender)
    {
        lastSender = sender;
        auto *picker = qobject_cast<NTXColorLabelWidget *>(sender);
        values.append(picker ? picker->intValue() : -100);
        if (modelProbe)
            modelValuesAtAction.append(modelProbe());
    }
};

// A node with a colour label, for the "value" binding.
class Node : public platform::KeyValueObservable
{
public:
    int label = 0;

protected:
    const platform::KeyTable &keyTable() const override
    {
        static const platform::KeyTable table = {
            {QStringLiteral("colorLabel"),
             {[](const platform::KeyValueObservable &o) { return QVariant(static_cast<const Node &>(o).label); },
              [](platform::KeyValueObservable &o, const QVariant &v) { static_cast<Node &>(o).label = v.toInt(); }}},
        };
        return table;
    }
};

// A node whose label is computed and cannot be set through the binding (a read-only key).
class FixedLabelNode : public platform::KeyValueObservable
{
public:
    int label = 3;

protected:
    const platform::KeyTable &keyTable() const override
    {
        static const platform::KeyTable table = {
            {QStringLiteral("colorLabel"),
             {[](const platform::KeyValueObservable &o) { return QVariant(static_cast<const FixedLabelNode &>(o).label); },
              {}}},
        };
        return table;
    }
};

QPoint slotCentre(int slot)
{
    return QPoint(16 * slot + 8, 8);
}

void dragTo(QWidget *widget, const QPoint &point)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(point), widget->mapToGlobal(QPointF(point)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

QImage render(QWidget &widget)
{
    QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    widget.render(&image, QPoint(), QRegion(), QWidget::RenderFlags()); // no window background
    return image;
}

std::unique_ptr<NTXColorLabelWidget> makePicker(LabelTarget &target)
{
    auto picker = std::make_unique<NTXColorLabelWidget>();
    picker->setTarget(&target);
    picker->setAction("colorLabelAction:");
    picker->sizeToFit();
    return picker;
}

} // namespace

TEST(ColorLabelWidgetCell, ValuesAreClampedToMinusOneToSeven)
{
    NTXColorLabelWidgetCell cell;
    EXPECT_EQ(cell.intValue(), 0) << "init sets 0";
    cell.setIntValue(12);
    EXPECT_EQ(cell.intValue(), 7);
    cell.setIntValue(-5);
    EXPECT_EQ(cell.intValue(), -1);
    cell.setColorLabelType(4);
    EXPECT_EQ(cell.colorLabelType(), 4);
    EXPECT_EQ(cell.stringValue(), QStringLiteral("4"));
    EXPECT_EQ(cell.objectValue(), QVariant(4));
    EXPECT_EQ(cell.floatValue(), 4.0f);
    EXPECT_EQ(cell.doubleValue(), 4.0);
    cell.setFloatValue(5.9f);
    EXPECT_EQ(cell.intValue(), 5) << "truncated toward zero";
    cell.setDoubleValue(-0.9);
    EXPECT_EQ(cell.intValue(), 0) << "truncated toward zero";
    cell.setDoubleValue(1e30);
    EXPECT_EQ(cell.intValue(), 7);
    cell.setStringValue(QStringLiteral("6"));
    EXPECT_EQ(cell.intValue(), 6);
    cell.setStringValue(QStringLiteral("40"));
    EXPECT_EQ(cell.intValue(), 7);
}

TEST(ColorLabelWidgetCell, InitialisersSetTheirValues)
{
    EXPECT_EQ(NTXColorLabelWidgetCell(QStringLiteral("3")).intValue(), 3) << "initTextCell";
    EXPECT_EQ(NTXColorLabelWidgetCell(QStringLiteral("99")).intValue(), 7);
    EXPECT_EQ(NTXColorLabelWidgetCell(QIcon()).intValue(), 0) << "initImageCell leaves 0";
    NTXColorLabelWidgetCell cell;
    EXPECT_TRUE(cell.isContinuous());
    EXPECT_TRUE(cell.acceptsFirstResponder()) << "it does not refuse first responder";
    EXPECT_TRUE(cell.showsFirstResponder());
    EXPECT_FALSE(cell.crossImage().isNull()) << "ColorLabelCross.png is a resource of the NTXAppKit bundle";
    EXPECT_FALSE(cell.highlightImage().isNull()) << "ColorLabelHighlight.png too";
    EXPECT_EQ(cell.cellSize(), QSizeF(128, 16));
}

TEST(ColorLabelWidgetCell, ObjectValueRules)
{
    NTXColorLabelWidgetCell cell;
    cell.setObjectValue(QVariantList{3, 3, 3});
    EXPECT_EQ(cell.intValue(), 3) << "equal elements stand for the first";
    cell.setObjectValue(QVariantList{3, 4});
    EXPECT_EQ(cell.intValue(), -1) << "differing values: no single value";
    cell.setObjectValue(QVariantList{2});
    EXPECT_EQ(cell.intValue(), 2) << "an array of one stands for it";
    cell.setObjectValue(QVariantList{});
    EXPECT_EQ(cell.intValue(), -1) << "an empty array stays an array";
    cell.setObjectValue(QStringLiteral("5"));
    EXPECT_EQ(cell.intValue(), 5);
    cell.setObjectValue(QVariant());
    EXPECT_EQ(cell.intValue(), -1) << "no value";
    cell.setObjectValue(QVariant::fromValue(QPointF(1, 2)));
    EXPECT_EQ(cell.intValue(), -1) << "anything else";
    cell.setObjectValue(QVariantList{QStringLiteral("6"), QStringLiteral("6")});
    EXPECT_EQ(cell.intValue(), 6);
    cell.setObjectValue(9);
    EXPECT_EQ(cell.intValue(), 7);
}

// Elements are the same only when they are equal values (a string is not a number),
// and a string's value is its decimal integer prefix.
TEST(ColorLabelWidgetCell, ElementEqualityAndStringValues)
{
    const struct {
        QVariant value;
        int type;
    } cases[] = {
        {QVariantList{QStringLiteral("3"), 3}, -1},
        {QVariantList{3, QStringLiteral("3")}, -1},
        {QVariantList{3, 3.0, qint64(3)}, 3},
        {QVariantList{true, 1}, 1},
        {QVariantList{QStringLiteral("4"), QStringLiteral("4")}, 4},
        {QVariantList{QStringLiteral("4"), QStringLiteral(" 4")}, -1},
        {QStringLiteral("0x10"), 0},
        {QStringLiteral("1e3"), 1},
        {QStringLiteral("  +5 labels"), 5},
        {QStringLiteral("3.9"), 3},
        {QStringLiteral("-1"), -1},
        {QStringLiteral("-7"), -1},
        {QStringLiteral("99999999999999999999"), 7},
        {QStringLiteral("purple"), 0},
        {QByteArray("6"), 6},
    };
    for (const auto &c : cases) {
        NTXColorLabelWidgetCell cell;
        cell.setObjectValue(c.value);
        EXPECT_EQ(cell.intValue(), c.type) << c.value.toString().toStdString() << " / "
                                           << c.value.toStringList().join(u',').toStdString();
    }
}

TEST(ColorLabelWidgetCell, CompareOrdersByValue)
{
    NTXColorLabelWidgetCell three(QStringLiteral("3"));
    EXPECT_EQ(three.compare(NTXColorLabelWidgetCell(QStringLiteral("5"))), -1) << "the other is greater";
    EXPECT_EQ(three.compare(NTXColorLabelWidgetCell(QStringLiteral("1"))), 1);
    EXPECT_EQ(three.compare(NTXColorLabelWidgetCell(QStringLiteral("3"))), 0);
}

TEST(ColorLabelWidgetCell, SlotUnderAPoint)
{
    EXPECT_EQ(NTXColorLabelWidgetCell::slotForPoint({0, 5}), 0);
    EXPECT_EQ(NTXColorLabelWidgetCell::slotForPoint({15.9, 5}), 0);
    EXPECT_EQ(NTXColorLabelWidgetCell::slotForPoint({16, 5}), 1);
    EXPECT_EQ(NTXColorLabelWidgetCell::slotForPoint({40, 5}), 2);
    EXPECT_EQ(NTXColorLabelWidgetCell::slotForPoint({111.9, 5}), 6);
    EXPECT_EQ(NTXColorLabelWidgetCell::slotForPoint({112, 5}), 7);
    EXPECT_EQ(NTXColorLabelWidgetCell::slotForPoint({5000, 5}), 7);
    EXPECT_EQ(NTXColorLabelWidgetCell::slotForPoint({-15.9, 5}), 0);
    EXPECT_EQ(NTXColorLabelWidgetCell::slotForPoint({-16, 5}), -1);
    EXPECT_EQ(NTXColorLabelWidgetCell::slotForPoint({-1e12, 5}), -1);
}

TEST(ColorLabelWidgetCell, KeyedArchive)
{
    auto cell = std::make_shared<NTXColorLabelWidgetCell>();
    cell->setIntValue(5);
    const auto bytes = platform::KeyedArchiver::archivedData(cell);
    ASSERT_TRUE(bytes);
    QString error;
    const auto back = platform::KeyedUnarchiver::unarchivedObject<NTXColorLabelWidgetCell>(*bytes, &error);
    ASSERT_TRUE(back) << qPrintable(error);
    EXPECT_EQ(back->intValue(), 5);

    // decoding keeps 9 until the next setter clamps it; a missing key reads 0
    platform::KeyedArchiver nine;
    nine.encodeInt32(9, NTXColorLabelWidgetCell::ColorLabelTypeKey);
    platform::KeyedUnarchiver nineReader(*nine.finishEncoding());
    std::unique_ptr<NTXColorLabelWidgetCell> decoded = NTXColorLabelWidgetCell::fromCoder(nineReader);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->intValue(), 9);
    EXPECT_FALSE(decoded->crossImage().isNull()) << "the common set-up ran";
    decoded->setIntValue(decoded->intValue());
    EXPECT_EQ(decoded->intValue(), 7);
    platform::KeyedArchiver nothing;
    platform::KeyedUnarchiver emptyReader(*nothing.finishEncoding());
    EXPECT_EQ(NTXColorLabelWidgetCell::fromCoder(emptyReader)->intValue(), 0);

    // A value wider than 32 bits fails the decode; a non-keyed coder gets nothing.
    platform::KeyedArchiver wide;
    wide.encodeInt64(qint64(1) << 40, NTXColorLabelWidgetCell::ColorLabelTypeKey);
    platform::KeyedUnarchiver wideReader(*wide.finishEncoding());
    EXPECT_EQ(NTXColorLabelWidgetCell::fromCoder(wideReader), nullptr);
    EXPECT_TRUE(wideReader.error().contains(QStringLiteral("32 bits"))) << qPrintable(wideReader.error());
    testsupport::NonKeyedCoder plain;
    cell->encodeWithCoder(plain);
    EXPECT_EQ(NTXColorLabelWidgetCell::fromCoder(plain), nullptr);
    EXPECT_EQ(plain.calls(), 0);
}

TEST(ColorLabelWidget, ClickOnEachSwatchChoosesItAndSendsTheActionOnce)
{
    LabelTarget target;
    auto picker = makePicker(target);
    EXPECT_EQ(picker->size(), QSize(128, 16));
    EXPECT_TRUE(picker->acceptsFirstMouse());
    for (int slot : {3, 0, 1, 2, 4, 5, 6, 7}) {
        target.values.clear();
        QTest::mouseClick(picker.get(), Qt::LeftButton, Qt::NoModifier, slotCentre(slot), 50);
        EXPECT_EQ(picker->intValue(), slot);
        EXPECT_EQ(picker->colorLabelType(), slot);
        EXPECT_EQ(target.values, QList<int>{slot}) << "one action for the click, carrying the new value";
        EXPECT_EQ(target.lastSender, picker.get());
    }
    // the edges of a slot
    target.values.clear();
    QTest::mouseClick(picker.get(), Qt::LeftButton, Qt::NoModifier, QPoint(16 * 5, 3), 50);
    QTest::mouseClick(picker.get(), Qt::LeftButton, Qt::NoModifier, QPoint(16 * 5 - 1, 3), 50);
    EXPECT_EQ(target.values, (QList<int>{5, 4}));
}

TEST(ColorLabelWidget, ActionIsSentOnThePressNotTheRelease)
{
    LabelTarget target;
    auto picker = makePicker(target);
    QTest::mousePress(picker.get(), Qt::LeftButton, Qt::NoModifier, slotCentre(6));
    EXPECT_EQ(target.values, QList<int>{6}) << "sent on mouse down";
    QTest::mouseRelease(picker.get(), Qt::LeftButton, Qt::NoModifier, slotCentre(6));
    EXPECT_EQ(target.values, QList<int>{6}) << "nothing on the release";
    EXPECT_EQ(picker->intValue(), 6);
    QTest::mouseClick(picker.get(), Qt::RightButton, Qt::NoModifier, slotCentre(2), 50);
    EXPECT_EQ(picker->intValue(), 6) << "only the left button chooses";
    EXPECT_EQ(target.values.size(), 1);
}

TEST(ColorLabelWidget, DraggingChoosesEverySlotPassedWithOneActionPerDrag)
{
    LabelTarget target;
    auto picker = makePicker(target);
    QTest::mousePress(picker.get(), Qt::LeftButton, Qt::NoModifier, slotCentre(1));
    dragTo(picker.get(), slotCentre(2));
    dragTo(picker.get(), slotCentre(3));
    dragTo(picker.get(), QPoint(400, 8)); // beyond the last slot
    EXPECT_EQ(target.values, (QList<int>{1, 2, 3, 7}));
    // releasing on the point of the last drag changes nothing further
    QTest::mouseRelease(picker.get(), Qt::LeftButton, Qt::NoModifier, QPoint(400, 8));
    EXPECT_EQ(picker->intValue(), 7);
    EXPECT_EQ(target.values, (QList<int>{1, 2, 3, 7}));

    // released elsewhere: the stop point chooses, without an action
    QTest::mousePress(picker.get(), Qt::LeftButton, Qt::NoModifier, slotCentre(4), 50);
    QTest::mouseRelease(picker.get(), Qt::LeftButton, Qt::NoModifier, slotCentre(2));
    EXPECT_EQ(picker->intValue(), 2);
    EXPECT_EQ(target.values, (QList<int>{1, 2, 3, 7, 4}));
    // moving without the button sends nothing
    dragTo(picker.get(), slotCentre(5));
    EXPECT_EQ(target.values.size(), 5);
}

TEST(ColorLabelWidget, DisabledPickerIgnoresClicks)
{
    LabelTarget target;
    auto picker = makePicker(target);
    picker->setColorLabelType(3);
    picker->setEnabled(false);
    const testsupport::ExpectedQtWarning declined(QStringLiteral("event.* not accepted by receiving widget"));
    QTest::mouseClick(picker.get(), Qt::LeftButton, Qt::NoModifier, slotCentre(5), 50);
    EXPECT_EQ(picker->intValue(), 3);
    EXPECT_TRUE(target.values.isEmpty());
}

TEST(ColorLabelWidget, HasNoKeysButTakesFocus)
{
    LabelTarget target;
    auto picker = makePicker(target);
    EXPECT_EQ(picker->focusPolicy(), Qt::StrongFocus);
    picker->setColorLabelType(2);
    for (Qt::Key key : {Qt::Key_Space, Qt::Key_Return, Qt::Key_Right, Qt::Key_Left, Qt::Key_3})
        QTest::keyClick(picker.get(), key);
    EXPECT_EQ(picker->intValue(), 2);
    EXPECT_TRUE(target.values.isEmpty()) << "the picker has no keys";
}

TEST(ColorLabelWidget, ShowsAFocusRingWhileFocused)
{
    NTXColorLabelWidget picker;
    picker.sizeToFit();
    picker.setColorLabelType(-1);
    picker.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&picker));
    const QImage unfocused = render(picker);
    picker.activateWindow();
    picker.setFocus(Qt::TabFocusReason);
    // focus reached by the keyboard: the style draws focus rectangles then
    picker.window()->setAttribute(Qt::WA_KeyboardFocusChange);
    if (!picker.hasFocus())
        GTEST_SKIP() << "the platform gives no focus here";
    const QImage focused = render(picker);
    EXPECT_NE(focused, unfocused) << "the focus ring is drawn";
}

TEST(ColorLabelWidget, ValueBindingIsWrittenBeforeTheAction)
{
    LabelTarget target;
    auto picker = makePicker(target);
    Node node;
    platform::bind(picker.get(), QStringLiteral("value"), &node, QStringLiteral("colorLabel"));
    target.modelProbe = [&node] { return node.label; };
    QTest::mouseClick(picker.get(), Qt::LeftButton, Qt::NoModifier, QPoint(40, 8), 50);
    EXPECT_EQ(node.label, 2) << "a click at x 40 chooses 2";
    EXPECT_EQ(target.values, QList<int>{2});
    EXPECT_EQ(target.modelValuesAtAction, QList<int>{2}) << "the bound key path holds 2 when the action arrives";
    QTest::mousePress(picker.get(), Qt::LeftButton, Qt::NoModifier, slotCentre(5), 50);
    dragTo(picker.get(), slotCentre(6));
    QTest::mouseRelease(picker.get(), Qt::LeftButton, Qt::NoModifier, slotCentre(6));
    EXPECT_EQ(node.label, 6);
    EXPECT_EQ(target.modelValuesAtAction, (QList<int>{2, 5, 6}));
    platform::unbindAll(static_cast<QObject *>(picker.get()));
}

TEST(ColorLabelWidget, AReadOnlyBoundValueRefusesClicksAndDragsWithoutAnException)
{
    LabelTarget target;
    auto picker = makePicker(target);
    picker->setIntValue(3);
    FixedLabelNode node;
    platform::bind(picker.get(), QStringLiteral("value"), &node, QStringLiteral("colorLabel"));
    testsupport::ExceptionLog log;
    QTest::mouseClick(picker.get(), Qt::LeftButton, Qt::NoModifier, slotCentre(5), 50);
    QTest::mousePress(picker.get(), Qt::LeftButton, Qt::NoModifier, slotCentre(1), 50);
    dragTo(picker.get(), slotCentre(6));
    QTest::mouseRelease(picker.get(), Qt::LeftButton, Qt::NoModifier, slotCentre(6));
    // Nothing was thrown into the picker's handlers; it shows the label the node keeps,
    // and the actions carry that label.
    EXPECT_TRUE(log.messages().isEmpty()) << log.messages().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(node.label, 3);
    EXPECT_EQ(picker->intValue(), 3);
    ASSERT_FALSE(target.values.isEmpty());
    for (int value : target.values)
        EXPECT_EQ(value, 3);
    platform::unbindAll(static_cast<QObject *>(picker.get()));
}

TEST(ColorLabelWidget, DrawsHighlightCrossAndDots)
{
    NTXColorLabelWidget picker;
    picker.sizeToFit();
    picker.setColorLabelType(3);
    const QImage enabled = render(picker);
    const QString path = testsupport::screenshotPath(QStringLiteral("color_label_picker.png"));
    enabled.scaled(enabled.size() * 4).save(path);

    // each dot's centre has exactly its label colour
    for (int type = 1; type <= 7; ++type) {
        const QColor dot = enabled.pixelColor(8 + 16 * type, 8);
        const QColor expected = NTXColorLabelColors::getLabelColorForLabelType(type);
        EXPECT_EQ(dot.rgb(), expected.rgb()) << type;
    }
    // the outline of a dot is dark (black stroke, antialiased)
    EXPECT_LT(qGray(enabled.pixel(8 + 16 * 2, 4)), 140);
    // the highlight lies behind slot 3 only
    EXPECT_NE(enabled.pixelColor(16 * 3 + 2, 2).rgb(), QColor(Qt::white).rgb()) << "highlight behind the chosen slot";
    EXPECT_EQ(enabled.pixelColor(16 * 4 + 2, 2).rgb(), QColor(Qt::white).rgb());
    // the cross in slot 0
    const int crossGray = qGray(enabled.pixel(8, 8));
    EXPECT_LT(crossGray, 160);

    picker.setColorLabelType(-1);
    const QImage none = render(picker);
    for (int slot = 0; slot < 8; ++slot)
        EXPECT_EQ(none.pixelColor(16 * slot + 2, 2).rgb(), QColor(Qt::white).rgb()) << "no highlight for -1";

    picker.setColorLabelType(0);
    const QImage zero = render(picker);
    EXPECT_NE(zero.pixelColor(2, 2).rgb(), QColor(Qt::white).rgb()) << "0 highlights the cross slot";

    picker.setColorLabelType(5);
    picker.setEnabled(false);
    const QImage disabled = render(picker);
    EXPECT_EQ(disabled.pixelColor(16 * 5 + 2, 2).rgb(), QColor(Qt::white).rgb()) << "no highlight when disabled";
    EXPECT_GT(qGray(disabled.pixel(8, 8)), crossGray) << "the cross at opacity 0.4";
    for (int type = 1; type <= 7; ++type) {
        const QColor label = NTXColorLabelColors::getLabelColorForLabelType(type);
        const QColor dot = disabled.pixelColor(8 + 16 * type, 8);
        // alpha 0.4 over white
        EXPECT_NEAR(dot.red(), 0.4 * label.red() + 0.6 * 255, 2) << type;
        EXPECT_NEAR(dot.green(), 0.4 * label.green() + 0.6 * 255, 2) << type;
        EXPECT_NEAR(dot.blue(), 0.4 * label.blue() + 0.6 * 255, 2) << type;
    }
    // grey outlines instead of black
    EXPECT_GT(qGray(disabled.pixel(8 + 16 * 2, 4)), qGray(enabled.pixel(8 + 16 * 2, 4)));
}

TEST(ColorLabelWidgetCell, TintColoursFollowTheColourVariant)
{
    testsupport::ScopedXdgHome home;
    platform::UserDefaults &defaults = platform::UserDefaults::standardUserDefaults();
    const QString key = NTXColorLabelWidgetCell::AquaColorVariantKey;
    ASSERT_FALSE(defaults.persistentValues().contains(key)) << "Linux has no such system setting";

    // absent: the default (blue) variant
    NTXColorLabelWidgetCell::setUpColors();
    EXPECT_EQ(NTXColorLabelWidgetCell::borderColor(), QColor::fromRgbF(96 / 255.f, 143 / 255.f, 192 / 255.f, 1.f));
    EXPECT_EQ(NTXColorLabelWidgetCell::fillColor(), QColor::fromRgbF(111 / 255.f, 166 / 255.f, 223 / 255.f, .75f));

    // graphite, announced by the control-tint notification
    defaults.registerDefaults({{key, 6}});
    platform::NotificationCenter::defaultCenter().post(NTXColorLabelWidgetCell::ControlTintDidChangeNotification);
    EXPECT_EQ(NTXColorLabelWidgetCell::borderColor(), QColor::fromRgbF(155 / 255.f, 165 / 255.f, 172 / 255.f, 1.f));
    EXPECT_EQ(NTXColorLabelWidgetCell::fillColor(), QColor::fromRgbF(188 / 255.f, 195 / 255.f, 201 / 255.f, .75f));

    // any other variant: blue again
    defaults.registerDefaults({{key, 1}});
    NTXColorLabelWidgetCell::updateTint();
    EXPECT_EQ(NTXColorLabelWidgetCell::borderColor(), QColor::fromRgbF(96 / 255.f, 143 / 255.f, 192 / 255.f, 1.f));
    defaults.registerDefaults({{key, QVariant()}});
    NTXColorLabelWidgetCell::updateTint();
    EXPECT_NEAR(NTXColorLabelWidgetCell::fillColor().alphaF(), 0.75, 1e-4);
}

#include "TestColorLabelWidget.moc"
