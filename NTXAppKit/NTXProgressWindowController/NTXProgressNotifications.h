#pragma once
// The three notifications through which work reports its progress, posted on the
// default notification center from any thread (delivered on the main thread). The
// notification's object is the descriptor; begin and end also carry the descriptor
// itself in the user information under HolderKey, which keeps it alive until the
// notification is delivered. Update notifications carry property names and values.
#include "NTXAppKit/NTXProgressWindowController/NTXProgressDescriptor.h"

#include <QVariantMap>
#include <optional>

namespace NTXProgressNotifications {

inline const QString WillBeginProcessing = QStringLiteral("KZWillBeginProcessingWithProgressDescriptor");
inline const QString UpdateProcessing = QStringLiteral("KZUpdateProcessingWithProgressDescriptor");
inline const QString DidEndProcessing = QStringLiteral("KZDidEndProcessingWithProgressDescriptor");
inline const QString HolderKey = QStringLiteral("NTXProgressDescriptor");

NTXProgressDescriptorPtr postWillBeginProcessing(const QString &title, const QString &infoText, bool allowCancel);
NTXProgressDescriptorPtr postWillBeginProcessing(const QString &title, const QString &infoText, float minValue,
                                                 float maxValue, float startValue, bool allowCancel);
void postWillBeginProcessing(const NTXProgressDescriptorPtr &descriptor);
void postDidEndProcessing(const NTXProgressDescriptorPtr &descriptor);
void postUpdate(const NTXProgressDescriptorPtr &descriptor, const QVariantMap &change);
// Each text given (not null) goes in; the current value only for a determinate one.
void postUpdate(const NTXProgressDescriptorPtr &descriptor, const QString &title, const QString &infoText,
                std::optional<float> currentValue, const QString &progressDescription);

// The descriptor a notification is about (null when it carries none).
NTXProgressDescriptorPtr descriptorOf(QObject *object, const QVariantMap &userInfo);

} // namespace NTXProgressNotifications
