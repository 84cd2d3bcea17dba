// Rows of the width layout at their edges, with tabs whose desired widths the test
// chooses: the two-tab rule, a tab that fills the row exactly, and a tab that fits
// exactly at the minimum width. Every expected width is worked out by hand from the
// layout rules, never by the layout's own arithmetic.
#include "TabBarControlTestSupport.h"

#include "components/tabbarcontrol/VTTabBarCell.h"
#include "components/tabbarcontrol/styles/VTMetalTabStyle.h"

#include <gtest/gtest.h>

using namespace tabbarcontroltest;

namespace {

// The Metal look, with a tab's desired width read from its title ("60" is 60 wide).
class TitledWidthStyle : public VTMetalTabStyle
{
public:
    qreal desiredWidthOfTabCell(const VTTabBarCell *cell) const override { return cell->title().toDouble(); }
};

struct Row
{
    const char *name;
    int available; // the room for tabs (the Metal bar keeps 10 + 24 of its width)
    bool sizeCellsToFit;
    int minimum;
    QStringList desired;
    QList<qreal> widths; // of the visible tabs, left to right
    int overflowed;
};

} // namespace

TEST(TabBarControlWidthRows, EdgesOfTheRow)
{
    const Row rows[] = {
        // Two tabs in 150, 130 each: one would show, so the two-tab rule gives the
        // first at most half and the second the rest.
        {"two wide tabs share the row", 150, false, 100, {"200", "200"}, {75, 75}, 0},
        {"two narrow tabs widen the first", 150, false, 100, {"60", "60"}, {90, 60}, 0},
        {"a narrow first leaves the rest to the second", 150, false, 100, {"50", "200"}, {50, 100}, 0},
        // 40 + 60 + 50 is exactly 150: a tab fits only below the room, so the third
        // goes through the shrinking (the 60 gives a pixel) and the pixel left over
        // goes to the first tab.
        {"three tabs that fill the row exactly", 150, true, 20, {"40", "60", "50"}, {41, 59, 50}, 0},
        {"the same three with a pixel to spare", 151, true, 20, {"40", "60", "50"}, {40, 60, 50}, 0},
        // Three tabs of 100, minimum 50: the third fits exactly at the minimum
        // (room 150 = 50 + 50 + 50), so all three shrink to 50; a fourth does not.
        {"the third fits exactly at the minimum", 150, true, 50, {"100", "100", "100"}, {50, 50, 50}, 0},
        {"a fourth overflows", 150, true, 50, {"100", "100", "100", "100"}, {50, 50, 50}, 1},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        Bar bar(row.available + 34);
        bar.control->setStyle(std::make_shared<TitledWidthStyle>());
        bar.control->setSizeCellsToFit(row.sizeCellsToFit);
        bar.control->setCellMinWidth(row.minimum);
        for (const QString &title : row.desired)
            bar.add(title);
        ASSERT_EQ(bar.control->controller()->cellFrameAtIndex(0).x(), 10); // the style's left margin
        QList<qreal> widths;
        int overflowed = 0;
        for (const auto &cell : bar.control->cells()) {
            if (cell->isInOverflowMenu())
                ++overflowed;
            else
                widths.append(cell->frame().width());
        }
        EXPECT_EQ(widths, row.widths);
        EXPECT_EQ(overflowed, row.overflowed);
    }
}
