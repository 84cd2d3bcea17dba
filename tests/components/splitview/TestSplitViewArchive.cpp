// Keyed archives of panes and split views.
#include "tests/components/splitview/SplitViewTestSupport.h"

#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"
#include "tests/support/NonKeyedCoder.h"

#include <gtest/gtest.h>

#include <limits>

using namespace splitviewtest;

namespace {

template <class Encodable>
QByteArray archive(const Encodable &object)
{
    platform::KeyedArchiver archiver;
    object.encodeWithCoder(archiver);
    return archiver.finishEncoding().value_or(QByteArray());
}

TEST(SplitViewArchive, ACollapsedPaneComesBackCollapsedAndExpandsToItsOldSize)
{
    auto view = makeSplitView({100, 100, 100});
    ZQSplitSubview *pane = view->subviewAtPosition(1);
    pane->setCanCollapse(true);
    pane->setIdentifier(u"middle"_qs);
    pane->setTag(7);
    pane->setMinDimension(40, 300);
    pane->collapse();
    view->adjustSubviews();
    const QByteArray bytes = archive(*pane);
    ASSERT_FALSE(bytes.isEmpty());

    platform::KeyedUnarchiver unarchiver(bytes);
    ZQSplitSubview *decoded = ZQSplitSubview::fromCoder(unarchiver);
    ASSERT_NE(decoded, nullptr);
    EXPECT_EQ(decoded->identifier(), u"middle"_qs);
    EXPECT_EQ(decoded->tag(), 7);
    EXPECT_EQ(decoded->minDimension(), 40);
    EXPECT_EQ(decoded->maxDimension(), 300);
    EXPECT_EQ(decoded->savedSize().width(), 100);

    // Placed like before, between two panes in a split view of the same width.
    auto again = makeSplitView({150, 150});
    again->setFrame(QRectF(0, 0, 318, 100));
    again->addSubview(decoded, 1);
    again->adjustSubviews();
    EXPECT_TRUE(decoded->isCollapsed());
    EXPECT_EQ(decoded->dimension(), 100);
    decoded->expand();
    again->adjustSubviews();
    for (unsigned i = 0; i < 3; ++i)
        EXPECT_EQ(along(*again, i), 100) << i;
}

TEST(SplitViewArchive, TheSplitViewKeepsItsOwnImageColourAndFlags)
{
    auto view = makeSplitView({100, 100}, 9, true);
    QImage image(30, 9, QImage::Format_ARGB32);
    image.fill(QColor(10, 120, 200));
    view->setDivider(image);
    view->setBackground(QColor(200, 10, 10));
    view->setAutosaveName(u"Archived"_qs, false);
    view->setDividerThickness(12);
    const QByteArray bytes = archive(*view);

    platform::KeyedUnarchiver unarchiver(bytes);
    std::unique_ptr<ZQSplitView> decoded(ZQSplitView::fromCoder(unarchiver));
    ASSERT_NE(decoded, nullptr);
    EXPECT_EQ(decoded->divider().convertToFormat(QImage::Format_ARGB32), image);
    EXPECT_EQ(decoded->background(), QColor(200, 10, 10));
    EXPECT_TRUE(decoded->isHorizontal());
    EXPECT_EQ(decoded->dividerThickness(), 12);
    EXPECT_EQ(decoded->autosaveName(), u"Archived"_qs);
    EXPECT_FALSE(decoded->saveState(false)); // not before its first restore

    // No split view from a coder without keyed coding, nor with a limit that is not finite.
    testsupport::NonKeyedCoder plain;
    EXPECT_EQ(ZQSplitView::fromCoder(plain), nullptr);
    platform::KeyedArchiver bad;
    bad.encodeRect(QRectF(0, 0, 100, 100), u"frame"_qs);
    bad.encodeDouble(std::numeric_limits<double>::quiet_NaN(), u"minDimension"_qs);
    platform::KeyedUnarchiver badReader(bad.finishEncoding().value_or(QByteArray()));
    EXPECT_EQ(ZQSplitSubview::fromCoder(badReader), nullptr);
}

} // namespace
