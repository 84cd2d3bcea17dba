// The tab button and its cell: built-in layout outside a bar, styles that implement a
// single operation, the seven bindings (and rebinding without unbinding), scrubbing
// and the queued bar update.
#include "tests/components/tabbarview/TabBarTestSupport.h"

#include "components/tabbarview/KZAttachedTabBarButton.h"
#include "components/tabbarview/KZProgressIndicator.h"
#include "components/tabbarview/KZTabBarButton.h"
#include "components/tabbarview/KZTabBarView.h"
#include "components/tabbarview/KZTabBarViewExtensions.h"
#include "components/tabbarview/KZTabStyle.h"
#include "platform/foundation/BindingMarkers.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <gtest/gtest.h>

using tabbartest::TabModel;
using tabbartest::squareIcon;

namespace {

const QRectF Bounds(0, 0, 120, 24);

// Records which close-button images are asked for, and answers 12-point images.
class RecordingStyle : public KZTabStyle
{
public:
    QString name() const override { return QStringLiteral("Recording"); }
    std::optional<QIcon> closeButtonImageOfType(unsigned type, const KZTabBarButtonCell &) override
    {
        asked.push_back(type);
        return squareIcon(12, Qt::red);
    }
    std::vector<unsigned> asked;
};

// Implements exactly one of the optional operations.
class SingleOperationStyle : public KZTabStyle
{
public:
    explicit SingleOperationStyle(int operation) : m_operation(operation) {}
    QString name() const override { return QStringLiteral("Single"); }
    std::optional<qreal> minimumWidthOfTabCell(const KZTabBarButtonCell &) override
    {
        return m_operation == 15 ? std::optional<qreal>(77) : std::nullopt;
    }
    std::optional<qreal> desiredWidthOfTabCell(const KZTabBarButtonCell &) override
    {
        return m_operation == 16 ? std::optional<qreal>(99) : std::nullopt;
    }
    std::optional<QRectF> draggingRectForTabButton(KZAttachedTabBarButton *, KZTabBarView *) override
    {
        return m_operation == 43 ? std::optional<QRectF>(QRectF(1, 2, 3, 4)) : std::nullopt;
    }

private:
    int m_operation;
};

void deliver()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

} // namespace

TEST(TabBarButton, BuiltInLayoutOutsideABar)
{
    KZTabBarButton button;
    button.resize(Bounds.size().toSize());
    KZTabBarButtonCell *cell = button.tabCell();
    EXPECT_EQ(cell->drawingRectForBounds(Bounds), QRectF(6, 3, 108, 18));
    EXPECT_EQ(cell->closeButtonRectForBounds(Bounds), QRectF(6, 3, 12, 18));

    // A lone icon is centred in the space right of the close button.
    button.setIcon(squareIcon(16, Qt::blue));
    EXPECT_EQ(cell->iconRectForBounds(Bounds), QRectF(60, 4, 16, 16));
    EXPECT_TRUE(KZTabBarButtonCell::isEmptyRect(cell->titleRectForBounds(Bounds)));
    // An empty title: the desired width is the minimum less the 30 points for a title.
    EXPECT_EQ(cell->desiredWidthOfCell(), cell->minimumWidthOfCell() - 30.0);

    // With a title the icon stands at the left.
    button.setTitle(QStringLiteral("Tab"));
    EXPECT_EQ(cell->iconRectForBounds(Bounds), QRectF(22, 4, 16, 16));
    EXPECT_EQ(cell->titleRectForBounds(Bounds).x(), 42);

    // Count 7 while processing: a 20 × 14 badge 4 points left of the indicator.
    button.setIsProcessing(true);
    button.setShowObjectCount(true);
    button.setObjectCount(7);
    EXPECT_EQ(cell->indicatorRectForBounds(Bounds), QRectF(98, 4, 16, 16));
    EXPECT_EQ(cell->objectCounterSize(), QSizeF(20, 14));
    EXPECT_EQ(cell->objectCounterRectForBounds(Bounds), QRectF(74, 5, 20, 14));
    EXPECT_FALSE(button.indicator()->isHidden());
    EXPECT_TRUE(button.indicator()->isAnimating());
    // Not in a vertical bar: no large image, however big.
    button.setLargeImage(squareIcon(32, Qt::green));
    EXPECT_TRUE(KZTabBarButtonCell::isEmptyRect(cell->largeImageRectForBounds(Bounds)));
}

