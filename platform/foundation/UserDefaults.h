#pragma once
// The user's preferences: values the user (or the program for the user) set,
// persisted in an INI file, over defaults registered in memory at start-up.
//
// A value is looked up in the user's values first, then in the registered
// defaults. Keys are kept exactly as given (any text). Values keep their type
// across a restart: integers, doubles, booleans, strings, byte arrays, date-times
// and lists and maps of those. Every change posts DidChangeNotification (no object)
// through platform::NotificationCenter (a change made off the main thread posts it
// from a queued call there, whose observers' exceptions stop at the exception boundary).
// The file is written on a thread of its own (platform::UserDefaultsWriter), from
// copies of the values, in the order they were set: no caller waits for the disk
// but synchronize() and the flush at quit (when the application object's
// aboutToQuit() comes, and again when the defaults go). The file is read and written
// only while it is a regular file (or missing), and only while the settings library's
// lock file beside it ("Chronark.conf.lock") is a regular file or missing itself (not a
// link): when anything else has either name (a pipe, a device, a folder), at start-up
// or right before a write, the values are kept in memory until the defaults go and
// never stored, and a warning says so once. A symbolic link in the place of the file
// is read through, but never written through: the write puts a regular file in the
// place of the link.
// Threads: thread-safe; every member may be called from any thread.
#include <QByteArray>
#include <QMutex>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>
#include <QObject>
#include <memory>
#include <optional>

namespace platform {

class UserDefaultsWriter;

class UserDefaults
{
public:
    static inline const QString DidChangeNotification = QStringLiteral("NSUserDefaultsDidChangeNotification");

    // The application's defaults, stored in standardFilePath().
    static UserDefaults &standardUserDefaults();
    // defaultFilePath() as it was at the first call of this or of
    // standardUserDefaults(), kept for the life of the process: a caller that changes
    // the XDG folders afterwards (a test's home of its own) moves no write of the
    // application's defaults there.
    static QString standardFilePath();
    // "$XDG_CONFIG_HOME/Chronark/Chronark.conf" ($XDG_CONFIG_HOME defaults to ~/.config).
    static QString defaultFilePath();

    // Defaults kept in the given INI file (tests, tools).
    explicit UserDefaults(const QString &filePath);
    ~UserDefaults();
    UserDefaults(const UserDefaults &) = delete;
    UserDefaults &operator=(const UserDefaults &) = delete;

    QString filePath() const;
    // Whether the values are stored in the file (see above).
    bool isStored() const;

    // Adds to (and replaces keys of) the registered defaults; not persisted.
    void registerDefaults(const QVariantMap &defaults);

    // The user's value, else the registered one, else an invalid QVariant.
    QVariant objectForKey(const QString &key) const;
    // A string, or a number's text; a null string otherwise.
    QString stringForKey(const QString &key) const;
    // A number, or the leading number of a string; 0 otherwise.
    qint64 integerForKey(const QString &key) const;
    float floatForKey(const QString &key) const;
    double doubleForKey(const QString &key) const;
    // Numbers: non-zero. Strings: "YES"/"true" in any case, or a non-zero integer.
    bool boolForKey(const QString &key) const;
    // A list (empty when the value is missing or not a list).
    QVariantList arrayForKey(const QString &key) const;
    // A list whose elements are all strings (empty otherwise).
    QStringList stringArrayForKey(const QString &key) const;
    // A map (empty when the value is missing or not a map).
    QVariantMap dictionaryForKey(const QString &key) const;
    // A byte array (empty when the value is missing or not a byte array).
    QByteArray dataForKey(const QString &key) const;

    // Sets the user's value; an invalid value removes it. Answers false (and keeps
    // the old value) for a value of a type that cannot be stored.
    bool setObject(const QVariant &value, const QString &key);
    void setInteger(qint64 value, const QString &key);
    void setFloat(float value, const QString &key);
    void setDouble(double value, const QString &key);
    void setBool(bool value, const QString &key);
    void setString(const QString &value, const QString &key);
    void setArray(const QVariantList &value, const QString &key);
    void setDictionary(const QVariantMap &value, const QString &key);
    void setData(const QByteArray &value, const QString &key);
    // Drops the user's value: the registered default shows through again.
    void removeObjectForKey(const QString &key);

    // Registered defaults overlaid with the user's values.
    QVariantMap dictionaryRepresentation() const;
    // The user's values only.
    QVariantMap persistentValues() const;

    // Writes pending changes and reads changes other processes made; answers success.
    // Waits for the writing thread.
    bool synchronize();
    // Waits until the changes made so far are written (the flush at quit).
    void flush();

    // Key and value forms in the file (exposed for tests of the encoding).
    static QString encodeKey(const QString &key);
    static QString decodeKey(const QString &stored);
    static std::optional<QVariant> encodeValue(const QVariant &value);
    static QVariant decodeValue(const QVariant &stored);

private:
    void changed();
    // Keeps what the file holds as the user's values.
    void takeStored(const QVariantMap &stored);

    mutable QMutex m_mutex;
    const QString m_filePath;
    std::unique_ptr<UserDefaultsWriter> m_writer;
    // The receiver of the application's aboutToQuit() (see above).
    std::unique_ptr<QObject> m_quitFlush;
    QVariantMap m_registered;
    QVariantMap m_values;
};

} // namespace platform
