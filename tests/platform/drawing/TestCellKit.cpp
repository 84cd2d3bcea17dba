// The pieces of the cell kit that themed controls build on: button masks, archived
// cell settings, pop-up items and selection, segments, image scaling, enter and leave
// events, the no-selection marker and the system colours.
#include "platform/archive/Coding.h"
#include "platform/archive/CodingRegistry.h"
#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"
#include "platform/drawing/ImageScaling.h"
#include "platform/drawing/PopUpButton.h"
#include "platform/drawing/SegmentedControl.h"
#include "platform/drawing/SystemColors.h"
#include "platform/foundation/BindingMarkers.h"

#include <QAction>
#include <QApplication>
#include <QEnterEvent>
#include <QMenu>
#include <QPalette>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace platform;

namespace {

TEST(CellKit, ButtonTypesSetTheirMasks)
{
    using Type = ButtonCell::ButtonType;
    const struct { Type type; int number; unsigned highlights; unsigned shows; } rows[] = {
        {Type::MomentaryLight, 0, 12, 0}, {Type::PushOnPushOff, 1, 14, 12}, {Type::Toggle, 2, 3, 1},
        {Type::Switch, 3, 1, 1},          {Type::Radio, 4, 1, 1},           {Type::MomentaryChange, 5, 1, 0},
        {Type::OnOff, 6, 12, 12},         {Type::MomentaryPushIn, 7, 14, 0}};
    for (const auto &row : rows) {
        ButtonCell cell;
        cell.setButtonType(row.type);
        EXPECT_EQ(static_cast<int>(row.type), row.number);
        EXPECT_EQ(cell.highlightsBy(), row.highlights) << row.number;
        EXPECT_EQ(cell.showsStateBy(), row.shows) << row.number;
    }
    EXPECT_EQ(static_cast<int>(ButtonCell::BezelStyle::TexturedSquare), 8);
    EXPECT_EQ(static_cast<int>(ButtonCell::BezelStyle::TexturedRounded), 11);
    EXPECT_EQ(static_cast<int>(ButtonCell::BezelStyle::RoundRect), 12);
    EXPECT_EQ(static_cast<int>(ButtonCell::BezelStyle::Recessed), 13);
}

// Archives a cell of the kit as an object of its own.
template <class CellClass> class Archived : public CellClass, public Coding
{
public:
    QString classNameForCoder() const override { return QStringLiteral("Archived"); }
    void encodeWithCoder(Coder &coder) const override { CellClass::encodeWithCoder(coder); }
    bool initWithCoder(Coder &coder) override { return CellClass::initWithCoder(coder); }
};

template <class CellClass> std::shared_ptr<Archived<CellClass>> roundTrip(const std::shared_ptr<Archived<CellClass>> &cell)
{
    CodingRegistry::registerClass<Archived<CellClass>>(QStringLiteral("Archived"));
    const auto data = KeyedArchiver::archivedData(cell);
    EXPECT_TRUE(data);
    return data ? KeyedUnarchiver::unarchivedObject<Archived<CellClass>>(*data) : nullptr;
}

TEST(CellKit, CellsArchiveTheirSettings)
{
    auto button = std::make_shared<Archived<ButtonCell>>();
    button->setTitle(QStringLiteral("Start"));
    button->setAlternateTitle(QStringLiteral("Stop"));
    button->setButtonType(ButtonCell::ButtonType::Switch);
    button->setHighlightsBy(4);
    button->setBezelStyle(ButtonCell::BezelStyle::Recessed);
    button->setState(Cell::State::On);
    button->setTag(42);
    button->setEnabled(false);
    button->setControlSize(Cell::ControlSize::Small);
    button->setBackgroundStyle(Cell::BackgroundStyle::Dark);
    button->setAction("start:");
    const auto read = roundTrip(button);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->title(), QStringLiteral("Start"));
    EXPECT_EQ(read->alternateTitle(), QStringLiteral("Stop"));
    EXPECT_EQ(read->buttonType(), ButtonCell::ButtonType::Switch);
    EXPECT_EQ(read->highlightsBy(), 4u);
    EXPECT_EQ(read->showsStateBy(), 1u);
    EXPECT_EQ(read->bezelStyle(), ButtonCell::BezelStyle::Recessed);
    EXPECT_EQ(read->state(), Cell::State::On);
    EXPECT_EQ(read->intValue(), 1);
    EXPECT_EQ(read->tag(), 42);
    EXPECT_FALSE(read->isEnabled());
    EXPECT_EQ(read->controlSize(), Cell::ControlSize::Small);
    EXPECT_EQ(read->backgroundStyle(), Cell::BackgroundStyle::Dark);
    EXPECT_EQ(read->action(), QByteArray("start:"));
    EXPECT_EQ(read->alignment(), button->alignment());

