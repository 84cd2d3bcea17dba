// A picture of every registered tab style on a real X server: horizontal and (where
// the style draws it) vertical, in the key window and in a window that is not key,
// with selected, hovered, edited, processing, counted, icon and overflowed tabs. One
// PNG per case, for people to look at.
#include "tests/support/TestSupport.h"
#include "tests/components/tabbargallery/desktop/TabBarGallerySupport.h"

#include "components/tabbarview/KZOverflowPopUpButton.h"
#include "components/tabbarview/KZTabStyleRegistry.h"

#include <QTest>
#include <gtest/gtest.h>

TEST(TabBarViewGallery, EveryStyleInEveryOrientationKeyAndNotKey)
{
    QWidget other;
    other.setWindowTitle(QStringLiteral("Other window"));
    other.resize(120, 60);
    int pictures = 0;
    for (const QString &style : KZTabStyleRegistry::registeredTabStyleNames()) {
        for (const unsigned orientation : {unsigned(KZTabBarView::Horizontal), unsigned(KZTabBarView::Vertical)}) {
            for (const bool key : {true, false}) {
                SCOPED_TRACE(qPrintable(style));
                tabbargallery::GalleryWindow gallery(style, orientation, 9);
                if (!gallery.bar->supportsOrientation(orientation))
                    continue;
                gallery.window.show();
                ASSERT_TRUE(QTest::qWaitForWindowExposed(&gallery.window));
                QWidget *active = key ? &gallery.window : &other;
                active->show();
                active->activateWindow();
                ASSERT_TRUE(QTest::qWaitFor([&] { return gallery.bar->isWindowActive() == key; }));
                gallery.bar->updateTabBar(false);
                const auto buttons = gallery.bar->orderedAttachedButtons();
                ASSERT_GE(buttons.size(), 4u);
                buttons[2]->rolloverCell()->mouseEntered(Qt::NoModifier); // under the pointer
                gallery.bar->update();
                testsupport::settleEvents();
                if (orientation == KZTabBarView::Horizontal) {
                    EXPECT_TRUE(gallery.bar->isOverflowButtonVisible());
                }
                EXPECT_TRUE(buttons[2]->isProcessing());
                const QImage shot = gallery.window.grab().toImage();
                const QString name = QStringLiteral("/tabbar-%1-%2-%3.png")
                                         .arg(style.toLower(), orientation == KZTabBarView::Horizontal
                                                                   ? QStringLiteral("horizontal")
                                                                   : QStringLiteral("vertical"),
                                              key ? QStringLiteral("key") : QStringLiteral("notkey"));
                ASSERT_TRUE(shot.save(tabbargallery::pictureFolder() + name));
                ++pictures;
                other.hide();
            }
        }
    }
    EXPECT_GE(pictures, 4);
}
