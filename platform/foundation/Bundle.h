#pragma once
// Resources of the application and of each framework component: string tables in
// the ".strings" syntax ("key" = "value";) and other files, kept as Qt resources
// under ":/bundles/<name>/" (English texts; one table per file "<Table>.strings").
// Threads: thread-safe; every member may be called from any thread.
#include <QByteArray>
#include <QHash>
#include <QMutex>
#include <QString>
#include <QStringView>
#include <QVariant>
#include <QVariantMap>
#include <optional>

namespace platform {

class Bundle
{
public:
    // The application's own resources (":/bundles/Chronark").
    static Bundle &mainBundle();
    // The bundle of a framework component, by name (":/bundles/<name>"); created on
    // first use, never freed.
    static Bundle &bundleNamed(const QString &name);

    const QString &name() const { return m_name; }
    // ":/bundles/<name>"
    QString resourceRoot() const;
    // Path of a resource file of the bundle, empty when it does not exist.
    QString pathForResource(const QString &fileName) const;

    // The text of a key in a string table ("Localizable" when none is named);
    // a key the table lacks (or a missing table) answers the key itself.
    QString localizedString(const QString &key, const QString &table = QString()) const;
    // The same look-up answering the given default for a missing key or table.
    QString localizedString(const QString &key, const QString &table, const QString &defaultValue) const;

    // The information list: the executable's name, the version, the servers' addresses
    // (keys such as "CFBundleExecutable", "CFBundleShortVersionString"); the
    // application fills the main bundle's at start-up. A missing key answers an
    // invalid QVariant.
    QVariant objectForInfoDictionaryKey(const QString &key) const;
    QVariantMap infoDictionary() const;
    void setInfoDictionary(const QVariantMap &info);

    // Tests and plug-ins: add or replace a table from text.
    bool addStringsTable(const QString &table, QStringView text);

    // Parses ".strings" text: "key" = "value"; pairs, C and C++ comments, the
    // escapes \" \\ \n \t \r \UXXXX \uXXXX. Answers nothing for malformed text.
    static std::optional<QHash<QString, QString>> parseStrings(QStringView text);
    // Decodes the bytes of a ".strings" file (UTF-8, or UTF-8/UTF-16 with a byte
    // order mark) and parses them. Answers nothing for malformed or oversized input.
    static std::optional<QHash<QString, QString>> parseStringsData(const QByteArray &bytes);

    // Largest string table accepted, in bytes of the file (UTF-16 units count two).
    static constexpr qsizetype MaxTableBytes = 16 * 1024 * 1024;

private:
    explicit Bundle(QString name);
    const QHash<QString, QString> &table(const QString &name) const;

    QString m_name;
    mutable QHash<QString, QHash<QString, QString>> m_tables;
    QVariantMap m_info;
    mutable QMutex m_mutex; // guards m_tables and m_info
};

// Shorthand for the application's string table.
inline QString localized(const QString &key) { return Bundle::mainBundle().localizedString(key); }

} // namespace platform
