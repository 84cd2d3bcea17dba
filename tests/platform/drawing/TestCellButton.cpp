// Button cells: types, state as value, clicks and drawing through the style.
#include "platform/drawing/ButtonCell.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

using platform::ButtonCell;
using platform::Cell;

namespace {

QImage render(const ButtonCell &cell, const QSize &size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    cell.drawWithFrame(painter, QRectF(QPointF(0, 0), QSizeF(size)), nullptr);
    return image;
}

} // namespace

TEST(ButtonCell, CheckBoxKeepsStateAndValueTogether)
{
    ButtonCell box(QStringLiteral("Check"), ButtonCell::ButtonType::Switch);
    EXPECT_EQ(box.intValue(), 0);
    box.setState(Cell::State::On);
    EXPECT_EQ(box.intValue(), 1);
    box.setObjectValue(false);
    EXPECT_EQ(box.state(), Cell::State::Off);
    box.setObjectValue(QStringLiteral("1"));
    EXPECT_EQ(box.state(), Cell::State::On);
    box.setAllowsMixedState(true);
    box.setIntValue(-1);
    EXPECT_EQ(box.state(), Cell::State::Mixed);
    EXPECT_EQ(box.title(), QStringLiteral("Check")) << "the title is not the value";
}

TEST(ButtonCell, ActivateFollowsTheButtonType)
{
    ButtonCell push(QStringLiteral("Push"));
    push.activate(nullptr);
    EXPECT_EQ(push.state(), Cell::State::Off) << "a momentary button keeps no state";

    ButtonCell toggle(QStringLiteral("Toggle"), ButtonCell::ButtonType::PushOnPushOff);
    toggle.activate(nullptr);
    EXPECT_EQ(toggle.state(), Cell::State::On);
    toggle.activate(nullptr);
    EXPECT_EQ(toggle.state(), Cell::State::Off);

    ButtonCell radio(QStringLiteral("Radio"), ButtonCell::ButtonType::Radio);
    radio.activate(nullptr);
    radio.activate(nullptr);
    EXPECT_EQ(radio.state(), Cell::State::On) << "a click never turns a radio button off";

    ButtonCell disabled(QStringLiteral("Off"), ButtonCell::ButtonType::Switch);
    disabled.setEnabled(false);
    disabled.activate(nullptr);
    EXPECT_EQ(disabled.state(), Cell::State::Off);
}

TEST(ButtonCell, ToggleShowsItsAlternateTitleWhenOn)
{
    ButtonCell toggle(QStringLiteral("Start"), ButtonCell::ButtonType::Toggle);
    toggle.setAlternateTitle(QStringLiteral("Stop the counter now"));
    const qreal offWidth = toggle.cellSize().width();
    toggle.setState(Cell::State::On);
    EXPECT_GT(toggle.cellSize().width(), offWidth);
}

TEST(ButtonCell, CloneKeepsTypeAndTitles)
{
    ButtonCell box(QStringLiteral("Box"), ButtonCell::ButtonType::Switch);
    box.setAlternateTitle(QStringLiteral("Alt"));
    box.setState(Cell::State::On);
    std::unique_ptr<Cell> copy = box.clone();
    auto *button = dynamic_cast<ButtonCell *>(copy.get());
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->buttonType(), ButtonCell::ButtonType::Switch);
    EXPECT_EQ(button->alternateTitle(), QStringLiteral("Alt"));
    EXPECT_EQ(button->state(), Cell::State::On);
}

TEST(ButtonCell, CheckedAndUncheckedBoxesDrawDifferently)
{
    ButtonCell box(QStringLiteral("Box"), ButtonCell::ButtonType::Switch);
    const QSize size = box.cellSize().toSize();
    ASSERT_GT(size.width(), 10);
    ASSERT_GT(size.height(), 8);
    const QImage off = render(box, size);
    box.setState(Cell::State::On);
    const QImage on = render(box, size);
    EXPECT_NE(off, on);
    // the indicator sits left of the title
    const QRectF indicator = box.imageRectForBounds(QRectF(QPointF(0, 0), QSizeF(size)));
    const QRectF title = box.titleRectForBounds(QRectF(QPointF(0, 0), QSizeF(size)));
    EXPECT_LT(indicator.right(), title.left() + 1);
}

TEST(ButtonCell, PushButtonDrawsABevelAndPressedDiffers)
{
    ButtonCell push(QStringLiteral("OK"));
    const QSize size(80, 28);
    const QImage raised = render(push, size);
    push.setHighlighted(true);
    const QImage pressed = render(push, size);
    EXPECT_NE(raised, pressed);
    // the bevel reaches the edges of the frame
    int edge = 0;
    for (int x = 0; x < size.width(); ++x)
        edge += raised.pixel(x, size.height() / 2) != qRgb(255, 255, 255);
    EXPECT_GT(edge, 4);
    EXPECT_GE(push.cellSize().width(), QFontMetrics(push.font()).horizontalAdvance(QStringLiteral("OK")));
}
