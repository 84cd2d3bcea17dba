// Controls: a widget around one cell, with mouse, keys, enabled state and values.
#include "tests/support/QtWarningCheck.h"
#include "platform/drawing/ButtonCell.h"
#include "platform/drawing/Control.h"

#include "platform/drawing/ActionDispatch.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/ExceptionBoundary.h"
#include "tests/support/ExceptionLog.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using platform::ButtonCell;
using platform::Cell;
using platform::Control;

namespace {

class ClickTarget : public QObject
{
    Q_OBJECT
public:
    int clicks = 0;
    QObject *sender = nullptr;
    Q_INVOKABLE void buttonPressed(QObject *from)
    {
        ++clicks;
        sender = from;
    }
};

std::unique_ptr<Control> makeCheckBox(ClickTarget &target)
{
    auto control = std::make_unique<Control>(
        std::make_unique<ButtonCell>(QStringLiteral("Check"), ButtonCell::ButtonType::Switch));
    control->setTarget(&target);
    control->setAction("buttonPressed:");
    control->sizeToFit();
    return control;
}

} // namespace

TEST(Control, ReleaseInsideCompletesTheClickAndSendsTheAction)
{
    ClickTarget target;
    auto control = makeCheckBox(target);
    const QPoint inside = control->rect().center();
    QTest::mousePress(control.get(), Qt::LeftButton, Qt::NoModifier, inside);
    EXPECT_TRUE(control->cell()->isHighlighted()) << "a press highlights";
    EXPECT_EQ(target.clicks, 0) << "nothing is sent before the release";
    QTest::mouseRelease(control.get(), Qt::LeftButton, Qt::NoModifier, inside);
    EXPECT_FALSE(control->cell()->isHighlighted());
    EXPECT_EQ(target.clicks, 1);
    EXPECT_EQ(target.sender, control.get());
    EXPECT_EQ(control->state(), Cell::State::On);
    EXPECT_EQ(control->intValue(), 1);
}

