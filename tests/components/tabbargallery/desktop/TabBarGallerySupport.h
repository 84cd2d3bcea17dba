#pragma once
// Pieces of the tab bar galleries: a window holding one bar over a tab view filled
// with tabs that show every state a style draws (selected, under the pointer,
// edited, processing, counted, with an icon, and enough of them to overflow), and
// where the pictures go ($CHRONARK_SCREENSHOT_DIR, else the temporary folder).
#include "tests/support/TestSupport.h"
#include "components/tabbarview/KZAttachedTabBarButton.h"
#include "components/tabbarview/KZTabBarView.h"
#include "components/tabbarview/KZTabBarViewExtensions.h"
#include "platform/drawing/TabView.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPixmap>
#include <QVBoxLayout>
#include <QWidget>
#include <memory>

namespace tabbargallery {

inline QString pictureFolder()
{
    return QFileInfo(testsupport::screenshotPath(QStringLiteral("x"))).path();
}

inline QIcon documentIcon(const QColor &colour)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(colour.darker(150));
    painter.setBrush(colour);
    painter.drawRoundedRect(QRectF(2.5, 1.5, 11, 13), 2, 2);
    return QIcon(pixmap);
}

// A window with one bar of the style over a tab view of `tabs` tabs; the first
// shows an icon, the second is edited, the third processing, the fourth counted;
// every tab has a close button.
struct GalleryWindow
{
    GalleryWindow(const QString &style, unsigned orientation, int tabs)
    {
        window.setWindowTitle(QStringLiteral("Tab bar %1").arg(style));
        auto *layout = new QVBoxLayout(&window);
        layout->setContentsMargins(8, 8, 8, 8);
        bar = new KZTabBarView(&window);
        bar->setStyleNamed(style);
        bar->setOrientation(orientation);
        bar->setShowAddTabButton(true);
        tabView = new platform::TabView(&window);
        bar->setTabView(tabView);
        tabView->setDelegate(bar);
        if (orientation == KZTabBarView::Vertical)
            bar->setFixedSize(180, 10 + 22 * std::min(tabs, 6) + 30);
        else
            bar->setFixedSize(620, 22);
        layout->addWidget(bar);
        for (int i = 0; i < tabs; ++i) {
            auto item = platform::TabViewItem::create();
            item->setLabel(i == 0 ? QStringLiteral("Invoices 2026") : QStringLiteral("Project %1").arg(i + 1));
            KZTabBarViewExtensions::setHasCloseButton(*item, true);
            if (i == 0)
                KZTabBarViewExtensions::setIcon(*item, documentIcon(QColor(120, 160, 220)));
            if (i == 1)
                KZTabBarViewExtensions::setIsEdited(*item, true);
            if (i == 2)
                KZTabBarViewExtensions::setIsProcessing(*item, true);
            if (i == 3)
                KZTabBarViewExtensions::setObjectCount(*item, 7);
            tabView->addTabViewItem(item);
        }
        tabView->selectTabViewItemAtIndex(1);
    }
    ~GalleryWindow() { tabView->setDelegate(nullptr); }

    QWidget window;
    KZTabBarView *bar = nullptr;
    platform::TabView *tabView = nullptr;
};

} // namespace tabbargallery
