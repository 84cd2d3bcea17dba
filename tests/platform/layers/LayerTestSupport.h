#pragma once
// Helpers for the layer tests: a frozen clock, ticks on demand, images of trees.
#include "platform/layers/Layer.h"

#include <QImage>
#include <gtest/gtest.h>

namespace layertest {

// Freezes the clock (media time included) and commits the open transaction, so
// layers made in a test animate their changes; back to the system clock at the end.
class FrozenClockTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;
    // Moves the clock on, ticks the animations and delivers what they queued.
    void advance(qint64 msecs);
    // Delivers queued work (delegate calls, completions, the implicit commit).
    static void deliver();
};

// A plain layer with a frame.
platform::LayerPtr layerWithFrame(const QRectF &frame);
// An opaque image of one colour.
QImage solidImage(const QSize &size, const QColor &color);
// Renders a tree (its root covering the image) into a white image of that size.
QImage renderTree(platform::Layer &root, const QSize &size, platform::Layer::Tree tree = platform::Layer::Tree::Presentation);
// The pixel at a point of the tree's y-up space.
QColor pixelAt(const QImage &image, qreal x, qreal yUp);

} // namespace layertest
