// Reloads of the flow view as its content changes: the item layers, the selection,
// the selected item's movie, reflections, the accessibility list and the pictures
// of loads that were cancelled.
#include "components/flowview/KZFlowView.h"
#include "components/flowview/KZFlowViewImageCache.h"
#include "components/flowview/KZVideoOverlayLayer.h"
#include "platform/foundation/OperationQueue.h"
#include "platform/media/PdfPage.h"
#include "tests/components/flowview/FlowViewItems.h"
#include "tests/components/flowview/FlowViewTestSupport.h"
#include "tests/platform/layers/LayerTestSupport.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QPainter>
#include <QPdfWriter>
#include <QSemaphore>
#include <QTest>
#include <gtest/gtest.h>

#include <random>

namespace {

using flowtest::ValueItem;
using flowtest::solid;
using Helper = KZLayerAccessibilityHelper;

class FlowViewReloads : public layertest::FrozenClockTest
{
};

// A data source of picture and movie items that counts what it is asked. It is asked
// only for items it has: a question past its end is a failure.
class Items : public KZFlowViewDataSource
{
public:
    struct Entry
    {
        QString uid;
        std::shared_ptr<flowtest::FakeMovie> movie; // none: a picture
        std::unique_ptr<ValueItem> item;
    };
    std::optional<unsigned> numberOfItemsInFlowView(KZFlowView &) override { return unsigned(entries.size()); }
    std::optional<platform::KeyValueObservable *> flowViewItemAtIndex(KZFlowView &, unsigned index) override
    {
        ++itemQuestions;
        if (index >= entries.size()) {
            ADD_FAILURE() << "asked for item " << index << " of " << entries.size();
            return nullptr;
        }
        return entries[index].item.get();
    }
    Entry make(bool movie)
    {
        Entry entry;
        entry.uid = QStringLiteral("u%1").arg(++m_made);
        if (movie) {
            entry.movie = std::make_shared<flowtest::FakeMovie>();
            allMovies.push_back(entry.movie);
            entry.movie->frame = solid(QSize(32, 24), Qt::blue);
            entry.item = std::make_unique<ValueItem>(entry.uid,
                                                     QVariant::fromValue(std::shared_ptr<platform::Movie>(entry.movie)),
                                                     KZFlowView::QTMovieRepresentationType, entry.uid);
        } else {
            entry.item = ValueItem::picture(entry.uid, solid(QSize(24, 24), Qt::red));
        }
        return entry;
    }
    std::vector<Entry> entries;
    std::vector<std::shared_ptr<flowtest::FakeMovie>> allMovies; // removed items' too
    int itemQuestions = 0;

private:
    int m_made = 0;
};

// What a reload and a selection leave behind, whatever came before.
void checkInvariants(KZFlowView &view, const Items &items, quint32 selected, bool reflections, const char *step)
{
    SCOPED_TRACE(step);
    const auto count = quint32(items.entries.size());
    ASSERT_EQ(view.numberOfItems(), count);
    ASSERT_EQ(view.selectedIndex(), selected);
    ASSERT_EQ(quint32(view.scrollLayer()->sublayers().size()), count);
    // Every layer made is either shown or waiting in the queue, once.
    EXPECT_EQ(quint64(view.layerQueue().size()) + count, view.itemLayersMade());
    for (const platform::LayerPtr &waiting : view.layerQueue()) {
        EXPECT_EQ(waiting->superlayer(), nullptr);
        EXPECT_TRUE(waiting->sublayers().first()->sublayers().isEmpty()) << "no movie waits for reuse";
    }

    const Helper::Ptr list = KZFlowView::accessibilityElementOfLayer(view.backgroundLayer().get());
    ASSERT_EQ(quint32(list->countOfChildren()), count);
    for (quint32 i = 0; i < count; ++i) {
        const Items::Entry &entry = items.entries[i];
        const platform::LayerPtr item = view.itemLayerAtIndex(i);
        const platform::LayerPtr content = view.imageLayerAtIndex(i);
        ASSERT_TRUE(item && content) << i;
        EXPECT_EQ(item->valueForKey(QStringLiteral("index")).toUInt(), i);
        EXPECT_EQ(item->valueForKey(QStringLiteral("imageItemUID")).toString(), entry.uid);
        EXPECT_EQ(content->valueForKey(QStringLiteral("index")).toUInt(), i);
        EXPECT_EQ(content->valueForKey(QStringLiteral("imageItemUID")).toString(), entry.uid);
        EXPECT_EQ(content->name(), KZFlowView::ContentLayerName + (entry.movie ? KZFlowView::MovieKind : KZFlowView::ImageKind));
        const auto *replicator = dynamic_cast<const platform::ReplicatorLayer *>(item.get());
        ASSERT_TRUE(replicator);
        EXPECT_EQ(replicator->instanceCount(), reflections ? 2 : 1) << i;
        const Helper::Ptr element = KZFlowView::accessibilityElementOfLayer(content.get());
        EXPECT_EQ(list->objectInChildrenAtIndex(i), element) << i;
        EXPECT_EQ(list->indexOfChild(element.get()), qsizetype(i));
        EXPECT_EQ(element->parent(), list.get());
        // Only the selected item has live content: its movie, with the button.
        if (i == selected && entry.movie) {
            const auto movieLayer = view.movieLayerAtIndex(i);
            ASSERT_TRUE(movieLayer) << "the selected movie shows, step " << step;
            EXPECT_EQ(content->sublayers().size(), 1);
            EXPECT_EQ(movieLayer->movie(), entry.movie);
            EXPECT_TRUE(view.overlayLayerAtIndex(i));
            EXPECT_EQ(element->countOfChildren(), 1) << "the movie's button";
        } else {
            EXPECT_TRUE(content->sublayers().isEmpty()) << i;
        }
    }
    // No movie plays unless it is the selected item's, removed items' included.
    const std::shared_ptr<flowtest::FakeMovie> selectedMovie = selected < count ? items.entries[selected].movie : nullptr;
    for (const auto &movie : items.allMovies) {
        if (movie != selectedMovie) {
            EXPECT_EQ(movie->rate(), 0.0);
        }
    }
}

TEST_F(FlowViewReloads, RandomChangesKeepLayersSelectionAndMoviesInStep)
{
    for (const unsigned seed : {1u, 2u, 3u, 4u, 5u, 6u}) {
        SCOPED_TRACE(seed);
        std::mt19937 random(seed);
        auto pick = [&random](int n) { return int(random() % unsigned(n)); };
        KZFlowView view;
        flowtest::show(view, QSize(800, 400));
        Items items;
        view.setDataSource(&items);
        quint32 selected = KZFlowView::NotFound;
        bool reflections = true;
        auto reload = [&] {
            view.reloadContent();
            const auto count = quint32(items.entries.size());
            if (selected >= count && count > 0)
                selected = 0;
        };
        auto select = [&](quint32 index) {
            if (index != selected && index < quint32(items.entries.size()))
                selected = index;
        };
        for (int step = 0; step < 250; ++step) {
            const int count = int(items.entries.size());
            const char *name = "";
            switch (pick(10)) {
            case 0:
            case 1:
                name = "insert";
                if (count < 14)
                    items.entries.insert(items.entries.begin() + pick(count + 1), items.make(pick(3) == 0));
                reload();
                break;
            case 2:
                name = "remove";
                if (count > 0 && pick(6) == 0)
                    items.entries.clear();
                else if (count > 0)
                    items.entries.erase(items.entries.begin() + pick(count));
                reload();
                break;
            case 3:
                name = "swap";
                if (count > 1)
                    std::swap(items.entries[size_t(pick(count))], items.entries[size_t(pick(count))]);
                reload();
                break;
            case 4:
                name = "replace";
                if (count > 0)
                    items.entries[size_t(pick(count))] = items.make(pick(2) == 0);
                reload();
                break;
            case 5:
                name = "reload";
                reload();
                break;
            case 6: {
                name = "select";
                const quint32 index = quint32(pick(count + 2));
                view.setSelectedIndex(index);
                select(index);
                break;
            }
            case 7:
                name = "move";
                if (pick(2)) {
                    view.moveLeft();
                    select(selected - 1);
                } else {
                    view.moveRight();
                    select(selected + 1);
                }
                break;
            case 8:
                name = "play";
                if (const auto overlay = view.overlayLayerAtIndex(selected))
                    overlay->buttonLayer()->performClick();
                break;
            case 9:
                name = "reflections";
                reflections = !reflections;
                view.setShowsReflection(reflections);
                break;
            }
            deliver();
            const std::string trace = std::to_string(step) + " " + name;
            checkInvariants(view, items, selected, reflections, trace.c_str());
            if (::testing::Test::HasFatalFailure() || ::testing::Test::HasFailure())
                return;
        }
    }
}

TEST_F(FlowViewReloads, TheSelectedMovieSurvivesAReloadThatKeepsIt)
{
    KZFlowView view;
    flowtest::show(view, QSize(800, 400));
    Items items;
    for (const bool movie : {false, true, false, false, false})
        items.entries.push_back(items.make(movie));
    view.setDataSource(&items);
    view.reloadContent();
    view.setSelectedIndex(1);
    const auto shown = view.movieLayerAtIndex(1);
    ASSERT_TRUE(shown);
    view.overlayLayerAtIndex(1)->buttonLayer()->performClick();
    ASSERT_EQ(items.entries[1].movie->rate(), 1.0);
    const platform::LayerPtr picture = view.imageLayerAtIndex(3);
    picture->setContents(solid(QSize(4, 4), Qt::red));

    view.reloadContent(); // as a bound view does on any change of its content
    EXPECT_EQ(view.movieLayerAtIndex(1), shown) << "the same movie layer, still there";
    EXPECT_EQ(items.entries[1].movie->rate(), 1.0) << "and still playing";
    ASSERT_TRUE(view.overlayLayerAtIndex(1));
    EXPECT_EQ(view.imageLayerAtIndex(3), picture) << "an item that stays keeps its layer";
    EXPECT_FALSE(picture->contents().isNull()) << "and its picture";

    // An item inserted before it: the movie moves to its new place, anew.
    items.entries.insert(items.entries.begin(), items.make(false));
    view.reloadContent();
    EXPECT_EQ(view.selectedIndex(), 1u) << "the selection stays at its index";
    EXPECT_EQ(items.entries[2].movie->rate(), 0.0) << "no longer selected: stopped";
    EXPECT_FALSE(view.movieLayerAtIndex(2));
    view.setSelectedIndex(2);
    ASSERT_TRUE(view.movieLayerAtIndex(2));

    // Another movie comes to the selected place: the old one stops, the new one shows.
    items.entries[2] = items.make(true);
    const auto oldMovie = view.movieLayerAtIndex(2)->movie();
    view.reloadContent();
    EXPECT_EQ(oldMovie->rate(), 0.0);
    ASSERT_TRUE(view.movieLayerAtIndex(2));
    EXPECT_EQ(view.movieLayerAtIndex(2)->movie(), items.entries[2].movie);
}

TEST_F(FlowViewReloads, AnEmptyDataSourceIsNotAskedForItems)
{
    KZFlowView view;
    flowtest::show(view, QSize(800, 400));
    Items items;
    view.setDataSource(&items);
    view.reloadContent();
    EXPECT_EQ(items.itemQuestions, 0);
    EXPECT_EQ(view.numberOfItems(), 0u);
    items.entries.push_back(items.make(false));
    view.reloadContent();
    EXPECT_GT(items.itemQuestions, 0);
    EXPECT_EQ(view.numberOfItems(), 1u);
}

TEST_F(FlowViewReloads, AnEmptiedDataSourceIsNeverAskedPastItsEnd)
{
    KZFlowView view;
    flowtest::show(view, QSize(800, 400));
    Items items;
    for (const bool movie : {false, true, true})
        items.entries.push_back(items.make(movie));
    view.setDataSource(&items);
    view.reloadContent();
    view.setSelectedIndex(2);
    ASSERT_TRUE(view.movieLayerAtIndex(2));

    items.entries.clear();
    view.reloadContent();
    EXPECT_EQ(view.numberOfItems(), 0u);
    EXPECT_EQ(view.selectedIndex(), 2u) << "with no items the selection stays as it was";
    EXPECT_EQ(items.allMovies[1]->rate(), 0.0) << "the selected movie went with its item";
    // Everything the view does with its selection, with nothing to select.
    view.renderToImage();
    view.moveLeft();
    view.moveRight();
    view.setSelectedIndex(0);
    view.setDraggingKnob(true);
    view.setDraggingKnob(false);
    view.updateImages();
    view.resize(600, 300);
    view.renderToImage();
    for (const int key : {Qt::Key_Left, Qt::Key_Right, Qt::Key_Space})
        QTest::keyClick(&view, Qt::Key(key));
    EXPECT_EQ(view.imageItemForIndex(2), nullptr);
    EXPECT_EQ(view.selectedIndex(), 2u);

    // Items again: the first is selected, and asked for.
    items.entries.push_back(items.make(true));
    view.reloadContent();
    EXPECT_EQ(view.selectedIndex(), 0u);
    ASSERT_TRUE(view.movieLayerAtIndex(0));
    EXPECT_EQ(view.imageItemForIndex(0), items.entries[0].item.get());
}

TEST_F(FlowViewReloads, ReflectionsOffBeforeLoadingGiveOneInstance)
{
    KZFlowView view;
    view.setShowsReflection(false);
    flowtest::show(view, QSize(800, 400));
    Items items;
    for (int i = 0; i < 4; ++i)
        items.entries.push_back(items.make(false));
    view.setDataSource(&items);
    view.reloadContent();
    for (quint32 i = 0; i < 4; ++i)
        EXPECT_EQ(dynamic_cast<platform::ReplicatorLayer &>(*view.itemLayerAtIndex(i)).instanceCount(), 1) << i;

    // Layers that waited in the queue while the setting changed take it when reused.
    items.entries.resize(1);
    view.reloadContent();
    view.setShowsReflection(true);
    items.entries.resize(4);
    for (auto &entry : items.entries)
        if (!entry.item)
            entry = items.make(false);
    view.reloadContent();
    EXPECT_EQ(view.itemLayersMade(), 4u);
    for (quint32 i = 0; i < 4; ++i)
        EXPECT_EQ(dynamic_cast<platform::ReplicatorLayer &>(*view.itemLayerAtIndex(i)).instanceCount(), 2) << i;
}

// A page whose conversion, on the loading thread, waits until the test lets it go.
struct HeldPage
{
    static QSemaphore started;
    static QSemaphore go;
    static QByteArray pdf;
};
QSemaphore HeldPage::started;
QSemaphore HeldPage::go;
QByteArray HeldPage::pdf;

QByteArray onePagePdf()
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setPageSize(QPageSize(QSizeF(100, 100), QPageSize::Point));
    QPainter(&writer).fillRect(QRect(0, 0, writer.width(), writer.height()), Qt::green);
    return bytes;
}

