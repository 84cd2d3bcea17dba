// Fuzz target: a tab bar control, a tab cell, a button or an Adium style read from an
// untrusted keyed archive, then laid out and drawn. A decoded control lays out and
// draws in both orientations with every style and starts a hide and a show; a
// decoded Adium style draws a control of three tabs both ways. A decoded cell takes the place of a tab of
// a control over twelve items (any frame, step, tab state or count), the control lays
// out horizontally and vertically and draws; a decoded button is placed and drawn.
// Nothing may crash, hang or leak; a value of the wrong kind fails the decode, and so
// does a reference back that would leave objects keeping each other alive (a cell
// whose value holds its own control, or another control holding the cell).
#include "components/tabbarcontrol/VTArchivedView.h"
#include "components/tabbarcontrol/VTTabBarControl.h"
#include "components/tabbarcontrol/styles/VTAdiumTabStyle.h"
#include "platform/archive/KeyedUnarchiver.h"
#include "platform/drawing/TabView.h"

#include <QImage>
#include <QPainter>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace {

void draw(QWidget &widget)
{
    QImage image(widget.size().boundedTo(QSize(600, 400)).expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    widget.render(&image);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    platform::KeyedUnarchiver unarchiver(bytes);
    const platform::CodingPtr root = platform::Coder::objectFromValue(unarchiver.decodeObject(QStringLiteral("root")));
    if (unarchiver.failed() || !root)
        return 0;

    if (auto view = std::dynamic_pointer_cast<VTArchivedView>(root); view && qobject_cast<VTTabBarControl *>(view->widget())) {
        QWidget window;
        window.resize(500, 300);
        std::unique_ptr<QWidget> widget = view->takeWidget();
        auto *control = static_cast<VTTabBarControl *>(widget.get());
        control->setParent(&window);
        const QString styleName = control->styleName();
        for (const QString &name : {styleName, QStringLiteral("Aqua"), QStringLiteral("Adium"), QStringLiteral("Card"),
                                    QStringLiteral("Unified"), QStringLiteral("Metal")}) {
            if (name != styleName)
                control->setStyleNamed(name);
            for (const int orientation : {0, 1}) {
                control->setOrientation(orientation);
                control->setGeometry(0, 0, orientation ? 160 : 480, orientation ? 280 : 22);
                control->updateTabBar(false);
                control->hideTabBar(!control->isTabBarHidden(), true);
                draw(*control);
            }
        }
        if (control->tabView() && control->tabView()->delegate() == control)
            control->tabView()->setDelegate(nullptr);
        return 0;
    }
    if (auto adium = std::dynamic_pointer_cast<VTAdiumTabStyle>(root)) {
        platform::TabView tabView;
        VTTabBarControl control;
        control.setTabView(&tabView);
        tabView.setDelegate(&control);
        for (int i = 0; i < 3; ++i) {
            auto item = platform::TabViewItem::create();
            item->setLabel(QStringLiteral("Adium tab %1 with a title that wraps").arg(i));
            tabView.addTabViewItem(item);
        }
        control.setStyle(adium);
        for (const int orientation : {0, 1}) {
            control.setOrientation(orientation);
            control.resize(orientation ? 120 : 480, orientation ? 200 : 22);
            control.updateTabBar(false);
            for (const auto &cell : control.cells()) {
                cell->setHasCloseButton(true);
                cell->setCount(3);
            }
            draw(control);
        }
        tabView.setDelegate(nullptr);
        return 0;
    }
    if (auto view = std::dynamic_pointer_cast<VTArchivedView>(root)) {
        QWidget parent;
        parent.resize(300, 40);
        std::unique_ptr<QWidget> widget = view->takeWidget();
        if (widget) {
            widget->setParent(&parent);
            widget->resize(widget->size().boundedTo(QSize(300, 40)));
            draw(parent);
        }
        return 0;
    }
    auto decoded = std::dynamic_pointer_cast<VTTabBarCell>(root);
    if (!decoded)
        return 0;

    platform::TabView tabView;
    VTTabBarControl control;
    control.setTabView(&tabView);
    tabView.setDelegate(&control);
    for (int i = 0; i < 12; ++i) {
        auto item = platform::TabViewItem::create();
        item->setLabel(QStringLiteral("Tab %1 with a longer title").arg(i));
        tabView.addTabViewItem(item);
    }
    decoded->setControlView(&control);
    (void)decoded->minimumWidthOfCell();
    (void)decoded->desiredWidthOfCell();
    for (const int orientation : {0, 1}) {
        control.setOrientation(orientation);
        control.resize(orientation ? 160 : 480, orientation ? 300 : 22);
        control.setSizeCellsToFit(!control.sizeCellsToFit());
        control.updateTabBar(false);
        VTTabBarCell *first = control.cells().front().get();
        first->setTabState(decoded->tabState());
        first->setCurrentStep(decoded->currentStep());
        first->setCount(decoded->count());
        first->setHasIcon(decoded->hasIcon());
        first->setFrame(decoded->frame());
        first->setIsPlaceholder(decoded->isPlaceholder());
        control.controller()->setSelectedCell(control.cells().back().get());
        draw(control);
        QImage image(200, 30, QImage::Format_ARGB32_Premultiplied);
        QPainter painter(&image);
        decoded->drawWithFrame(painter, decoded->frame(), &control);
    }
    decoded->setControlView(nullptr);
    tabView.setDelegate(nullptr);
    return 0;
}
