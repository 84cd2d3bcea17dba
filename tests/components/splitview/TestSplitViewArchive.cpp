// Keyed archives of panes and split views.
#include "tests/components/splitview/SplitViewTestSupport.h"

#include "platform/archive/KeyedArchiver.h"
#include "components/splitview/ZQSplitSubviewCoding.h"
#include "platform/archive/KeyedUnarchiver.h"
#include "tests/support/NonKeyedCoder.h"

#include <gtest/gtest.h>

#include <functional>
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

TEST(SplitViewArchive, DecodedUnderASplitViewAsWithout)
{
    // A pane written collapsed is collapsed as soon as it is decoded into a split view.
    auto view = makeSplitView({100, 100, 100});
    ZQSplitSubview *pane = view->subviewAtPosition(1);
    pane->setCanCollapse(true);
    pane->collapse();
    view->adjustSubviews();
    const QByteArray paneBytes = archive(*pane);
    auto target = makeSplitView({150, 150});
    target->setFrame(QRectF(0, 0, 318, 100));
    platform::KeyedUnarchiver paneReader(paneBytes);
    ZQSplitSubview *decoded = ZQSplitSubview::fromCoder(paneReader, target.get());
    ASSERT_NE(decoded, nullptr);
    EXPECT_EQ(decoded->splitView(), target.get());
    EXPECT_TRUE(decoded->isCollapsed());
    EXPECT_TRUE(target->mustAdjust());
    target->adjustSubviews();
    EXPECT_TRUE(decoded->isCollapsed());
    EXPECT_EQ(along(*target, 0) + along(*target, 1), 300);
    decoded->expand();
    target->adjustSubviews();
    EXPECT_EQ(along(*target, 2), 100);

    // An uncoupled nested split view keeps its own colour and image.
    auto outer = makeSplitView({200, 200});
    auto *nested = new ZQSplitView(QRectF(0, 0, 200, 100), 2);
    outer->addSubview(nested);
    nested->setCoupled(false);
    QImage image(20, 7, QImage::Format_ARGB32);
    image.fill(QColor(30, 160, 60));
    nested->setDivider(image);
    nested->setBackground(QColor(250, 200, 10));
    nested->setIdentifier(u"nested"_qs);
    const QByteArray nestedBytes = archive(*nested);
    for (const bool withParent : {false, true}) {
        platform::KeyedUnarchiver reader(nestedBytes);
        std::unique_ptr<ZQSplitView> copy(ZQSplitView::fromCoder(reader, withParent ? outer.get() : nullptr));
        ASSERT_NE(copy, nullptr) << withParent;
        EXPECT_EQ(copy->splitView(), withParent ? outer.get() : nullptr);
        EXPECT_FALSE(copy->isCoupled()) << withParent;
        EXPECT_EQ(copy->background(), QColor(250, 200, 10)) << withParent;
        EXPECT_EQ(copy->divider().convertToFormat(QImage::Format_ARGB32), image) << withParent;
        EXPECT_EQ(copy->allSubviews().size(), 2) << withParent;
        EXPECT_EQ(copy->identifier(), u"nested"_qs);
    }
}

TEST(SplitViewArchive, TheArchiveHoldsThePanes)
{
    auto view = makeSplitView({100, 120, 140, 80});
    view->subviewAtPosition(0)->setIdentifier(u"first"_qs);
    ZQSplitSubview *collapsed = view->subviewAtPosition(1);
    collapsed->setCanCollapse(true);
    collapsed->setIdentifier(u"collapsed"_qs);
    collapsed->collapse();
    view->subviewAtPosition(3)->hide();
    auto *nested = new ZQSplitView(QRectF(0, 0, 140, 100), 3);
    nested->subviewAtPosition(2)->setIdentifier(u"deep"_qs);
    view->addSubview(nested, 2);
    view->adjustSubviews();
    const QString state = view->stringWithSavedState();
    const QString nestedState = nested->stringWithSavedState();
    const QByteArray bytes = archive(*view);

    platform::KeyedUnarchiver reader(bytes);
    std::unique_ptr<ZQSplitView> copy(ZQSplitView::fromCoder(reader));
    ASSERT_NE(copy, nullptr) << reader.error().toStdString();
    copy->adjustSubviews();
    ASSERT_EQ(copy->allSubviews().size(), 5);
    EXPECT_EQ(copy->subviewAtPosition(0)->identifier(), u"first"_qs);
    EXPECT_TRUE(copy->subviewWithIdentifier(u"collapsed"_qs)->isCollapsed());
    EXPECT_TRUE(copy->subviewAtPosition(4)->isHiddenPane());
    ZQSplitView *copiedNested = copy->subviewAtPosition(2)->asSplitView();
    ASSERT_NE(copiedNested, nullptr);
    EXPECT_EQ(copiedNested->allSubviews().size(), 3);
    EXPECT_EQ(copiedNested->subviewAtPosition(2)->identifier(), u"deep"_qs);
    EXPECT_TRUE(copiedNested->isCoupled());
    EXPECT_EQ(copy->stringWithSavedState(), state);
    EXPECT_EQ(copiedNested->stringWithSavedState(), nestedState);
    for (unsigned i = 0; i < 5; ++i)
        EXPECT_EQ(copy->subviewAtPosition(i)->frame(), view->subviewAtPosition(i)->frame()) << i;
}

