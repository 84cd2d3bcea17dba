// Renders the drawing helpers side by side into one PNG in the build folder, for a
// person to look at; the test itself checks that the picture was written.
#include "tests/support/TestSupport.h"
#include "AppKitExtensions/NTXNSBezierPathExtension.h"
#include "AppKitExtensions/NTXNSColorExtension.h"
#include "AppKitExtensions/NTXNSGradientExtensions.h"
#include "AppKitExtensions/NTXNSImage_Extension.h"
#include "platform/drawing/BezierPathHelpers.h"
#include "platform/drawing/ButtonCell.h"
#include "platform/drawing/Cell.h"
#include "platform/drawing/Shadow.h"
#include "platform/drawing/YUpPainter.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPalette>
#include <QPainter>
#include <gtest/gtest.h>
#include <iostream>

using namespace NTXNSBezierPathExtension;

namespace {

constexpr int Width = 900;
constexpr int Height = 560;

void caption(QPainter &p, const QPointF &at, const QString &text)
{
    p.save();
    p.setPen(Qt::black);
    QFont font = p.font();
    font.setPixelSize(11);
    p.setFont(font);
    p.drawText(at, text);
    p.restore();
}

QImage sampleIcon()
{
    QImage icon(32, 32, QImage::Format_ARGB32_Premultiplied);
    icon.fill(Qt::transparent);
    QPainter p(&icon);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(30, 120, 40));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QRectF(2, 2, 28, 28));
    p.setBrush(QColor(250, 220, 60));
    p.drawRect(QRectF(10, 10, 12, 12));
    return icon;
}

} // namespace