    // a value of the wrong kind refuses the whole cell
    KeyedArchiver archiver;
    archiver.encodeObject(QVariant(QStringLiteral("seven")), QStringLiteral("NSControlSize"));
    KeyedUnarchiver unarchiver(*archiver.finishEncoding());
    ButtonCell refused(QStringLiteral("Kept"));
    EXPECT_FALSE(refused.initWithCoder(unarchiver));
    EXPECT_EQ(refused.title(), QStringLiteral("Kept"));
}

TEST(CellKit, PopUpItemsSelectionAndArchive)
{
    auto cell = std::make_shared<Archived<PopUpButtonCell>>();
    EXPECT_EQ(cell->indexOfSelectedItem(), -1);
    cell->addItemsWithTitles({QStringLiteral("Day"), QStringLiteral("Week"), QStringLiteral("Month")});
    EXPECT_EQ(cell->titleOfSelectedItem(), QStringLiteral("Day"));
    PopUpButtonCell::setTagOfItem(cell->itemAtIndex(2), 30);
    cell->itemAtIndex(1)->setData(QStringLiteral("week"));
    EXPECT_EQ(cell->indexOfItemWithTag(30), 2);
    EXPECT_EQ(cell->indexOfItemWithRepresentedObject(QStringLiteral("week")), 1);
    EXPECT_TRUE(cell->selectItemWithTag(30));
    EXPECT_EQ(cell->title(), QStringLiteral("Month"));
    EXPECT_EQ(cell->intValue(), 2);
    cell->removeItemAtIndex(2);
    EXPECT_EQ(cell->titleOfSelectedItem(), QStringLiteral("Day"));
    cell->selectItemAtIndex(1);

    const auto copy = cell->clone();
    auto *copied = static_cast<PopUpButtonCell *>(copy.get());
    EXPECT_NE(copied->menu(), cell->menu());
    EXPECT_EQ(copied->itemTitles(), cell->itemTitles());
    EXPECT_EQ(copied->selectedItem()->data(), QVariant(QStringLiteral("week")));

    const auto read = roundTrip(cell);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->itemTitles(), QStringList({QStringLiteral("Day"), QStringLiteral("Week")}));
    EXPECT_EQ(read->indexOfSelectedItem(), 1);

    cell->setPullsDown(true);
    EXPECT_EQ(cell->title(), QStringLiteral("Day"));
    cell->itemChosen(cell->itemAtIndex(0));
    EXPECT_EQ(cell->indexOfSelectedItem(), 1);

    // Emptying the menu of its own items (as decoding items into it does) frees each once.
    cell->removeAllItems();
    EXPECT_EQ(cell->numberOfItems(), 0);
    EXPECT_EQ(cell->selectedItem(), nullptr);
}

TEST(CellKit, PopUpButtonSelectsTheChosenItemAndSendsItsAction)
{
    PopUpButton button;
    button.addItemsWithTitles({QStringLiteral("A"), QStringLiteral("B")});
    QSignalSpy chosen(&button, &PopUpButton::itemChosen);
    QSignalSpy activated(&button, &Control::activated);
    button.menu()->actions().at(1)->trigger();
    EXPECT_EQ(chosen.count(), 1);
    EXPECT_EQ(activated.count(), 1);
    EXPECT_EQ(button.titleOfSelectedItem(), QStringLiteral("B"));
}

