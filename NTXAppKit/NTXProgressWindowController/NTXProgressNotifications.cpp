#include "NTXAppKit/NTXProgressWindowController/NTXProgressNotifications.h"

#include "platform/foundation/NotificationCenter.h"

namespace NTXProgressNotifications {

namespace {

void post(const QString &name, const NTXProgressDescriptorPtr &descriptor, QVariantMap userInfo)
{
    if (!descriptor)
        return;
    userInfo.insert(HolderKey, QVariant::fromValue(descriptor));
    platform::NotificationCenter::defaultCenter().post(name, descriptor.get(), userInfo);
}

} // namespace

NTXProgressDescriptorPtr postWillBeginProcessing(const QString &title, const QString &infoText, bool allowCancel)
{
    NTXProgressDescriptorPtr descriptor = NTXProgressDescriptor::indeterminate(title, infoText, allowCancel);
    postWillBeginProcessing(descriptor);
    return descriptor;
}

NTXProgressDescriptorPtr postWillBeginProcessing(const QString &title, const QString &infoText, float minValue,
                                                 float maxValue, float startValue, bool allowCancel)
{
    NTXProgressDescriptorPtr descriptor =
        NTXProgressDescriptor::determinate(title, infoText, minValue, maxValue, allowCancel);
    descriptor->setCurrentValue(startValue);
    postWillBeginProcessing(descriptor);
    return descriptor;
}

void postWillBeginProcessing(const NTXProgressDescriptorPtr &descriptor)
{
    post(WillBeginProcessing, descriptor, {});
}

void postDidEndProcessing(const NTXProgressDescriptorPtr &descriptor)
{
    post(DidEndProcessing, descriptor, {});
}

void postUpdate(const NTXProgressDescriptorPtr &descriptor, const QVariantMap &change)
{
    post(UpdateProcessing, descriptor, change);
}

void postUpdate(const NTXProgressDescriptorPtr &descriptor, const QString &title, const QString &infoText,
                std::optional<float> currentValue, const QString &progressDescription)
{
    if (!descriptor)
        return;
    QVariantMap change;
    if (!title.isNull())
        change.insert(NTXProgressDescriptor::TitleKey, title);
    if (!infoText.isNull())
        change.insert(NTXProgressDescriptor::InfoTextKey, infoText);
    if (!progressDescription.isNull())
        change.insert(NTXProgressDescriptor::ProgressDescriptionKey, progressDescription);
    if (currentValue && !descriptor->isIndeterminate())
        change.insert(NTXProgressDescriptor::CurrentValueKey, *currentValue);
    postUpdate(descriptor, change);
}

NTXProgressDescriptorPtr descriptorOf(QObject *object, const QVariantMap &userInfo)
{
    NTXProgressDescriptorPtr held = userInfo.value(HolderKey).value<NTXProgressDescriptorPtr>();
    if (held && held.get() == object)
        return held;
    return nullptr;
}

} // namespace NTXProgressNotifications
