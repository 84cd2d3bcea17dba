// The backdrop views read back from their pixels: the box's border lines, a decoded
// box's thinnest lines, the base view's placeholder, the banded background, and the
// centring clip view's arithmetic.
#include "NTXAppKit/NTXContainerBox/NTXBaseView.h"
#include "NTXAppKit/NTXContainerBox/NTXCenteringClipView.h"
#include "NTXAppKit/NTXContainerBox/NTXColorBackgroundView.h"
#include "NTXAppKit/NTXContainerBox/NTXContainerBox.h"
#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"

#include <QImage>
#include <QPainter>
#include <QScrollBar>
#include <QSet>
#include <gtest/gtest.h>
#include <memory>

namespace {

bool isRed(QRgb pixel)
{
    return qRed(pixel) > 200 && qGreen(pixel) < 60;
}

bool isWhite(QRgb pixel)
{
    return qRed(pixel) == 255 && qGreen(pixel) == 255 && qBlue(pixel) == 255;
}

void plainColours(NTXContainerBox &box)
{
    box.setBackgroundColor(Qt::white);
    box.setBorderColor(Qt::red);
    box.setHasGradient(false);
}

TEST(ContainerBox, FramesOnePixelWithAllFourLinesAndUsesTheWidthsOtherwise)
{
    NTXContainerBox box;
    box.resize(40, 30);
    plainColours(box);
    for (auto setWidth : {&NTXContainerBox::setTopLineWidth, &NTXContainerBox::setBottomLineWidth,
                          &NTXContainerBox::setLeftLineWidth, &NTXContainerBox::setRightLineWidth})
        (box.*setWidth)(6);
    QImage image = box.grab().toImage();
    EXPECT_TRUE(isRed(image.pixel(20, 0)) && isRed(image.pixel(20, 29)));
    EXPECT_TRUE(isRed(image.pixel(0, 15)) && isRed(image.pixel(39, 15)));
    EXPECT_TRUE(isWhite(image.pixel(20, 1)) && isWhite(image.pixel(1, 15)) && isWhite(image.pixel(38, 15)));

    // without the bottom line: the inner half of each line shows
    box.setHasBottomLine(false);
    box.setTopLineWidth(4);
    box.setRightLineWidth(2);
    image = box.grab().toImage();
    EXPECT_TRUE(isRed(image.pixel(20, 1)));
    EXPECT_TRUE(isWhite(image.pixel(20, 2)));
    EXPECT_TRUE(isRed(image.pixel(2, 15)));
    EXPECT_TRUE(isWhite(image.pixel(3, 15)));
    EXPECT_TRUE(isRed(image.pixel(39, 15)));
    EXPECT_TRUE(isWhite(image.pixel(38, 15)));
    EXPECT_TRUE(isWhite(image.pixel(20, 29)));
}

TEST(ContainerBox, DecodedDrawsTheThinnestLines)
{
    NTXContainerBox original;
    plainColours(original);
    original.setHasBottomLine(false);
    platform::KeyedArchiver archiver;
    original.encodeWithCoder(archiver);
    const auto data = archiver.finishEncoding();
    ASSERT_TRUE(data);
    platform::KeyedUnarchiver unarchiver(*data);
    std::unique_ptr<NTXContainerBox> box(NTXContainerBox::fromCoder(unarchiver));
    ASSERT_TRUE(box);
    EXPECT_EQ(box->topLineWidth(), 0);
    EXPECT_FALSE(box->hasBottomLine());
    box->resize(40, 30);
    const QImage image = box->grab().toImage();
    EXPECT_FALSE(isWhite(image.pixel(20, 0)));
    EXPECT_TRUE(isWhite(image.pixel(20, 1)));
    EXPECT_FALSE(isWhite(image.pixel(0, 15)));
    EXPECT_TRUE(isWhite(image.pixel(1, 15)));
}

TEST(BaseView, ChildWidgetsHideTheCentredPlaceholder)
{
    NTXBaseView view;
    view.resize(300, 200);
    plainColours(view);
    auto placeholderPixels = [&](QRect *bounds) {
        const QImage image = view.grab().toImage();
        int count = 0;
        for (int y = 2; y < 198; ++y)
            for (int x = 2; x < 298; ++x)
                if (!isWhite(image.pixel(x, y))) {
                    ++count;
                    *bounds |= QRect(x, y, 1, 1);
                }
        return count;
    };
    QRect drawn;
    EXPECT_GT(placeholderPixels(&drawn), 50);
    EXPECT_NEAR(drawn.center().x(), 150, 3);
    EXPECT_NEAR(drawn.center().y(), 100, 4);

    auto *child = new QWidget(&view);
    child->setGeometry(0, 0, 1, 1);
    QRect none;
    EXPECT_EQ(placeholderPixels(&none), 0);
}

TEST(ColorBackgroundView, PaintsOneBandPerWholePoint)
{
    NTXColorBackgroundView view;
    view.resize(20, 10);
    view.setBackgroundColor(QColor::fromRgbF(0.2f, 0.4f, 0.6f));
    view.setBlended(true);
    const QImage image = view.grab().toImage();
    QSet<QRgb> bands;
    for (int y = 0; y < 10; ++y)
        bands.insert(image.pixel(5, y));
    EXPECT_EQ(bands.size(), 10);
    EXPECT_NEAR(qRed(image.pixel(5, 9)), 0.208 * 255, 1); // the bottom band: 1 % towards white
    EXPECT_GT(qRed(image.pixel(5, 0)), qRed(image.pixel(5, 1)));

    QImage untouched(20, 10, QImage::Format_RGB32);
    untouched.fill(Qt::green);
    {
        QPainter painter(&untouched);
        view._drawRect(painter, QRectF(0, 0, 20, 0.9), Qt::black, Qt::white);
    }
    EXPECT_EQ(untouched.pixel(5, 0), QColor(Qt::green).rgb());
}

TEST(CenteringClipView, CentresANarrowDocumentAndKeepsItsVerticalScroll)
{
    NTXCenteringClipView clip;
    clip.resize(300, 200);
    auto *document = new QWidget;
    document->resize(100, 400);
    clip.setDocumentView(document);
    clip.show();
    clip.verticalScrollBar()->setValue(50);
    const int expectedX = int(std::round((100 - clip.viewport()->width()) * 0.5));
    EXPECT_EQ(clip.boundsOrigin(), QPointF(expectedX, 50));
    EXPECT_EQ(document->pos(), QPoint(-expectedX, -50));
    EXPECT_EQ(clip.constrainScrollPoint(QPointF(7, 900)), QPointF(expectedX, 400 - clip.viewport()->height()));
}

} // namespace
