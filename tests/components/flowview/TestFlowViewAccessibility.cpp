// The flow view's accessibility as Qt's clients see it, in process.
#include "components/flowview/KZFlowView.h"
#include "components/flowview/KZLayerAccessibilityHelper.h"
#include "components/flowview/KZVideoOverlayLayer.h"
#include "tests/components/flowview/FlowViewTestSupport.h"
#include "tests/platform/layers/LayerTestSupport.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAccessibleValueInterface>
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using Helper = KZLayerAccessibilityHelper;

namespace {

class FlowViewAccessibility : public layertest::FrozenClockTest
{
protected:
    void SetUp() override
    {
        FrozenClockTest::SetUp();
        flowtest::show(view, QSize(900, 420));
        flowtest::fill(view, source, 2);
        view.rootLayer()->layoutIfNeeded();
        advance(1000);
        pane = QAccessible::queryAccessibleInterface(&view);
        ASSERT_TRUE(pane);
        ASSERT_EQ(pane->childCount(), 2);
        list = pane->child(0);
        bar = pane->child(1);
    }

    KZFlowView view;
    flowtest::Source source{5};
    QAccessibleInterface *pane = nullptr;
    QAccessibleInterface *list = nullptr;
    QAccessibleInterface *bar = nullptr;
};

TEST_F(FlowViewAccessibility, RolesNamesAndSelection)
{
    EXPECT_EQ(pane->role(), QAccessible::Pane);
    EXPECT_EQ(list->role(), QAccessible::List);
    EXPECT_EQ(bar->role(), QAccessible::ScrollBar);
    EXPECT_EQ(list->parent(), pane);
    ASSERT_EQ(list->childCount(), 5);
    for (int i = 0; i < 5; ++i) {
        QAccessibleInterface *image = list->child(i);
        EXPECT_EQ(image->role(), QAccessible::Graphic);
        EXPECT_EQ(image->text(QAccessible::Name), QStringLiteral("Picture %1").arg(i + 1));
        EXPECT_EQ(image->state().selected, i == 2) << i;
        EXPECT_EQ(list->indexOfChild(image), i);
        EXPECT_EQ(image->parent(), list);
    }
    QAccessibleInterface *knob = bar->child(0);
    ASSERT_TRUE(knob);
    EXPECT_EQ(knob->role(), QAccessible::Indicator);
    EXPECT_DOUBLE_EQ(knob->valueInterface()->currentValue().toDouble(), 0.5);

    list->child(4)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(view.selectedIndex(), 4u);
    EXPECT_TRUE(list->child(4)->state().selected);
    EXPECT_DOUBLE_EQ(knob->valueInterface()->currentValue().toDouble(), 1.0);

    // The list's own selected children, as the protocol sets them.
    const auto element = KZFlowView::accessibilityElementOfLayer(view.backgroundLayer().get());
    element->accessibilitySetValue(QVariantList{1}, Helper::SelectedChildrenAttribute);
    EXPECT_EQ(view.selectedIndex(), 1u);
    EXPECT_EQ(element->accessibilityAttributeValue(Helper::SelectedChildrenAttribute).toList().size(), 1);
    EXPECT_EQ(element->accessibilityAttributeValue(Helper::OrientationAttribute), Helper::HorizontalOrientationValue);
}

TEST_F(FlowViewAccessibility, RectanglesAndHitsGoThroughTheLayers)
{
    const QRectF inLayer = view.rectInViewForLayer(view.imageLayerAtIndex(2).get());
    QAccessibleInterface *selected = list->child(2);
    const QRect rect = selected->rect();
    EXPECT_NEAR(rect.width(), inLayer.width(), 1);
    EXPECT_NEAR(rect.top(), view.mapToGlobal(QPoint(0, 0)).y() + view.height() - inLayer.bottom(), 1);
    const QPoint centre = rect.center();
    EXPECT_EQ(pane->childAt(centre.x(), centre.y()), list);
    EXPECT_EQ(list->childAt(centre.x(), centre.y()), selected);
    const QPoint onBar = bar->rect().center();
    EXPECT_EQ(pane->childAt(onBar.x(), onBar.y()), bar);
    EXPECT_EQ(list->childAt(onBar.x(), onBar.y()), nullptr);
}

TEST_F(FlowViewAccessibility, TheMovieCheckBoxTogglesTheButton)
{
    auto movie = std::make_shared<flowtest::FakeMovie>();
    const auto movieLayer = view.createMovieLayerWithMovie(movie, 2);
    view.imageLayerAtIndex(2)->addSublayer(movieLayer);
    QAccessibleInterface *image = list->child(2);
    ASSERT_EQ(image->childCount(), 1);
    QAccessibleInterface *check = image->child(0);
    EXPECT_EQ(check->role(), QAccessible::CheckBox);
    EXPECT_EQ(check->text(QAccessible::Name), QStringLiteral("Start movie playback"));
    EXPECT_FALSE(check->state().checked);
    check->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_EQ(view.overlayLayerAtIndex(2)->buttonLayer()->state(), 1);
    EXPECT_TRUE(check->state().checked);
    EXPECT_EQ(check->text(QAccessible::Name), QStringLiteral("Stop movie playback"));
}

TEST_F(FlowViewAccessibility, ReappliedAttributesKeepOneElementPerItem)
{
    auto movie = std::make_shared<flowtest::FakeMovie>();
    view.imageLayerAtIndex(2)->addSublayer(view.createMovieLayerWithMovie(movie, 2));
    for (int round = 0; round < 10; ++round)
        for (quint32 i = 0; i < 5; ++i)
            view.setAttributesForItemContentLayer(*view.imageLayerAtIndex(i), i);
    ASSERT_EQ(list->childCount(), 5);
    for (quint32 i = 0; i < 5; ++i) {
        const auto element = KZFlowView::accessibilityElementOfLayer(view.imageLayerAtIndex(i).get());
        EXPECT_EQ(list->child(int(i)), element->accessibleInterface()) << i;
        EXPECT_EQ(element->parent(), KZFlowView::accessibilityElementOfLayer(view.backgroundLayer().get()).get());
    }
    EXPECT_EQ(list->child(2)->childCount(), 1); // the movie's check box moved along
}

TEST_F(FlowViewAccessibility, TheKnobStandsAtZeroWithoutTwoItemsOrASelection)
{
    QAccessibleValueInterface *knob = bar->child(0)->valueInterface();
    view.setNumberOfItems(1);
    EXPECT_DOUBLE_EQ(knob->currentValue().toDouble(), 0.0);
    KZFlowView empty;
    QAccessibleInterface *emptyBar = QAccessible::queryAccessibleInterface(&empty)->child(1);
    EXPECT_DOUBLE_EQ(emptyBar->child(0)->valueInterface()->currentValue().toDouble(), 0.0);
}

TEST(LayerAccessibilityHelper, ChildrenAndHandlers)
{
    auto element = Helper::layerAccesibilityHelperWithRole(QAccessible::List, nullptr, nullptr, nullptr);
    EXPECT_FALSE(element->isFocused());
    EXPECT_TRUE(element->isEnabled());
    EXPECT_FALSE(element->accessibilityAttributeNames().contains(Helper::ChildrenAttribute));
    auto child = Helper::layerAccesibilityHelperWithRole(QAccessible::Graphic, nullptr, nullptr, nullptr);
    element->addChildrenObject(child);
    EXPECT_TRUE(element->accessibilityAttributeNames().contains(Helper::ChildrenAttribute));
    EXPECT_EQ(child->parent(), element.get());
    element->removeObjectFromChildrenAtIndex(0);
    EXPECT_FALSE(element->accessibilityAttributeNames().contains(Helper::ChildrenAttribute));
    EXPECT_EQ(child->parent(), nullptr);

    element->addHandlerForAttribute(QStringLiteral("AXCustom"), [](Helper &) { return QVariant(1); });
    element->addHandlerForAttribute(QStringLiteral("AXCustom"), [](Helper &) { return QVariant(2); });
    EXPECT_EQ(element->accessibilityAttributeValue(QStringLiteral("AXCustom")), QVariant(2));
    EXPECT_FALSE(element->accessibilityAttributeValue(QStringLiteral("AXOther")).isValid());
    element->accessibilitySetValue(3, QStringLiteral("AXCustom")); // no set handler: ignored
    EXPECT_EQ(element->description(), QStringLiteral("<KZLayerAccessibilityHelper> role: List"));
    const QAccessible::Id id = element->accessibleId();
    EXPECT_TRUE(QAccessible::accessibleInterface(id));
    element.reset();
    EXPECT_FALSE(QAccessible::accessibleInterface(id));
}

} // namespace

