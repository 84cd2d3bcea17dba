#include "NTXAppKit/preferences/NTXPrefPaneBundle.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QJsonValue>
#include <QPluginLoader>
#include <QRegularExpression>
#include <QUrl>

namespace {

bool hasControlCharacters(const QString &text)
{
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20 || u == 0x7f)
            return true;
    }
    return false;
}

bool fail(QString *error, const QString &reason)
{
    if (error)
        *error = reason;
    return false;
}

// Reads an optional string key; false (with a reason) for a present key of another
// type, a text that is too long or one with control characters.
bool readString(const QJsonObject &meta, const QString &key, qsizetype maxLength, QString *out, QString *error)
{
    const QJsonValue value = meta.value(key);
    if (value.isUndefined() || value.isNull()) {
        *out = QString();
        return true;
    }
    if (!value.isString())
        return fail(error, QStringLiteral("key %1 is not a string").arg(key));
    const QString text = value.toString();
    if (text.size() > maxLength)
        return fail(error, QStringLiteral("key %1 is longer than %2 characters").arg(key).arg(maxLength));
    if (hasControlCharacters(text))
        return fail(error, QStringLiteral("key %1 holds control characters").arg(key));
    *out = text;
    return true;
}

} // namespace

std::optional<NTXPrefPaneBundle::Info> NTXPrefPaneBundle::infoFromMetaData(const QJsonObject &meta, QString *error)
{
    Info info;
    if (!readString(meta, PrincipalClassKey, MaxClassNameLength, &info.principalClass, error)
        || !readString(meta, IdentifierKey, MaxIdentifierLength, &info.identifier, error)
        || !readString(meta, IconLabelKey, MaxTextLength, &info.iconLabel, error)
        || !readString(meta, IconFileKey, MaxTextLength, &info.iconFile, error)
        || !readString(meta, CategoryKey, MaxTextLength, &info.category, error)
        || !readString(meta, VersionKey, MaxTextLength, &info.version, error)
        || !readString(meta, HelpURLKey, MaxURLLength, &info.helpURL, error))
        return std::nullopt;

    static const QRegularExpression className(
        QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*(::[A-Za-z_][A-Za-z0-9_]*)*$"));
    static const QRegularExpression identifier(QStringLiteral("^[A-Za-z0-9][A-Za-z0-9._-]*$"));

    if (info.principalClass.isEmpty()) {
        fail(error, QStringLiteral("principal class name not found"));
        return std::nullopt;
    }
    if (!className.match(info.principalClass).hasMatch()) {
        fail(error, QStringLiteral("principal class name %1 is no class name").arg(info.principalClass));
        return std::nullopt;
    }
    if (info.identifier.isEmpty()) {
        fail(error, QStringLiteral("bundle identifier not found"));
        return std::nullopt;
    }
    if (!identifier.match(info.identifier).hasMatch()) {
        fail(error, QStringLiteral("bundle identifier %1 holds characters other than letters, digits, '.', '-' and '_'")
                        .arg(info.identifier));
        return std::nullopt;
    }
    if (!info.iconFile.isEmpty()
        && (info.iconFile.contains(QLatin1Char('/')) || info.iconFile.contains(QLatin1Char('\\'))
            || info.iconFile == QLatin1String(".") || info.iconFile == QLatin1String(".."))) {
        fail(error, QStringLiteral("icon file %1 is not a plain file name").arg(info.iconFile));
        return std::nullopt;
    }
    if (!info.helpURL.isEmpty()) {
        const QUrl url(info.helpURL, QUrl::StrictMode);
        const QString scheme = url.scheme().toLower();
        if (!url.isValid()
            || (scheme != QLatin1String("http") && scheme != QLatin1String("https") && scheme != QLatin1String("file"))) {
            fail(error, QStringLiteral("help address %1 is no http, https or file address").arg(info.helpURL));
            return std::nullopt;
        }
    } else {
        info.helpURL = QString();
    }
    return info;
}

std::optional<NTXPrefPaneBundle::Info> NTXPrefPaneBundle::infoFromPluginMetaData(const QJsonObject &plugin,
                                                                                 QString *error)
{
    if (plugin.isEmpty()) {
        fail(error, QStringLiteral("no plug-in metadata"));
        return std::nullopt;
    }
    if (plugin.value(QStringLiteral("IID")).toString() != QLatin1String(NTXPrefPaneBundleProtocol_iid)) {
        fail(error, QStringLiteral("not a preference pane plug-in"));
        return std::nullopt;
    }
    const QJsonValue meta = plugin.value(QStringLiteral("MetaData"));
    if (!meta.isObject()) {
        fail(error, QStringLiteral("the plug-in metadata is not an object"));
        return std::nullopt;
    }
    return infoFromMetaData(meta.toObject(), error);
}

std::unique_ptr<NTXPrefPaneBundle> NTXPrefPaneBundle::bundleWithPath(const QString &path, QString *error)
{
    QString reason;
    const QFileInfo file(path);
    if (!file.isFile() || !file.isReadable()) {
        reason = QStringLiteral("no readable file");
    } else {
        auto loader = std::make_unique<QPluginLoader>(file.absoluteFilePath());
        if (auto info = infoFromPluginMetaData(loader->metaData(), &reason)) {
            std::unique_ptr<NTXPrefPaneBundle> bundle(new NTXPrefPaneBundle(file.absoluteFilePath(), *info));
            bundle->m_loader = std::move(loader);
            return bundle;
        }
    }
    qWarning().noquote() << QStringLiteral("error loading bundle: %1 (%2)").arg(path, reason);
    if (error)
        *error = reason;
    return nullptr;
}

NTXPrefPaneBundle::NTXPrefPaneBundle(QString path, Info info)
    : m_path(std::move(path))
    , m_info(std::move(info))
{
}

NTXPrefPaneBundle::~NTXPrefPaneBundle() = default;

QString NTXPrefPaneBundle::resourcePath() const
{
    return QFileInfo(m_path).absolutePath();
}

QVariantMap NTXPrefPaneBundle::infoDictionary() const
{
    QVariantMap map;
    const auto put = [&map](const QString &key, const QString &value) {
        if (!value.isNull() && !value.isEmpty())
            map.insert(key, value);
    };
    put(PrincipalClassKey, m_info.principalClass);
    put(IdentifierKey, m_info.identifier);
    put(IconLabelKey, m_info.iconLabel);
    put(IconFileKey, m_info.iconFile);
    if (!m_info.category.isNull())
        map.insert(CategoryKey, m_info.category);
    if (!m_info.version.isNull())
        map.insert(VersionKey, m_info.version);
    put(HelpURLKey, m_info.helpURL);
    return map;
}

QVariant NTXPrefPaneBundle::objectForInfoDictionaryKey(const QString &key) const
{
    return infoDictionary().value(key);
}

QString NTXPrefPaneBundle::pathForImageResource(const QString &name) const
{
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\'))
        || name == QLatin1String(".") || name == QLatin1String(".."))
        return QString();
    const QDir dir(resourcePath());
    static const char *const extensions[] = {"png", "svg", "jpg", "tiff", "tif", "bmp"};
    QStringList candidates{name};
    for (const char *ext : extensions)
        candidates << name + QLatin1Char('.') + QLatin1String(ext);
    for (const QString &candidate : candidates) {
        const QFileInfo file(dir.filePath(candidate));
        if (file.isFile())
            return file.absoluteFilePath();
    }
    return QString();
}

bool NTXPrefPaneBundle::isLoaded() const
{
    return m_loader && m_loader->isLoaded();
}

NTXPrefPaneBundleProtocol *NTXPrefPaneBundle::principalFactory()
{
    if (!m_loader || m_loadFailed)
        return nullptr;
    QObject *root = m_loader->instance();
    auto *factory = qobject_cast<NTXPrefPaneBundleProtocol *>(root);
    if (!factory) {
        m_loadFailed = true;
        qWarning().noquote() << QStringLiteral("error loading code of bundle %1: %2")
                                    .arg(m_path, root ? QStringLiteral("no pane factory") : m_loader->errorString());
    }
    return factory;
}

QObject *NTXPrefPaneBundle::createPrincipalObject()
{
    NTXPrefPaneBundleProtocol *factory = principalFactory();
    return factory ? factory->createPrincipalObject(m_info.principalClass, this) : nullptr;
}
