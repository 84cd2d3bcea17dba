// Three-part pictures: where the caps and the stretched fill go, which way up they
// are drawn; and the control tint read from the user defaults.
#include "platform/drawing/BundleImages.h"
#include "platform/drawing/Cell.h"
#include "platform/drawing/ControlTint.h"
#include "platform/drawing/ThreePartImage.h"
#include "platform/foundation/UserDefaults.h"

#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using platform::ThreePartImage;

namespace {

// A picture whose top half is red and bottom half blue.
QIcon twoTone(const QString &name, const QSizeF &size)
{
    platform::BundleImages::registerImage(QStringLiteral("ThreePartTest"), name, size, [](QPainter &p, const QSizeF &s) {
        p.fillRect(QRectF(0, 0, s.width(), s.height() / 2), Qt::red);
        p.fillRect(QRectF(0, s.height() / 2, s.width(), s.height() / 2), Qt::blue);
    });
    return platform::BundleImages::imageNamed(QStringLiteral("ThreePartTest"), name);
}

QIcon plain(const QString &name, const QSizeF &size, const QColor &colour)
{
    platform::BundleImages::registerImage(QStringLiteral("ThreePartTest"), name, size,
                                          [colour](QPainter &p, const QSizeF &s) { p.fillRect(QRectF(QPointF(), s), colour); });
    return platform::BundleImages::imageNamed(QStringLiteral("ThreePartTest"), name);
}

} // namespace

TEST(ThreePartImage, LayoutKeepsCapsAndStretchesTheFill)
{
    struct Case
    {
        QRectF frame;
        QSizeF start, end;
        bool vertical;
        ThreePartImage::Parts parts;
    };
    const Case cases[] = {
        {{10, 0, 100, 22}, {8, 22}, {6, 22}, false, {{10, 0, 8, 22}, {18, 0, 86, 22}, {104, 0, 6, 22}}},
        {{0, 0, 100, 22}, {0, 0}, {6, 22}, false, {{0, 0, 0, 22}, {0, 0, 94, 22}, {94, 0, 6, 22}}},
        // Caps longer than the frame share it in proportion; no fill.
        {{0, 0, 10, 22}, {10, 22}, {10, 22}, false, {{0, 0, 5, 22}, {5, 0, 0, 22}, {5, 0, 5, 22}}},
        {{0, 5, 20, 50}, {20, 4}, {20, 6}, true, {{0, 5, 20, 4}, {0, 9, 20, 40}, {0, 49, 20, 6}}},
    };
    for (const Case &c : cases) {
        const ThreePartImage::Parts parts = ThreePartImage::layout(c.frame, c.start, c.end, c.vertical);
        EXPECT_EQ(parts.start, c.parts.start);
        EXPECT_EQ(parts.centre, c.parts.centre);
        EXPECT_EQ(parts.end, c.parts.end);
    }
}

TEST(ThreePartImage, DrawsPartsUprightOrMirrored)
{
    const QIcon left = plain(QStringLiteral("left"), QSizeF(4, 22), Qt::green);
    const QIcon fill = twoTone(QStringLiteral("fill"), QSizeF(1, 22));
    const auto draw = [&](bool flipped, const QIcon &start, const QIcon &centre, qreal fraction = 1.0) {
        QImage image(40, 22, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        QPainter painter(&image);
        ThreePartImage::draw(painter, QRectF(0, 0, 40, 22), start, centre, QIcon(), false,
                             QPainter::CompositionMode_SourceOver, fraction, flipped);
        return image;
    };
    const QImage upright = draw(true, left, fill);
    EXPECT_EQ(upright.pixel(1, 10), qRgb(0, 255, 0));
    EXPECT_EQ(upright.pixel(20, 3), qRgb(255, 0, 0)) << "fill stretched, top half red";
    EXPECT_EQ(upright.pixel(20, 18), qRgb(0, 0, 255));
    const QImage mirrored = draw(false, left, fill);
    EXPECT_EQ(mirrored.pixel(20, 3), qRgb(0, 0, 255)) << "a y-up caller's picture in a y-down painter";
    EXPECT_EQ(mirrored.pixel(20, 18), qRgb(255, 0, 0));
    EXPECT_EQ(draw(true, QIcon(), QIcon()).pixel(20, 10), qRgb(255, 255, 255)) << "no parts, nothing drawn";
    EXPECT_EQ(qRed(draw(true, left, fill, 0.5).pixel(20, 3)), 255);
    EXPECT_NEAR(qGreen(draw(true, left, fill, 0.5).pixel(20, 3)), 127, 2) << "fraction is the opacity";
}

TEST(ControlTint, FollowsTheColourVariant)
{
    using platform::ControlTint;
    for (const auto &[variant, tint] : {std::pair{0, ControlTint::Blue}, std::pair{1, ControlTint::Blue},
                                        std::pair{6, ControlTint::Graphite}, std::pair{7, ControlTint::Blue}})
        EXPECT_EQ(ControlTint::controlTintForVariant(variant), tint) << variant;

    QTemporaryDir dir;
    platform::UserDefaults defaults(dir.filePath(QStringLiteral("defaults.conf")));
    EXPECT_EQ(ControlTint::currentControlTint(defaults), ControlTint::Blue) << "no such setting on Linux";
    defaults.setInteger(6, ControlTint::AquaColorVariantKey);
    EXPECT_EQ(ControlTint::currentControlTint(defaults), ControlTint::Graphite);

    // A cell's own tint wins unless it is the default.
    EXPECT_EQ(platform::Cell().controlTint(), 0u);
    EXPECT_EQ(ControlTint::resolved(ControlTint::Graphite), ControlTint::Graphite);
    EXPECT_EQ(ControlTint::resolved(ControlTint::Clear), ControlTint::Clear);
    EXPECT_EQ(ControlTint::resolved(ControlTint::Default), ControlTint::currentControlTint());
}