// Children inserted, removed and replaced at random places of two parents, elements
// moving between them: after every step each parent's children are those of a plain
// list kept beside it, each found at its own index, none twice, each knowing its
// parent.
TEST(LayerAccessibilityHelper, RandomChildChangesKeepOrderIndexesAndParents)
{
    std::mt19937 random(54);
    auto pick = [&random](qsizetype n) { return qsizetype(random() % quint32(std::max<qsizetype>(n, 1))); };
    std::vector<Helper::Ptr> pool;
    for (int i = 0; i < 40; ++i)
        pool.push_back(Helper::layerAccesibilityHelperWithRole(QAccessible::Graphic, nullptr, nullptr, nullptr));
    const Helper::Ptr parents[2] = {Helper::layerAccesibilityHelperWithRole(QAccessible::List, nullptr, nullptr, nullptr),
                                    Helper::layerAccesibilityHelperWithRole(QAccessible::List, nullptr, nullptr, nullptr)};
    std::vector<Helper *> model[2];
    auto modelIndex = [&model](int p, const Helper *element) {
        const auto found = std::find(model[p].begin(), model[p].end(), element);
        return found == model[p].end() ? qsizetype(-1) : qsizetype(found - model[p].begin());
    };
    auto leaveOther = [&](int p, const Helper *element) {
        const qsizetype at = modelIndex(1 - p, element);
        if (at >= 0)
            model[1 - p].erase(model[1 - p].begin() + at);
    };
    for (int step = 0; step < 3000; ++step) {
        SCOPED_TRACE(step);
        const int p = int(random() % 2);
        Helper &parent = *parents[p];
        std::vector<Helper *> &children = model[p];
        const Helper::Ptr element = pool[size_t(pick(qsizetype(pool.size())))];
        switch (random() % 5) {
        case 0: { // insert anywhere (a child already there stays where it is)
            const qsizetype at = pick(qsizetype(children.size()) + 1);
            parent.insertObjectInChildrenAtIndex(element, at);
            if (modelIndex(p, element.get()) < 0) {
                leaveOther(p, element.get());
                children.insert(children.begin() + std::min<qsizetype>(at, qsizetype(children.size())), element.get());
            }
            break;
        }
        case 1: // add at the end
            parent.addChildrenObject(element);
            if (modelIndex(p, element.get()) < 0) {
                leaveOther(p, element.get());
                children.push_back(element.get());
            }
            break;
        case 2: // remove anywhere
            if (!children.empty()) {
                const qsizetype at = pick(qsizetype(children.size()));
                parent.removeObjectFromChildrenAtIndex(at);
                children.erase(children.begin() + at);
            }
            break;
        case 3: { // replace a child in place
            if (children.empty())
                break;
            Helper *old = children[size_t(pick(qsizetype(children.size())))];
            parent.replaceChild(old, element);
            if (element.get() == old)
                break;
            const qsizetype already = modelIndex(p, element.get());
            if (already >= 0)
                children.erase(children.begin() + already);
            leaveOther(p, element.get());
            children[size_t(modelIndex(p, old))] = element.get();
            break;
        }
        default: { // replacing what is no child adds the replacement at the end
            const Helper::Ptr stranger = pool[size_t(pick(qsizetype(pool.size())))];
            if (modelIndex(p, stranger.get()) >= 0)
                break;
            parent.replaceChild(stranger.get(), element);
            if (modelIndex(p, element.get()) < 0) {
                leaveOther(p, element.get());
                children.push_back(element.get());
            }
            break;
        }
        }
        for (int q = 0; q < 2; ++q) {
            ASSERT_EQ(parents[q]->countOfChildren(), qsizetype(model[q].size()));
            for (qsizetype i = 0; i < qsizetype(model[q].size()); ++i) {
                ASSERT_EQ(parents[q]->objectInChildrenAtIndex(i).get(), model[q][size_t(i)]) << q << " " << i;
                ASSERT_EQ(parents[q]->indexOfChild(model[q][size_t(i)]), i);
                ASSERT_EQ(model[q][size_t(i)]->parent(), parents[q].get());
            }
        }
        for (const Helper::Ptr &any : pool) {
            if (modelIndex(0, any.get()) < 0 && modelIndex(1, any.get()) < 0) {
                ASSERT_EQ(parents[0]->indexOfChild(any.get()), -1);
                ASSERT_EQ(parents[1]->indexOfChild(any.get()), -1);
                ASSERT_EQ(any->parent(), nullptr);
            }
        }
    }
}