TEST(CellKit, SegmentsShareTheWidthAndAClickSelects)
{
    SegmentedControl control;
    control.resize(200, 24);
    control.setSegmentCount(3);
    control.setWidth(50, 0);
    EXPECT_EQ(control.rectForSegment(0), QRectF(0, 0, 50, 24));
    EXPECT_EQ(control.rectForSegment(1), QRectF(50, 0, 75, 24));
    EXPECT_EQ(control.rectForSegment(2), QRectF(125, 0, 75, 24));
    EXPECT_TRUE(control.rectForSegment(3).isEmpty());
    QSignalSpy changed(&control, &SegmentedControl::selectedSegmentChanged);
    QTest::mouseClick(&control, Qt::LeftButton, {}, QPoint(150, 12));
    EXPECT_EQ(control.selectedSegment(), 2);
    EXPECT_EQ(changed.count(), 1);
    control.segmentedCell()->setEnabled(false, 1);
    QTest::mouseClick(&control, Qt::LeftButton, {}, QPoint(60, 12));
    EXPECT_EQ(control.selectedSegment(), 2);
    control.setSegmentCount(2);
    EXPECT_EQ(control.selectedSegment(), -1);
}

TEST(CellKit, ImageScalingRectangles)
{
    const QRectF frame(10, 10, 40, 20);
    EXPECT_EQ(scaledImageRect(QSizeF(80, 80), frame, ImageScaling::ProportionallyDown), QRectF(20, 10, 20, 20));
    EXPECT_EQ(scaledImageRect(QSizeF(8, 8), frame, ImageScaling::ProportionallyDown), QRectF(26, 16, 8, 8));
    EXPECT_EQ(scaledImageRect(QSizeF(8, 8), frame, ImageScaling::ProportionallyUpOrDown), QRectF(20, 10, 20, 20));
    EXPECT_EQ(scaledImageRect(QSizeF(8, 8), frame, ImageScaling::AxesIndependently), frame);
    EXPECT_EQ(scaledImageRect(QSizeF(8, 8), frame, ImageScaling::None, Qt::AlignLeft | Qt::AlignTop),
              QRectF(10, 10, 8, 8));
}

class CountingCell : public Cell
{
public:
    int entered = 0;
    int exited = 0;
    void mouseEntered(QWidget *) override { ++entered; }
    void mouseExited(QWidget *) override { ++exited; }
};

TEST(CellKit, ControlForwardsEnterAndLeave)
{
    auto owned = std::make_unique<CountingCell>();
    CountingCell *cell = owned.get();
    Control control(std::move(owned));
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QApplication::sendEvent(&control, &enter);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&control, &leave);
    EXPECT_EQ(cell->entered, 1);
    EXPECT_EQ(cell->exited, 1);
}

TEST(CellKit, NoSelectionMarkerAndSystemColours)
{
    EXPECT_TRUE(isNoSelectionMarker(noSelectionMarker()));
    EXPECT_FALSE(isNoSelectionMarker(QVariant()));
    EXPECT_FALSE(isNoSelectionMarker(QStringLiteral("NoSelection")));

    const QPalette palette = QApplication::palette();
    EXPECT_EQ(SystemColors::controlShadowColor(), palette.color(QPalette::Active, QPalette::Dark));
    EXPECT_EQ(SystemColors::disabledControlTextColor(), palette.color(QPalette::Disabled, QPalette::ButtonText));
    EXPECT_EQ(SystemColors::selectedControlColor(), palette.color(QPalette::Active, QPalette::Highlight));
    EXPECT_NEAR(SystemColors::darkGrayColor().redF(), 1.0 / 3.0, 0.002);
    EXPECT_EQ(SystemColors::blended(Qt::black, 0.5, Qt::white).red(), 128);
}

} // namespace