TEST(TabBarButton, StyleWithOneOperationChangesOnlyThatAnswer)
{
    KZTabBarView bar;
    bar.setStyle(std::make_shared<tabbartest::BuiltInStyle>());
    auto *button = new KZAttachedTabBarButton(QRect(5, 0, 100, 22), platform::TabViewItem::create(), &bar);
    button->setTitle(QStringLiteral("Title"));
    const qreal minimum = button->minimumWidth();
    const qreal desired = button->desiredWidth();
    const QRectF dragging = button->draggingRect();
    EXPECT_EQ(dragging, QRectF(5, 0, 100, 22));

    struct Row { int operation; qreal minimum, desired; QRectF dragging; };
    const Row rows[] = {
        {15, 77, desired, dragging},
        {16, minimum, 99, dragging},
        {43, minimum, desired, QRectF(1, 2, 3, 4)},
    };
    for (const Row &row : rows) {
        bar.setStyle(std::make_shared<SingleOperationStyle>(row.operation));
        EXPECT_EQ(button->minimumWidth(), row.minimum) << row.operation;
        EXPECT_EQ(button->desiredWidth(), row.desired) << row.operation;
        EXPECT_EQ(button->draggingRect(), row.dragging) << row.operation;
    }
}

TEST(TabBarButton, ObjectCountBindingWithAndWithoutTheHiddenOption)
{
    for (const bool conditionallyHidden : {true, false}) {
        TabModel model;
        KZTabBarButton button;
        QVariantMap options;
        if (conditionallyHidden)
            options.insert(platform::ConditionallySetsHiddenBindingOption, true);
        model.setValueForKey(3, KZTabBarItem::ObjectCountKey);
        button.bind(KZTabBarItem::ObjectCountKey, &model, KZTabBarItem::ObjectCountKey, options);
        std::vector<bool> shown;
        for (const int count : {3, 0, 5}) {
            model.setValueForKey(count, KZTabBarItem::ObjectCountKey);
            EXPECT_EQ(button.objectCount(), count);
            shown.push_back(button.showObjectCount());
        }
        const std::vector<bool> expected =
            conditionallyHidden ? std::vector<bool>{true, false, true} : std::vector<bool>{true, true, true};
        EXPECT_EQ(shown, expected);
        // The no-selection marker counts as nothing.
        model.setValueForKey(platform::noSelectionMarker(), KZTabBarItem::ObjectCountKey);
        EXPECT_EQ(button.objectCount(), 0);
    }
}

TEST(TabBarButton, ValuesOfTheWrongKindGiveEmptyValues)
{
    TabModel model;
    KZTabBarButton button;
    const auto style = std::make_shared<RecordingStyle>();
    button.setStyle(style);
    model.setValueForKey(true, KZTabBarItem::IsEditedKey);
    button.bind(KZTabBarItem::IsEditedKey, &model, KZTabBarItem::IsEditedKey);
    EXPECT_TRUE(button.isEdited());
    style->asked.clear();
    model.setValueForKey(QStringLiteral("yes"), KZTabBarItem::IsEditedKey);
    EXPECT_FALSE(button.isEdited());
    EXPECT_EQ(style->asked, (std::vector<unsigned>{0, 2, 1}));

    model.setValueForKey(QStringLiteral("red"), KZTabBarItem::ObjectCountColorKey);
    button.bind(KZTabBarItem::ObjectCountColorKey, &model, KZTabBarItem::ObjectCountColorKey);
    EXPECT_FALSE(button.objectCountColor().isValid());
    model.setValueForKey(42, KZTabBarItem::IconKey);
    button.bind(KZTabBarItem::IconKey, &model, KZTabBarItem::IconKey);
    EXPECT_TRUE(button.icon().isNull());

    EXPECT_EQ(button.infoForBinding(KZTabBarItem::IconKey)->observedObject, &model);
    EXPECT_EQ(button.infoForBinding(KZTabBarItem::LargeImageKey)->observedObject, nullptr);
    button.unbind(KZTabBarItem::IconKey);
    EXPECT_EQ(button.infoForBinding(KZTabBarItem::IconKey)->observedObject, nullptr);
}

