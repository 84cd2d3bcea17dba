#include "platform/drawing/TabViewItem.h"

#include "platform/drawing/TabView.h"

#include <QMutex>

namespace platform {

namespace {

struct ExtraKeys
{
    QMutex mutex;
    QHash<QString, QVariant> defaults;
};

ExtraKeys &extraKeys()
{
    static ExtraKeys keys;
    return keys;
}

} // namespace

TabViewItem::TabViewItem(const QVariant &identifier)
    : m_identifier(identifier)
{
}

TabViewItem::~TabViewItem()
{
    delete m_view.data();
}

std::shared_ptr<TabViewItem> TabViewItem::create(const QVariant &identifier)
{
    return std::make_shared<TabViewItem>(identifier);
}

void TabViewItem::setLabel(const QString &label)
{
    if (label == m_label)
        return;
    willChangeValueForKey(QStringLiteral("label"));
    m_label = label;
    didChangeValueForKey(QStringLiteral("label"));
}

void TabViewItem::setIdentifier(const QVariant &identifier)
{
    willChangeValueForKey(QStringLiteral("identifier"));
    m_identifier = identifier;
    didChangeValueForKey(QStringLiteral("identifier"));
}

void TabViewItem::setView(QWidget *view)
{
    if (view == m_view)
        return;
    willChangeValueForKey(QStringLiteral("view"));
    QWidget *old = m_view;
    m_view = view;
    delete old;
    if (m_tabView)
        m_tabView->itemViewChanged(this);
    didChangeValueForKey(QStringLiteral("view"));
}

bool TabViewItem::registerExtraKey(const QString &key, const QVariant &defaultValue)
{
    static const QStringList own{QStringLiteral("label"), QStringLiteral("identifier"), QStringLiteral("view")};
    if (key.isEmpty() || own.contains(key))
        return false;
    ExtraKeys &keys = extraKeys();
    QMutexLocker locker(&keys.mutex);
    keys.defaults.insert(key, defaultValue);
    return true;
}

bool TabViewItem::isExtraKey(const QString &key)
{
    ExtraKeys &keys = extraKeys();
    QMutexLocker locker(&keys.mutex);
    return keys.defaults.contains(key);
}

bool TabViewItem::hasKey(const QString &key) const
{
    return KeyValueObservable::hasKey(key) || isExtraKey(key);
}

QVariant TabViewItem::valueForUndefinedKey(const QString &key) const
{
    ExtraKeys &keys = extraKeys();
    QMutexLocker locker(&keys.mutex);
    const auto registered = keys.defaults.constFind(key);
    if (registered == keys.defaults.cend()) {
        locker.unlock();
        return KeyValueObservable::valueForUndefinedKey(key);
    }
    return m_extraValues.value(key, *registered);
}

void TabViewItem::setValueForUndefinedKey(const QVariant &value, const QString &key)
{
    if (!isExtraKey(key)) {
        KeyValueObservable::setValueForUndefinedKey(value, key);
        return;
    }
    willChangeValueForKey(key);
    m_extraValues.insert(key, value);
    didChangeValueForKey(key);
}

const KeyTable &TabViewItem::keyTable() const
{
    static const KeyTable table = extendKeyTable(
        KeyValueObservable::keyTable(),
        {{QStringLiteral("label"),
          {[](const KeyValueObservable &o) { return QVariant(static_cast<const TabViewItem &>(o).label()); },
           [](KeyValueObservable &o, const QVariant &v) { static_cast<TabViewItem &>(o).setLabel(v.toString()); }}},
         {QStringLiteral("identifier"),
          {[](const KeyValueObservable &o) { return static_cast<const TabViewItem &>(o).identifier(); },
           [](KeyValueObservable &o, const QVariant &v) { static_cast<TabViewItem &>(o).setIdentifier(v); }}},
         {QStringLiteral("view"),
          {[](const KeyValueObservable &o) {
               return QVariant::fromValue(static_cast<const TabViewItem &>(o).view());
           },
           [](KeyValueObservable &o, const QVariant &v) {
               static_cast<TabViewItem &>(o).setView(v.value<QWidget *>());
           }}}});
    return table;
}

} // namespace platform
