#include "NTXAppKit/NTXOutlineSourceList/NTXOutlineSourceListItem.h"

#include "platform/archive/CodingRegistry.h"
#include "platform/foundation/NotificationCenter.h"

#include <QMetaMethod>
#include <QMetaObject>

namespace {

const bool registered = platform::CodingRegistry::registerClass<NTXOutlineSourceListItem>(
    NTXOutlineSourceListItem::ClassName);

// The root's delegate when it declares the method (by name), else null.
QObject *delegateWith(NTXOutlineSourceListItem *item, const char *method)
{
    QObject *delegate = item->rootObject()->delegate();
    if (!delegate)
        return nullptr;
    const QMetaObject *meta = delegate->metaObject();
    for (int i = meta->methodCount() - 1; i >= 0; --i) {
        if (meta->method(i).name() == method)
            return delegate;
    }
    return nullptr;
}

} // namespace

NTXOutlineSourceListItem::NTXOutlineSourceListItem()
{
    (void)registered;
}

NTXOutlineSourceListItem::NTXOutlineSourceListItem(const QString &title, const QString &identifier)
{
    setTitle(title);
    setIdentifier(identifier);
}

NTXOutlineSourceListItem::~NTXOutlineSourceListItem() = default;

NTXOutlineSourceListItemPtr NTXOutlineSourceListItem::create(const QString &title, const QString &identifier)
{
    return std::make_shared<NTXOutlineSourceListItem>(title, identifier);
}

void NTXOutlineSourceListItem::setTitle(const QString &title)
{
    m_title = title;
    reportAttributesChanged();
}

QString NTXOutlineSourceListItem::identifier() const
{
    const std::lock_guard<std::mutex> lock(m_lock);
    return m_identifier;
}

void NTXOutlineSourceListItem::setIdentifier(const QString &identifier)
{
    const std::lock_guard<std::mutex> lock(m_lock);
    m_identifier = identifier;
}

QImage NTXOutlineSourceListItem::icon() const
{
    const std::lock_guard<std::mutex> lock(m_lock);
    return m_icon;
}

void NTXOutlineSourceListItem::setIcon(const QImage &icon)
{
    const std::lock_guard<std::mutex> lock(m_lock);
    m_icon = icon;
}

void NTXOutlineSourceListItem::reportAttributesChanged()
{
    if (QObject *delegate = delegateWith(this, "outlineSourceListItemAttributesChanged"))
        QMetaObject::invokeMethod(delegate, "outlineSourceListItemAttributesChanged", Qt::DirectConnection,
                                  Q_ARG(NTXOutlineSourceListItem *, this));
    platform::NotificationCenter::defaultCenter().post(AttributesChangedNotification, this);
}

void NTXOutlineSourceListItem::reportChild(const QString &notification, const char *method,
                                           NTXOutlineSourceListItem *child, qsizetype index)
{
    if (QObject *delegate = delegateWith(this, method))
        QMetaObject::invokeMethod(delegate, method, Qt::DirectConnection, Q_ARG(NTXOutlineSourceListItem *, this),
                                  Q_ARG(NTXOutlineSourceListItem *, child), Q_ARG(int, int(index)));
    platform::NotificationCenter::defaultCenter().post(
        notification, child, {{ParentKey, QVariant::fromValue(static_cast<QObject *>(this))}});
}