TEST(TabBarButton, RebindingEndsTheEarlierObservation)
{
    auto first = std::make_unique<TabModel>();
    TabModel second;
    {
        KZTabBarButton button;
        first->setValueForKey(2, KZTabBarItem::ObjectCountKey);
        button.bind(KZTabBarItem::ObjectCountKey, first.get(), KZTabBarItem::ObjectCountKey);
        second.setValueForKey(9, KZTabBarItem::ObjectCountKey);
        button.bind(KZTabBarItem::ObjectCountKey, &second, KZTabBarItem::ObjectCountKey);
        EXPECT_EQ(button.objectCount(), 9);
        first->setValueForKey(4, KZTabBarItem::ObjectCountKey);
        EXPECT_EQ(button.objectCount(), 9);
        EXPECT_FALSE(first->hasObservers(KZTabBarItem::ObjectCountKey));
    }
    // The button is gone: neither model reaches it any more.
    first->setValueForKey(5, KZTabBarItem::ObjectCountKey);
    second.setValueForKey(6, KZTabBarItem::ObjectCountKey);
    EXPECT_FALSE(second.hasObservers(KZTabBarItem::ObjectCountKey));
}

TEST(TabBarButton, AltScrubbingClicksWithoutTheHoverLook)
{
    KZTabBarButton button;
    QSignalSpy clicks(&button, &platform::Control::activated);
    button.setSimulateClickOnMouseHovered(true);
    button.rolloverCell()->mouseEntered(Qt::AltModifier);
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_FALSE(button.mouseHovered());

    button.rolloverCell()->mouseEntered(Qt::NoModifier);
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_TRUE(button.mouseHovered());
    // Rebuilding the tracking clears the hover look at once.
    button.updateTrackingAreas();
    EXPECT_FALSE(button.mouseHovered());
}

TEST(TabBarButton, ContentChangesAskTheBarForOneDeferredPass)
{
    KZTabBarView bar;
    bar.setSizeButtonsToFit(true);
    deliver();
    const int before = bar.updateCount();
    auto *button = new KZTabBarButton(&bar);
    button->setTitle(QStringLiteral("One"));
    button->setTitle(QStringLiteral("Two"));
    EXPECT_TRUE(bar.needsUpdate());
    deliver();
    EXPECT_EQ(bar.updateCount(), before + 1);
    EXPECT_FALSE(bar.needsUpdate());
}

TEST(TabBarButton, HiddenBarHidesCloseButtonAndIndicator)
{
    KZTabBarView bar;
    auto *button = new KZTabBarButton(&bar);
    button->resize(120, 24);
    button->setStyle(std::make_shared<RecordingStyle>());
    button->setIsProcessing(true);
    EXPECT_FALSE(button->closeButton()->isHidden());
    bar.hideTabBar(true, false);
    EXPECT_TRUE(button->closeButton()->isHidden());
    EXPECT_TRUE(button->indicator()->isHidden());
    EXPECT_FALSE(button->indicator()->isAnimating());
    // Close buttons on hover only: the right margin holds the close image and gaps.
    bar.hideTabBar(false, false);
    bar.setOnlyShowCloseOnHover(true);
    EXPECT_EQ(button->tabCell()->_rightMargin(), 22.0);
}

TEST(TabBarButton, TabFollowsTheProvidersOfItsItem)
{
    TabModel model;
    model.setValueForKey(QStringLiteral("From the model"), KZTabBarItem::TitleKey);
    model.setValueForKey(3, KZTabBarItem::ObjectCountKey);
    const auto item = platform::TabViewItem::create(platform::KeyValueObservable::fromObservable(&model));
    KZTabBarView bar;
    auto *button = new KZAttachedTabBarButton(QRect(0, 0, 120, 22), item, &bar);
    button->setIsEdited(true);
    button->bindToTabViewItem();
    EXPECT_EQ(button->title(), QStringLiteral("From the model"));
    EXPECT_EQ(button->objectCount(), 3);
    EXPECT_TRUE(button->showObjectCount());
    EXPECT_FALSE(button->isEdited()); // the model's value, nil: not edited
    EXPECT_FALSE(button->hasCloseButton()); // the item's own property, never set

    // Without a model the item itself provides the seven properties and its label.
    const auto plain = platform::TabViewItem::create();
    plain->setLabel(QStringLiteral("Label"));
    auto *second = new KZAttachedTabBarButton(QRect(120, 0, 120, 22), plain, &bar);
    second->bindToTabViewItem();
    KZTabBarViewExtensions::setHasCloseButton(*plain, true);
    KZTabBarViewExtensions::setObjectCount(*plain, 2);
    plain->setLabel(QStringLiteral("Renamed"));
    EXPECT_TRUE(second->hasCloseButton());
    EXPECT_EQ(second->objectCount(), 2);
    EXPECT_EQ(second->title(), QStringLiteral("Renamed"));
    model.setValueForKey(0, KZTabBarItem::ObjectCountKey);
    EXPECT_FALSE(button->showObjectCount());
}