TEST(Control, ReleaseOutsideCancelsTheClick)
{
    ClickTarget target;
    auto control = makeCheckBox(target);
    QTest::mousePress(control.get(), Qt::LeftButton, Qt::NoModifier, control->rect().center());
    QMouseEvent move(QEvent::MouseMove, QPointF(-20, -20), control->mapToGlobal(QPointF(-20, -20)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(control.get(), &move);
    EXPECT_FALSE(control->cell()->isHighlighted()) << "moving out takes the highlight away";
    QTest::mouseRelease(control.get(), Qt::LeftButton, Qt::NoModifier, QPoint(-20, -20));
    EXPECT_EQ(target.clicks, 0);
    EXPECT_EQ(control->state(), Cell::State::Off);
}

TEST(Control, SpaceAndReturnOnTheFocusedControlClick)
{
    ClickTarget target;
    auto control = makeCheckBox(target);
    EXPECT_EQ(control->focusPolicy(), Qt::StrongFocus);
    QSignalSpy activated(control.get(), &Control::activated);
    QTest::keyClick(control.get(), Qt::Key_Space);
    EXPECT_EQ(target.clicks, 1);
    EXPECT_EQ(control->state(), Cell::State::On);
    QTest::keyClick(control.get(), Qt::Key_Return);
    EXPECT_EQ(target.clicks, 2);
    EXPECT_EQ(control->state(), Cell::State::Off);
    QTest::keyClick(control.get(), Qt::Key_A);
    EXPECT_EQ(target.clicks, 2);
    EXPECT_EQ(activated.count(), 2);
}

TEST(Control, DisabledControlIgnoresMouseAndKeys)
{
    ClickTarget target;
    auto control = makeCheckBox(target);
    control->setEnabled(false);
    EXPECT_FALSE(control->cell()->isEnabled()) << "the cell follows the widget";
    // QTest says so when a widget declines an event: here that is the point.
    const testsupport::ExpectedQtWarning declined(QStringLiteral("event.* not accepted by receiving widget"));
    QTest::mouseClick(control.get(), Qt::LeftButton, Qt::NoModifier, control->rect().center());
    QTest::keyClick(control.get(), Qt::Key_Space);
    control->performClick();
    EXPECT_EQ(target.clicks, 0);
    EXPECT_EQ(declined.count(), 4) << "mouse and key, press and release, were all declined";
    control->setEnabled(true);
    EXPECT_TRUE(control->cell()->isEnabled());
}

TEST(Control, ValueAccessorsForwardToTheCell)
{
    Control control;
    control.setStringValue(QStringLiteral("3.5 hours"));
    EXPECT_EQ(control.cell()->stringValue(), QStringLiteral("3.5 hours"));
    EXPECT_EQ(control.intValue(), 3);
    EXPECT_DOUBLE_EQ(control.doubleValue(), 3.5);
    control.setIntValue(9);
    EXPECT_EQ(control.stringValue(), QStringLiteral("9"));
    control.setTag(4);
    EXPECT_EQ(control.cell()->tag(), 4);
    EXPECT_EQ(control.focusPolicy(), Qt::NoFocus) << "a plain text cell takes no focus";

    const QSize before = control.sizeHint();
    control.setStringValue(QStringLiteral("a much longer text than before"));
    EXPECT_GT(control.sizeHint().width(), before.width());
}

TEST(Control, PerformClickIsAnActionOfItsOwn)
{
    ClickTarget target;
    auto control = makeCheckBox(target);
    EXPECT_TRUE(platform::sendAction("performClick:", control.get(), nullptr));
    EXPECT_EQ(target.clicks, 1);
}

TEST(Control, PaintsTheCell)
{
    ClickTarget target;
    auto control = makeCheckBox(target);
    const QImage off = control->grab().toImage();
    control->setState(Cell::State::On);
    const QImage on = control->grab().toImage();
    EXPECT_FALSE(off.isNull());
    EXPECT_NE(off, on);
}

namespace {

class FailingClickTarget : public QObject
{
    Q_OBJECT
public:
    int calls = 0;
    Q_INVOKABLE void buttonPressed(QObject *)
    {
        ++calls;
        throw platform::Exception(platform::Exception::InvalidArgumentException, QStringLiteral("no such group"));
    }
};

} // namespace

// A control's target-action send from a mouse click and from a key: the target's
// exception stops at the send, the click completes (the cell is no longer highlighted,
// the state has turned), and the control keeps answering.
TEST(Control, AnActionThatRaisesLeavesTheClickComplete)
{
    testsupport::ExceptionLog log;
    const int before = platform::ExceptionBoundary::caughtCount();
    FailingClickTarget target;
    auto control = std::make_unique<Control>(
        std::make_unique<ButtonCell>(QStringLiteral("Check"), ButtonCell::ButtonType::Switch));
    control->setTarget(&target);
    control->setAction("buttonPressed:");
    control->sizeToFit();
    const QPoint inside = control->rect().center();
    QTest::mouseClick(control.get(), Qt::LeftButton, Qt::NoModifier, inside);
    EXPECT_EQ(target.calls, 1);
    EXPECT_FALSE(control->cell()->isHighlighted());
    EXPECT_EQ(control->state(), Cell::State::On);
    EXPECT_EQ(platform::ExceptionBoundary::caughtCount(), before + 1);

    control->setFocus();
    QTest::keyClick(control.get(), Qt::Key_Space);
    EXPECT_EQ(target.calls, 2);
    EXPECT_EQ(control->state(), Cell::State::Off);
    QTest::mouseClick(control.get(), Qt::LeftButton, Qt::NoModifier, inside);
    EXPECT_EQ(target.calls, 3);
    EXPECT_EQ(platform::ExceptionBoundary::caughtCount(), before + 3);
    EXPECT_EQ(log.messages().size(), 3);
    EXPECT_TRUE(log.allStoppedAtTheirEntries()) << log.messages().join(QLatin1Char('\n')).toStdString();
}

#include "TestControl.moc"
