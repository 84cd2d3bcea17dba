#include "components/tabbarcontrol/VTArchivedView.h"

#include "components/tabbarcontrol/VTOverflowPopUpButton.h"
#include "components/tabbarcontrol/VTProgressIndicator.h"
#include "components/tabbarcontrol/VTRolloverButton.h"
#include "components/tabbarcontrol/VTTabBarControl.h"
#include "platform/archive/Coder.h"
#include "platform/archive/CodingRegistry.h"
#include "platform/drawing/TabView.h"

namespace {

const bool registered = platform::CodingRegistry::registerClass<VTArchivedView>(QStringLiteral("VTArchivedView"));

// Reads a widget that archives itself, or refuses it.
template <class Widget> std::unique_ptr<QWidget> selfArchived(platform::Coder &coder)
{
    auto widget = std::make_unique<Widget>();
    if (!widget->initWithCoder(coder))
        return nullptr;
    return widget;
}

} // namespace

std::shared_ptr<VTArchivedView> VTArchivedView::forWidget(QWidget *widget)
{
    Q_UNUSED(registered);
    return forWidgetAs<VTArchivedView>(widget);
}

QRect VTArchivedView::saneFrame(const QRectF &frame)
{
    return boundedFrame(frame, MaximumCoordinate, Fractions::Truncated);
}

// The class a widget is written as: its own when it is one this file can make again,
// else a plain widget.
QString VTArchivedView::archivedClassName(const QWidget &widget) const
{
    const QString name = ArchivedWidget::archivedClassName(widget);
    static const QStringList known = {QStringLiteral("VTProgressIndicator"), QStringLiteral("VTOverflowPopUpButton"),
                                      QStringLiteral("VTRolloverButton"), QStringLiteral("VTTabBarControl"),
                                      QString::fromLatin1(platform::TabView::staticMetaObject.className())};
    return known.contains(name) ? name : QStringLiteral("QWidget");
}

bool VTArchivedView::archivedHidden(const QWidget &widget) const
{
    if (auto *indicator = qobject_cast<const VTProgressIndicator *>(&widget))
        return indicator->isHidden();
    return widget.isHidden();
}

void VTArchivedView::encodeWidgetKeys(platform::Coder &coder, QWidget &widget) const
{
    if (auto *overflow = qobject_cast<VTOverflowPopUpButton *>(&widget))
        overflow->encodeWithCoder(coder);
    else if (auto *rollover = qobject_cast<VTRolloverButton *>(&widget))
        rollover->encodeWithCoder(coder);
    else if (auto *control = qobject_cast<VTTabBarControl *>(&widget))
        control->encodeWithCoder(coder);
}

std::unique_ptr<QWidget> VTArchivedView::decodeWidget(const QString &className, bool hidden, platform::Coder &coder)
{
    if (className == QLatin1String("VTProgressIndicator")) {
        auto indicator = std::make_unique<VTProgressIndicator>();
        indicator->setHidden(hidden);
        return indicator;
    }
    if (className == QLatin1String("VTOverflowPopUpButton"))
        return selfArchived<VTOverflowPopUpButton>(coder);
    if (className == QLatin1String("VTRolloverButton"))
        return selfArchived<VTRolloverButton>(coder);
    if (className == QLatin1String("VTTabBarControl"))
        return selfArchived<VTTabBarControl>(coder);
    if (className == QLatin1String("QWidget"))
        return std::make_unique<QWidget>();
    coder.failWithError(QStringLiteral("VTArchivedView: unknown view class \"%1\"").arg(className.left(64)));
    return nullptr;
}
