#pragma once
// The model object of a tab. A class marks itself as one by deriving from
// KZTabBarItem and offers any of the eight optional properties as observable keys of
// its key table: "title" (QString), "icon" and "largeImage" (QIcon), "objectCount"
// (int), "objectCountColor" (QColor), "isProcessing", "isEdited" and
// "hasCloseButton" (bool). A property the object offers is one whose key it has
// (hasKey()); the tab of such an object follows every change of it.
//
// The platform's TabViewItem serves as a tab's model too: the tab bar library gives
// every item seven of these keys (all but "title"; see KZTabBarViewExtensions).
// Ownership and threading are the model's own; main thread for bound objects.
#include "platform/drawing/TabViewItem.h"
#include "platform/foundation/KeyValueObserving.h"

#include <QString>
#include <QStringList>

class KZTabBarItem : public platform::KeyValueObservable
{
public:
    static inline const QString TitleKey = QStringLiteral("title");
    static inline const QString IconKey = QStringLiteral("icon");
    static inline const QString LargeImageKey = QStringLiteral("largeImage");
    static inline const QString ObjectCountKey = QStringLiteral("objectCount");
    static inline const QString ObjectCountColorKey = QStringLiteral("objectCountColor");
    static inline const QString IsProcessingKey = QStringLiteral("isProcessing");
    static inline const QString IsEditedKey = QStringLiteral("isEdited");
    static inline const QString HasCloseButtonKey = QStringLiteral("hasCloseButton");

    static QStringList propertyKeys()
    {
        return {TitleKey, IconKey, LargeImageKey, ObjectCountKey, ObjectCountColorKey,
                IsProcessingKey, IsEditedKey, HasCloseButtonKey};
    }

    // Where a tab's property comes from: the item's identifier when it is a
    // KZTabBarItem that has the key, else the item itself when it has the key (the
    // seven properties of KZTabBarViewExtensions), else nothing.
    static platform::KeyValueObservable *providerOf(const platform::TabViewItem &item, const QString &key)
    {
        auto *identifier = dynamic_cast<KZTabBarItem *>(platform::KeyValueObservable::toObservable(item.identifier()));
        if (identifier && identifier->hasKey(key))
            return identifier;
        if (item.hasKey(key))
            return const_cast<platform::TabViewItem *>(&item);
        return nullptr;
    }

    QString className() const override { return QStringLiteral("KZTabBarItem"); }
};