TEST(SplitViewArchive, PaneListsOfAnythingButPanesOfTheirOwnAreRefused)
{
    auto view = makeSplitView({100, 100});
    const auto refused = [](const std::function<void(platform::KeyedArchiver &)> &write) {
        platform::KeyedArchiver archiver;
        archiver.encodeRect(QRectF(0, 0, 209, 100), u"frame"_qs);
        write(archiver);
        platform::KeyedUnarchiver reader(archiver.finishEncoding().value_or(QByteArray()));
        std::unique_ptr<ZQSplitView> decoded(ZQSplitView::fromCoder(reader));
        return decoded == nullptr && reader.failed();
    };
    EXPECT_TRUE(refused([](platform::KeyedArchiver &a) { a.encodeObject(QVariant(u"panes"_qs), u"subviews"_qs); }));
    EXPECT_TRUE(refused([](platform::KeyedArchiver &a) {
        a.encodeObject(QVariant(QVariantList{QVariant(u"pane"_qs)}), u"subviews"_qs);
    }));
    // The same pane twice.
    EXPECT_TRUE(refused([&](platform::KeyedArchiver &a) {
        const auto pane = std::make_shared<ZQSplitSubviewCoding>(view->subviewAtPosition(0));
        a.encodeObject(QVariant(QVariantList{platform::Coder::objectValue(pane), platform::Coder::objectValue(pane)}),
                       u"subviews"_qs);
    }));
    // More than 256.
    EXPECT_TRUE(refused([&](platform::KeyedArchiver &a) {
        QVariantList panes;
        for (int i = 0; i < 257; ++i)
            panes.append(platform::Coder::objectValue(std::make_shared<ZQSplitSubviewCoding>(view->subviewAtPosition(0))));
        a.encodeObject(QVariant(panes), u"subviews"_qs);
    }));
    EXPECT_FALSE(refused([&](platform::KeyedArchiver &a) {
        a.encodeObject(QVariant(QVariantList{platform::Coder::objectValue(
                           std::make_shared<ZQSplitSubviewCoding>(view->subviewAtPosition(0)))}),
                       u"subviews"_qs);
    }));
}

// The frame a pane is archived with reads back as it was written: a place or size
// below zero, which a hidden pane may keep from a move, is written as zero, and an
// archive that gives one is refused.
TEST(SplitViewArchive, NegativeFramesAreNeitherWrittenNorRead)
{
    auto view = makeSplitView({100, 100, 100});
    ZQSplitSubview *first = view->subviewAtPosition(0);
    first->changeDimensionBy(1, false, true); // grows to the left, to -1
    first->setVisible(false);
    ASSERT_LT(first->frame().x(), 0);
    const QSizeF size = first->frame().size();
    platform::KeyedUnarchiver reader(archive(*first));
    const std::unique_ptr<ZQSplitSubview> decoded(ZQSplitSubview::fromCoder(reader));
    ASSERT_NE(decoded, nullptr);
    EXPECT_EQ(decoded->frame(), QRectF(QPointF(0, 0), size));
    EXPECT_TRUE(decoded->isHiddenPane());

    for (const QRectF &frame : {QRectF(-1, 0, 100, 100), QRectF(0, -1, 100, 100), QRectF(0, 0, -1, 100),
                                QRectF(0, 0, 100, -1)}) {
        platform::KeyedArchiver archiver;
        archiver.encodeRect(frame, u"frame"_qs);
        archiver.encodeBool(true, u"hidden"_qs);
        platform::KeyedUnarchiver refused(archiver.finishEncoding().value_or(QByteArray()));
        EXPECT_EQ(std::unique_ptr<ZQSplitSubview>(ZQSplitSubview::fromCoder(refused)), nullptr)
            << frame.x() << " " << frame.y() << " " << frame.width() << " " << frame.height();
    }
}

} // namespace

