// How the pop-up of a collapsed group draws its title.
#include "components/scopebar/SRButtonCell.h"
#include "components/scopebar/SRPopUpButtonCell.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

namespace {

const QRectF Frame(0, 2, 120, SRButtonCell::Height);
constexpr int Background = 230; // the bar's light grey

QImage draw(const platform::Cell &cell)
{
    QImage image(130, 24, QImage::Format_ARGB32);
    image.fill(QColor(Background, Background, Background));
    QPainter painter(&image);
    cell.drawWithFrame(painter, Frame, nullptr);
    return image;
}

struct Title
{
    int lightest = 0;
    int darkest = 255;
    int topDarkRow = -1; // the first row with a text pixel darker than 100
};

// The title's pixels: left of the arrow, inside the frame's padding.
Title titleOf(const QImage &image)
{
    Title title;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = int(SRButtonCell::Padding); x < 60; ++x) {
            const int grey = qGray(image.pixel(x, y));
            title.lightest = std::max(title.lightest, grey);
            title.darkest = std::min(title.darkest, grey);
            if (grey < 100 && title.topDarkRow < 0)
                title.topDarkRow = y;
        }
    }
    return title;
}

TEST(ScopeBarCells, PopUpTitleIsWhiteOnItsCapsuleAndDarkWithout)
{
    SRPopUpButtonCell popUp;
    popUp.setMenuItem(u"MMMM"_qs, QIcon());

    // With its capsule (a selection shows, or the pointer is over it): white title.
    popUp.setShowsBorderOnlyWhileMouseInside(false);
    const Title capsuled = titleOf(draw(popUp));
    EXPECT_GE(capsuled.lightest, 250);

    // Without (nothing selected and the pointer away): white on the bar's light grey
    // could not be read, so the title is dark grey as on a plain button.
    popUp.setShowsBorderOnlyWhileMouseInside(true);
    const Title bare = titleOf(draw(popUp));
    EXPECT_LE(bare.darkest, 80);
    popUp.mouseEntered(nullptr);
    EXPECT_GE(titleOf(draw(popUp)).lightest, 250);
    popUp.mouseExited(nullptr);

    // One point higher than a button's title in the same frame.
    SRButtonCell button;
    button.setTitle(u"MMMM"_qs);
    const Title buttonTitle = titleOf(draw(button));
    ASSERT_GE(buttonTitle.topDarkRow, 0);
    EXPECT_EQ(bare.topDarkRow, buttonTitle.topDarkRow - 1);
}

} // namespace
