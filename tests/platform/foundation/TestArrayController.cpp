#include "platform/foundation/ArrayController.h"

#include <gtest/gtest.h>

using platform::ArrayController;
using IndexSet = ArrayController::IndexSet;

TEST(ArrayController, KeysAnnounceOnlyChanges)
{
    ArrayController controller(QVariantList{"a", "b", "c"});
    QStringList heard;
    for (const QString key : {"content", "arrangedObjects", "selectionIndexes", "selectedObjects"})
        controller.addObserver(key, [&](platform::KeyValueObservable &, const QString &changed, bool prior) {
            if (!prior)
                heard << changed;
        });
    EXPECT_TRUE(controller.setSelectionIndexes({2, 0, 9})); // past the content: dropped
    EXPECT_EQ(controller.selectionIndexes(), (IndexSet{0, 2}));
    EXPECT_EQ(controller.selectedObjects(), (QVariantList{"a", "c"}));
    EXPECT_EQ(heard, (QStringList{"selectedObjects", "selectionIndexes"}));
    heard.clear();
    EXPECT_FALSE(controller.setSelectionIndexes({0, 2}));
    EXPECT_TRUE(heard.isEmpty());

    // Shortening the content drops the selected indexes past it.
    controller.setContent({"x", "y"});
    EXPECT_EQ(controller.selectionIndexes(), IndexSet{0});
    EXPECT_EQ(heard, (QStringList{"selectedObjects", "selectionIndexes", "arrangedObjects", "content"}));
    EXPECT_EQ(controller.valueForKey(QStringLiteral("arrangedObjects")), QVariant(QVariantList{"x", "y"}));

    // Through key-value coding, with the index set in a QVariant.
    controller.setValueForKey(ArrayController::indexSetValue({1}), QStringLiteral("selectionIndexes"));
    EXPECT_EQ(ArrayController::indexSetFromValue(controller.valueForKey(QStringLiteral("selectionIndexes"))),
              IndexSet{1});
    EXPECT_TRUE(ArrayController::indexSetFromValue(QVariant(3)).empty());
}
