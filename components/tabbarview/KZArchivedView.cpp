#include "components/tabbarview/KZArchivedView.h"

#include "components/tabbarview/KZOverflowPopUpButton.h"
#include "components/tabbarview/KZRolloverButton.h"
#include "platform/archive/CodingRegistry.h"

namespace {

const bool registered = platform::CodingRegistry::registerClass<KZArchivedView>(QStringLiteral("KZArchivedView"));

} // namespace

std::shared_ptr<KZArchivedView> KZArchivedView::forWidget(QWidget *widget)
{
    Q_UNUSED(registered);
    return forWidgetAs<KZArchivedView>(widget);
}

QRect KZArchivedView::saneFrame(const QRectF &frame)
{
    return boundedFrame(frame, QWIDGETSIZE_MAX, Fractions::Rounded);
}

void KZArchivedView::encodeWidgetKeys(platform::Coder &coder, QWidget &widget) const
{
    if (auto *overflow = qobject_cast<KZOverflowPopUpButton *>(&widget))
        overflow->overflowCell()->encode(coder);
    else if (auto *rollover = qobject_cast<KZRolloverButton *>(&widget))
        rollover->rolloverCell()->encode(coder);
}

std::unique_ptr<QWidget> KZArchivedView::decodeWidget(const QString &className, bool, platform::Coder &coder)
{
    if (className == QLatin1String(KZOverflowPopUpButton::staticMetaObject.className())) {
        auto button = std::make_unique<KZOverflowPopUpButton>();
        button->overflowCell()->decode(coder);
        return button;
    }
    if (className == QLatin1String(KZRolloverButton::staticMetaObject.className())) {
        auto button = std::make_unique<KZRolloverButton>();
        button->rolloverCell()->decode(coder);
        return button;
    }
    return std::make_unique<QWidget>();
}
