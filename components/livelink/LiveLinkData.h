#pragma once
// The live-link data: the dictionary that describes one item an application (the
// server application) made and another (the client) holds: the bundle identifier
// and server name that can edit it, the server application's process name, the
// action title key, the server's own data for the item, where the application can
// be had, and a suggested refresh rate. It travels as an XML property list under
// the type "LiveLinkData" (MIME "application/x-LiveLinkData").
//
// Creating data without a server name raises the "NSInvalidArgumentException".
// Bytes from outside (clipboard, drag, D-Bus) go through fromBytes(): a bounded
// property-list reader and isWellFormed(); anything else answers nothing.
// Stateless; thread-safe (reads the main bundle's information list and the
// component's string table, both thread-safe).
#include <QByteArray>
#include <QString>
#include <QUrl>
#include <QVariant>
#include <QVariantMap>
#include <optional>

class QMimeData;

namespace LiveLinkData {

inline const QString PasteboardType = QStringLiteral("LiveLinkData");
inline const QString MimeType = QStringLiteral("application/x-LiveLinkData");

inline const QString BundleIdKey = QStringLiteral("bundleId");
inline const QString ServerNameKey = QStringLiteral("serverName");
inline const QString VersionKey = QStringLiteral("version");
inline const QString ServerAppNameKey = QStringLiteral("serverAppName");
inline const QString ServerActionKey = QStringLiteral("serverActionKey");
inline const QString AppDataKey = QStringLiteral("appData");
inline const QString ApplicationURLKey = QStringLiteral("ApplicationURL");
inline const QString RefreshKey = QStringLiteral("refresh");

// Largest "LiveLinkData" accepted from outside, in bytes.
constexpr qsizetype MaxBytes = 16 * 1024 * 1024;
// Deepest nesting of arrays and dictionaries in the application data.
constexpr int MaxDepth = 32;
// Most values in one data.
constexpr qsizetype MaxValues = 100'000;

// New data (the format version "A"). An empty appData is left out.
QVariantMap liveLinkDataWithServerName(const QString &serverName, const QVariant &appData);
// With the action "_Refresh" and the given rate.
QVariantMap liveLinkDataWithServerName(const QString &serverName, const QVariant &appData, double suggestedRefreshRate);
// With an action title key (none when empty) and the given rate.
QVariantMap liveLinkDataWithServerName(const QString &serverName, const QVariant &appData, const QString &actionName,
                                       double suggestedRefreshRate);

// "bundleId" is present and is the running application's bundle identifier.
bool liveLinkDataBelongsToActiveApplication(const QVariantMap &data);
QVariant liveLinkAppData(const QVariantMap &data);
QString liveLinkSourceApplicationName(const QVariantMap &data);
// The table's text of "serverActionKey", or of "_Edit" without one.
QString liveLinkActionName(const QVariantMap &data);
// "_EditPattern" filled with the action title and the application name.
QString liveLinkEditMenuTitle(const QVariantMap &data);
QString liveLinkVersion(const QVariantMap &data);
double liveLinkSuggestedRefreshRate(const QVariantMap &data);
// The "ApplicationURL" as a URL; an empty URL when absent.
QUrl liveLinkApplicationURL(const QVariantMap &data);

// A dictionary with non-empty "serverName" and "bundleId" strings, the other keys
// of this format holding values of their types.
bool isWellFormed(const QVariant &data);
// The property list of the data (nothing when it cannot be written).
std::optional<QByteArray> toBytes(const QVariantMap &data);
// Bytes from outside: read within the bounds above and checked.
std::optional<QVariantMap> fromBytes(const QByteArray &bytes);
// The "LiveLinkData" of a clipboard or drag, if it has well-formed data.
std::optional<QVariantMap> fromMimeData(const QMimeData *mimeData);

} // namespace LiveLinkData

QVariantMap LiveLinkDataCreate(const QString &serverName, const QVariant &appData);
QVariant LiveLinkDataGetAppData(const QVariantMap &data);
bool LiveLinkDataIsFromThisApplication(const QVariantMap &data);
QString LiveLinkEditItemsMenuTitle();
QString LiveLinkEditItemMenuTitle();
