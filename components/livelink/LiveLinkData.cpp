#include "components/livelink/LiveLinkData.h"

#include "components/livelink/LiveLinkApplication.h"
#include "components/livelink/LiveLinkStrings.h"
#include "platform/archive/PropertyList.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Exception.h"

#include <QMimeData>

namespace LiveLinkData {

QVariantMap liveLinkDataWithServerName(const QString &serverName, const QVariant &appData)
{
    return liveLinkDataWithServerName(serverName, appData, QString(), 0.0);
}

QVariantMap liveLinkDataWithServerName(const QString &serverName, const QVariant &appData, double suggestedRefreshRate)
{
    return liveLinkDataWithServerName(serverName, appData, QStringLiteral("_Refresh"), suggestedRefreshRate);
}

QVariantMap liveLinkDataWithServerName(const QString &serverName, const QVariant &appData, const QString &actionName,
                                       double suggestedRefreshRate)
{
    if (serverName.isEmpty())
        throw platform::Exception(platform::Exception::InvalidArgumentException,
                                  QStringLiteral("LiveLink Data cannot be created without a server name."));
    QVariantMap data;
    data.insert(BundleIdKey, LiveLinkApplication::bundleIdentifier());
    data.insert(ServerNameKey, serverName);
    data.insert(VersionKey, QStringLiteral("A"));
    const QString processName = LiveLinkApplication::processName();
    if (!processName.isEmpty())
        data.insert(ServerAppNameKey, processName);
    if (!actionName.isEmpty())
        data.insert(ServerActionKey, actionName);
    if (appData.isValid())
        data.insert(AppDataKey, appData);
    const QVariant url =
        platform::Bundle::mainBundle().objectForInfoDictionaryKey(QStringLiteral("LiveLinkApplicationURL"));
    if (url.isValid())
        data.insert(ApplicationURLKey, url.toString());
    data.insert(RefreshKey, double(float(suggestedRefreshRate)));
    return data;
}

bool liveLinkDataBelongsToActiveApplication(const QVariantMap &data)
{
    const QVariant bundleId = data.value(BundleIdKey);
    return bundleId.isValid() && bundleId.toString() == LiveLinkApplication::bundleIdentifier();
}

QVariant liveLinkAppData(const QVariantMap &data)
{
    return data.value(AppDataKey);
}

QString liveLinkSourceApplicationName(const QVariantMap &data)
{
    return data.value(ServerAppNameKey).toString();
}

QString liveLinkActionName(const QVariantMap &data)
{
    const QString key = data.value(ServerActionKey).toString();
    return LiveLinkStrings::text(key.isEmpty() ? QStringLiteral("_Edit") : key);
}

QString liveLinkEditMenuTitle(const QVariantMap &data)
{
    return LiveLinkStrings::fill(LiveLinkStrings::text(QStringLiteral("_EditPattern"), QStringLiteral("%@ in %@")),
                                 {liveLinkActionName(data), liveLinkSourceApplicationName(data)});
}

QString liveLinkVersion(const QVariantMap &data)
{
    return data.value(VersionKey).toString();
}

double liveLinkSuggestedRefreshRate(const QVariantMap &data)
{
    return data.value(RefreshKey, 0.0).toDouble();
}

QUrl liveLinkApplicationURL(const QVariantMap &data)
{
    const QVariant url = data.value(ApplicationURLKey);
    return url.isValid() ? QUrl(url.toString()) : QUrl();
}

namespace {

bool isString(const QVariant &value)
{
    return value.typeId() == QMetaType::QString;
}

bool isNumber(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::UInt:
        return true;
    default:
        return false;
    }
}

} // namespace

bool isWellFormed(const QVariant &data)
{
    if (data.typeId() != QMetaType::QVariantMap)
        return false;
    const QVariantMap map = data.toMap();
    for (const QString &key : {BundleIdKey, ServerNameKey}) {
        const QVariant value = map.value(key);
        if (!isString(value) || value.toString().isEmpty())
            return false;
    }
    for (const QString &key : {VersionKey, ServerAppNameKey, ServerActionKey, ApplicationURLKey}) {
        if (map.contains(key) && !isString(map.value(key)))
            return false;
    }
    return !map.contains(RefreshKey) || isNumber(map.value(RefreshKey));
}

std::optional<QByteArray> toBytes(const QVariantMap &data)
{
    return platform::PropertyList::write(data);
}

std::optional<QVariantMap> fromBytes(const QByteArray &bytes)
{
    platform::PropertyList::Limits limits;
    limits.maxInputSize = MaxBytes;
    limits.maxDepth = MaxDepth;
    limits.maxValueCount = MaxValues;
    limits.maxStringLength = MaxBytes / 2;
    const std::optional<QVariant> value = platform::PropertyList::read(bytes, nullptr, limits);
    if (!value || !isWellFormed(*value))
        return std::nullopt;
    return value->toMap();
}

std::optional<QVariantMap> fromMimeData(const QMimeData *mimeData)
{
    if (!mimeData || !mimeData->hasFormat(MimeType))
        return std::nullopt;
    return fromBytes(mimeData->data(MimeType));
}

} // namespace LiveLinkData

QVariantMap LiveLinkDataCreate(const QString &serverName, const QVariant &appData)
{
    return LiveLinkData::liveLinkDataWithServerName(serverName, appData);
}

QVariant LiveLinkDataGetAppData(const QVariantMap &data)
{
    return LiveLinkData::liveLinkAppData(data);
}

bool LiveLinkDataIsFromThisApplication(const QVariantMap &data)
{
    return LiveLinkData::liveLinkDataBelongsToActiveApplication(data);
}

QString LiveLinkEditItemsMenuTitle()
{
    return LiveLinkStrings::text(QStringLiteral("_EditMultiple"), QStringLiteral("Edit LiveLink Items"));
}

QString LiveLinkEditItemMenuTitle()
{
    return LiveLinkStrings::text(QStringLiteral("_EditNone"), QStringLiteral("Edit LiveLink Item"));
}