TEST(Gallery, RendersTheDrawingHelpers)
{
    QImage image(Width, Height, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(250, 250, 250));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    // row 1: paths
    caption(p, {10, 16}, QStringLiteral("rounded, left-rounded, right-rounded (r = 10)"));
    p.setPen(QPen(QColor(20, 60, 160), 1.5));
    p.setBrush(QColor(180, 200, 240));
    p.drawPath(bezierPathWithRoundedRectangle(QRectF(10, 26, 90, 44), 10));
    QPainterPath left;
    appendBezierPathWithLeftRoundedRectangle(left, QRectF(110, 26, 90, 44), 10);
    p.drawPath(left);
    QPainterPath right;
    appendBezierPathWithRightRoundedRectangle(right, QRectF(210, 26, 90, 44), 10);
    p.drawPath(right);

    caption(p, {320, 16}, QStringLiteral("bleed marks 4-7, crop mark, crosses"));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::black, 1));
    for (int index = 4; index <= 7; ++index)
        p.drawPath(bezierPathWithBleedMarkInRect(QRectF(320 + (index - 4) * 36, 30, 28, 28), index));
    p.drawPath(bezierPathWithCropMarkInRect(QRectF(470, 22, 56, 56)));
    p.drawPath(bezierPathWithCrossInRect(QRectF(540, 26, 40, 40)));
    p.drawPath(bezierPathWith45CrossInRect(QRectF(590, 26, 40, 40)));

    caption(p, {650, 16}, QStringLiteral("arcs: ccw 0-270, cw 0-270, tangent"));
    QPainterPath ccw;
    ccw.moveTo(680, 50);
    platform::BezierPathHelpers::appendArcWithCenter(ccw, QPointF(680, 50), 22, 0, 270);
    ccw.closeSubpath();
    p.setBrush(QColor(240, 190, 120));
    p.drawPath(ccw);
    QPainterPath cw;
    cw.moveTo(740, 50);
    platform::BezierPathHelpers::appendArcWithCenter(cw, QPointF(740, 50), 22, 0, 270,
                                                     platform::BezierPathHelpers::ArcDirection::Clockwise);
    cw.closeSubpath();
    p.drawPath(cw);
    QPainterPath tangent;
    tangent.moveTo(780, 75);
    platform::BezierPathHelpers::appendArcFromPoint(tangent, QPointF(800, 28), QPointF(860, 75), 14);
    tangent.lineTo(860, 75);
    p.setBrush(Qt::NoBrush);
    p.drawPath(tangent);

    // row 2: gradients by type, vertical (angle 90: location 0 at the top of a y-down image)
    caption(p, {10, 106}, QStringLiteral("gradients 0, 1, 2, 3, 100, 200, 201 at 90 degrees; inactive 0"));
    const int types[] = {0, 1, 2, 3, 100, 200, 201};
    for (int i = 0; i < 7; ++i) {
        const QRectF bar(10 + i * 95, 114, 85, 60);
        p.fillRect(bar, QColor(60, 60, 60));
        NTXNSGradientExtensions::gradientByType(types[i])->drawInRect(p, bar, 90);
        caption(p, bar.bottomLeft() + QPointF(2, 12), QString::number(types[i]));
    }
    NTXNSGradientExtensions::inactiveGradientByType(0)->drawInRect(p, QRectF(680, 114, 85, 60), 90);
    NTXNSGradientExtensions::glassBarGradient()->drawInRectRelativeCenterPosition(p, QRectF(780, 114, 100, 60),
                                                                                  QPointF(0, 0));
    caption(p, {780, 186}, QStringLiteral("glass, radial"));

    // row 3: one-pixel lines at device pixel ratios 1 and 2, help paths
    caption(p, {10, 212}, QStringLiteral("pixel lines at ratio 1 and 2 (4x zoom); help path vs plain stroke"));
    for (int i = 0; i < 2; ++i) {
        const qreal ratio = i + 1;
        QImage tile(int(40 * ratio), int(30 * ratio), QImage::Format_ARGB32_Premultiplied);
        tile.setDevicePixelRatio(ratio);
        tile.fill(Qt::white);
        {
            QPainter tp(&tile);
            for (int position = 0; position < 6; position += 2)
                NTXNSColorExtension::bwDrawPixelThickLineAtPosition(Qt::black, tp, position, 2, QRectF(2, 2, 36, 26),
                                                                    nullptr, true, false);
            NTXNSColorExtension::bwDrawPixelThickLineAtPosition(Qt::red, tp, 0, 0, QRectF(2, 2, 36, 26), nullptr,
                                                                false, true);
        }
        QImage zoom = tile.scaled(tile.width() * 4 / int(ratio), tile.height() * 4 / int(ratio));
        zoom.setDevicePixelRatio(1);
        p.drawImage(QPointF(10 + i * 180, 220), zoom);
    }
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(Qt::black, 1));
    const QPainterPath diagonal = bezierPathWithLineFrom(QPointF(380, 230.3), QPointF(460, 330.7));
    p.drawPath(diagonal);
    p.translate(100, 0);
    strokeAsHelpPath(diagonal, p);
    p.resetTransform();

    // row 3 right: images
    caption(p, {600, 212}, QStringLiteral("icon, tinted red, darkened, swatches"));
    const QImage icon = sampleIcon();
    NTXNSImage_Extension::drawAtPoint(icon, p, QPointF(600, 224), QPainter::CompositionMode_SourceOver);
    NTXNSImage_Extension::drawAtPoint(NTXNSImage_Extension::bwTintedImageWithColor(icon, Qt::red), p, QPointF(640, 224),
                                      QPainter::CompositionMode_SourceOver);
    NTXNSImage_Extension::drawAtPoint(NTXNSImage_Extension::darkenedImageWithColor(icon, QColor(150, 150, 150)), p,
                                      QPointF(680, 224), QPainter::CompositionMode_SourceOver);
    NTXNSImage_Extension::drawAtPoint(icon, p, QPointF(720, 224), QPainter::CompositionMode_SourceOver, 0.3);
    p.drawImage(QPointF(770, 224), NTXNSColorExtension::colorImageWithSize(QColor(60, 160, 220), QSizeF(32, 24)));
    p.drawImage(QPointF(810, 224), NTXNSColorExtension::colorImageWithSize(Qt::transparent, QSizeF(32, 24)));

    // row 4: shadows (offset (6, -6): right and down) and a y-up panel
    caption(p, {10, 372}, QStringLiteral("shadows, offset (6, -6), blur 0 and 6"));
    for (int i = 0; i < 2; ++i) {
        const platform::Shadow shadow(QSizeF(6, -6), i * 6, QColor(0, 0, 0, 140));
        const QRectF box(20 + i * 110, 385, 70, 50);
        shadow.drawWithShadow(p, box, [box](QPainter &painter) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(QColor(255, 210, 120));
            painter.drawPath(bezierPathWithRoundedRectangle(box, 8));
        });
    }
    caption(p, {250, 372}, QStringLiteral("y-up panel: text and image upright, origin bottom-left"));
    p.save();
    p.translate(250, 380);
    p.fillRect(QRectF(0, 0, 300, 70), QColor(225, 235, 245));
    {
        platform::YUpPainter yUp(p, 70);
        p.setPen(Qt::black);
        p.fillRect(QRectF(0, 0, 20, 20), QColor(200, 60, 60)); // bottom-left corner
        platform::YUpPainter::drawTextUpright(p, QRectF(30, 0, 200, 20), Qt::AlignLeft | Qt::AlignVCenter,
                                              QStringLiteral("y = 0..20 (bottom)"));
        platform::YUpPainter::drawTextUpright(p, QRectF(30, 50, 200, 20), Qt::AlignLeft | Qt::AlignVCenter,
                                              QStringLiteral("y = 50..70 (top)"));
        NTXNSImage_Extension::drawAtPoint(icon, p, QPointF(250, 5), QPainter::CompositionMode_SourceOver);
    }
    p.restore();

    // row 5: cells drawn through the style
    caption(p, {10, 470}, QStringLiteral("cells: text, bezeled text, check boxes off/on/mixed, radio, push, highlighted"));
    platform::Cell text(QStringLiteral("Plain text cell"));
    text.drawWithFrame(p, QRectF(10, 480, 120, 24), nullptr);
    platform::Cell bezeled(QStringLiteral("Bezeled"));
    bezeled.setBezeled(true);
    bezeled.setEditable(true);
    bezeled.drawWithFrame(p, QRectF(140, 478, 110, 28), nullptr);
    for (int i = 0; i < 3; ++i) {
        platform::ButtonCell box(QStringLiteral("Box"), platform::ButtonCell::ButtonType::Switch);
        box.setAllowsMixedState(true);
        box.setState(i == 0 ? platform::Cell::State::Off
                            : (i == 1 ? platform::Cell::State::On : platform::Cell::State::Mixed));
        box.drawWithFrame(p, QRectF(QPointF(260 + i * 70, 480), box.cellSize()), nullptr);
    }
    platform::ButtonCell radio(QStringLiteral("Radio"), platform::ButtonCell::ButtonType::Radio);
    radio.setState(platform::Cell::State::On);
    radio.drawWithFrame(p, QRectF(QPointF(480, 480), radio.cellSize()), nullptr);
    platform::ButtonCell push(QStringLiteral("Push"));
    push.drawWithFrame(p, QRectF(560, 476, 90, 30), nullptr);
    push.setHighlighted(true);
    push.drawWithFrame(p, QRectF(660, 476, 90, 30), nullptr);
    platform::Cell highlighted(QStringLiteral("Selected row text"));
    p.fillRect(QRectF(760, 480, 130, 24), QApplication::palette().color(QPalette::Highlight));
    highlighted.setHighlighted(true);
    highlighted.drawWithFrame(p, QRectF(760, 480, 130, 24), nullptr);
    p.end();

    const QString path = testsupport::screenshotPath(QStringLiteral("gallery.png"));
    ASSERT_TRUE(image.save(path));
    std::cout << "gallery written to " << path.toStdString() << std::endl;
    EXPECT_FALSE(QImage(path).isNull());
}
