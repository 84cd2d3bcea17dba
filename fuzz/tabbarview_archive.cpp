// Fuzz target: a tab bar read from an untrusted keyed archive (as an interface file
// brings it), then laid out over its tab view (or a tab view of its own) and drawn,
// horizontal and vertical. Whatever the numbers (negative, huge or non-finite
// widths and frames, any orientation), the layout must end and drawing must not crash.
#include "components/tabbarview/KZTabBarView.h"
#include "platform/archive/KeyedUnarchiver.h"
#include "platform/drawing/TabView.h"

#include <QImage>
#include <QPainter>

#include <cstddef>
#include <cstdint>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    platform::KeyedUnarchiver unarchiver(bytes);
    QWidget window;
    std::unique_ptr<KZTabBarView> bar(KZTabBarView::fromCoder(unarchiver, &window));
    if (!bar)
        return 0;
    platform::TabView own;
    platform::TabView *tabView = bar->tabView() ? bar->tabView() : &own;
    if (tabView->numberOfTabViewItems() == 0) {
        for (int i = 0; i < 12; ++i) {
            auto item = platform::TabViewItem::create();
            item->setLabel(QStringLiteral("Tab %1 with a longer title").arg(i));
            tabView->addTabViewItem(item);
        }
    }
    bar->setTabView(tabView);
    tabView->setDelegate(bar.get());
    for (const unsigned orientation : {bar->orientation(), 1u - bar->orientation() % 2}) {
        bar->setOrientation(orientation);
        bar->resize(orientation == KZTabBarView::Vertical ? 160 : 480, orientation == KZTabBarView::Vertical ? 300 : 22);
        bar->updateTabBar(false);
        tabView->selectTabViewItemAtIndex(tabView->numberOfTabViewItems() - 1);
        bar->updateTabBar(false);
        QImage image(bar->size().boundedTo(QSize(600, 400)).expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        bar->render(&image);
    }
    tabView->setDelegate(nullptr);
    return 0;
}