TEST_F(FlowViewReloads, APictureFinishedAfterItsLoadWasCancelledIsCachedButNotShown)
{
    HeldPage::pdf = onePagePdf();
    static const bool registered = QMetaType::registerConverter<HeldPage, platform::PdfPage>([](const HeldPage &) {
        HeldPage::started.release();
        HeldPage::go.acquire();
        return platform::PdfPage(HeldPage::pdf, 0);
    });
    ASSERT_TRUE(registered);

    KZFlowView view;
    flowtest::show(view, QSize(800, 400));
    QObject::disconnect(&view, &KZFlowView::imagesNeedUpdate, nullptr, nullptr);
    flowtest::ValueSource source;
    for (int i = 0; i < 40; ++i)
        source.items.push_back(ValueItem::picture(QStringLiteral("p%1").arg(i), solid(QSize(20, 20), Qt::red)));
    // Far from the visible items: no picture update asks for it again.
    source.items.push_back(std::make_unique<ValueItem>(QStringLiteral("held"), QVariant::fromValue(HeldPage()),
                                                       KZFlowView::PDFPageRepresentationType));
    view.setDataSource(&source);
    view.reloadContent();
    const quint32 held = 40;
    ASSERT_FALSE(view.visibleItemIndexes().contains(held));
    view.updateImageLayerAtIndex(held);
    ASSERT_TRUE(HeldPage::started.tryAcquire(1, 10000)) << "the load runs";
    view.updateImages(); // cancels every load
    HeldPage::go.release();
    view.operationQueue().waitUntilAllOperationsAreFinished();
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();

    const QImage cached = view.imageCache().image(*KZFlowViewImageCache::keyFor(QStringLiteral("held")));
    ASSERT_FALSE(cached.isNull()) << "made once, kept";
    EXPECT_EQ(cached.pixelColor(cached.width() / 2, cached.height() / 2), QColor(Qt::green));
    EXPECT_NE(view.imageLayerAtIndex(held)->contents(), cached) << "a cancelled load delivers nothing";
}

} // namespace
