#pragma once
// A preference-pane plug-in on disk: its checked metadata, read without loading
// its code, and the code itself, loaded on first need.
//
// bundleWithPath() reads QPluginLoader::metaData(), accepts only plug-ins of the
// NTXPrefPaneBundleProtocol interface and checks every key (types, lengths,
// characters); a plug-in that fails is refused with a log line naming the reason.
#include "NTXAppKit/preferences/NTXPrefPaneBundleProtocol.h"

#include <QJsonObject>
#include <QObject>
#include <QString>
#include <QVariantMap>
#include <memory>
#include <optional>

class QPluginLoader;

class NTXPrefPaneBundle : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString bundlePath READ bundlePath CONSTANT)
    Q_PROPERTY(QString bundleIdentifier READ bundleIdentifier CONSTANT)
    Q_PROPERTY(QString resourcePath READ resourcePath CONSTANT)
    Q_PROPERTY(QVariantMap infoDictionary READ infoDictionary CONSTANT)
public:
    // The keys of a plug-in's metadata.
    static inline const QString PrincipalClassKey = QStringLiteral("NSPrincipalClass");
    static inline const QString IdentifierKey = QStringLiteral("CFBundleIdentifier");
    static inline const QString IconLabelKey = QStringLiteral("NSPrefPaneIconLabel");
    static inline const QString IconFileKey = QStringLiteral("NSPrefPaneIconFile");
    static inline const QString CategoryKey = QStringLiteral("NTXPrefPaneCategory");
    static inline const QString VersionKey = QStringLiteral("NTXPrefPaneVersion");
    static inline const QString HelpURLKey = QStringLiteral("NTXPrefPaneHelpURL");

    // Limits of the metadata.
    static constexpr qsizetype MaxClassNameLength = 256;
    static constexpr qsizetype MaxIdentifierLength = 256;
    static constexpr qsizetype MaxTextLength = 1024;
    static constexpr qsizetype MaxURLLength = 2048;

    // The checked descriptive keys of a plug-in.
    struct Info
    {
        QString principalClass;
        QString identifier;
        QString iconLabel;  // empty when absent
        QString iconFile;   // empty when absent
        QString category;   // null when absent
        QString version;    // null when absent
        QString helpURL;    // null when absent
    };

    // Checks the user metadata of a plug-in (the object under "MetaData"); on
    // failure answers nothing and puts the reason into *error when given.
    static std::optional<Info> infoFromMetaData(const QJsonObject &metaData, QString *error = nullptr);
    // Checks the whole metadata QPluginLoader answers (interface id, then the
    // object under "MetaData").
    static std::optional<Info> infoFromPluginMetaData(const QJsonObject &pluginMetaData, QString *error = nullptr);

    // The plug-in at the path, or null (with a log line) when it is no readable,
    // valid pane plug-in. Its code is not loaded.
    static std::unique_ptr<NTXPrefPaneBundle> bundleWithPath(const QString &path, QString *error = nullptr);

    ~NTXPrefPaneBundle() override;

    QString bundlePath() const { return m_path; }
    QString bundleIdentifier() const { return m_info.identifier; }
    // The folder of the plug-in's resources: the folder that holds the plug-in.
    QString resourcePath() const;
    QVariantMap infoDictionary() const;
    const Info &info() const { return m_info; }
    // The value of one metadata key (invalid when absent).
    QVariant objectForInfoDictionaryKey(const QString &key) const;

    // Path of an image resource of the plug-in: the file of that name in the
    // resource folder, or with one of the extensions png, svg, jpg, tiff, tif,
    // bmp; empty when none exists (or the name would leave the folder).
    QString pathForImageResource(const QString &name) const;

    // Whether the plug-in's code is loaded.
    bool isLoaded() const;
    // Loads the code (once) and answers the plug-in's factory; null when the code
    // cannot be loaded or exports no NTXPrefPaneBundleProtocol.
    NTXPrefPaneBundleProtocol *principalFactory();
    // A new principal object of the class the metadata names, initialised with this
    // bundle; null when it cannot be made. The caller owns it.
    QObject *createPrincipalObject();

private:
    NTXPrefPaneBundle(QString path, Info info);

    QString m_path;
    Info m_info;
    std::unique_ptr<QPluginLoader> m_loader;
    bool m_loadFailed = false;
};
