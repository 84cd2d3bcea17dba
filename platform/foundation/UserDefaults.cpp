#include "platform/foundation/UserDefaults.h"

#include "platform/foundation/ExceptionBoundary.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/RegularFile.h"
#include "platform/foundation/SaveFile.h"
#include "platform/foundation/ThreadHandOff.h"
#include "platform/foundation/VariantNumber.h"

#include <QCoreApplication>
#include <QDate>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QDateTime>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QMutexLocker>
#include <QThread>
#include <QTime>
#include <QUrl>

#include <cmath>
#include <functional>
#include <limits>
#include <vector>

namespace platform {

namespace {

// Runs the settings' deferred write (the update the library posts to itself after a
// change) through the given call, in place of the library's own.
class DeferredWriteGate : public QObject
{
public:
    explicit DeferredWriteGate(std::function<void()> write) : m_write(std::move(write)) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    try {
        if (event->type() != QEvent::UpdateRequest)
            return QObject::eventFilter(watched, event);
        m_write();
        return true;
    } catch (...) {
        ExceptionBoundary::caught(this, "eventFilter");
        return true;
    }

private:
    std::function<void()> m_write;
};

// The lock file the settings library makes beside the file while it writes it.
QString lockFilePath(const QString &filePath)
{
    return filePath + QStringLiteral(".lock");
}

// Nesting of lists and maps accepted when reading values back.
constexpr int kMaxDepth = 64;

bool isFloating(const QVariant &v)
{
    return v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float;
}

qint64 doubleToInteger(double d)
{
    if (std::isnan(d))
        return 0;
    if (d >= 9.2233720368547758e18)
        return std::numeric_limits<qint64>::max();
    if (d <= -9.2233720368547758e18)
        return std::numeric_limits<qint64>::min();
    return qint64(std::trunc(d));
}

qint64 numberToInteger(const QVariant &v)
{
    if (isFloating(v))
        return doubleToInteger(v.toDouble());
    if (v.typeId() == QMetaType::ULongLong || v.typeId() == QMetaType::ULong) {
        const qulonglong u = v.toULongLong();
        return u > qulonglong(std::numeric_limits<qint64>::max()) ? std::numeric_limits<qint64>::max()
                                                                    : qint64(u);
    }
    return v.toLongLong();
}

// The integer at the start of a text (after white space), like C's atoll but
// saturating: "12abc" gives 12, "abc" gives 0.
qint64 leadingInteger(const QString &s)
{
    qsizetype i = 0;
    while (i < s.size() && s.at(i).isSpace())
        ++i;
    bool negative = false;
    if (i < s.size() && (s.at(i) == u'+' || s.at(i) == u'-')) {
        negative = s.at(i) == u'-';
        ++i;
    }
    qint64 value = 0;
    const qint64 limit = std::numeric_limits<qint64>::max();
    for (; i < s.size() && s.at(i) >= u'0' && s.at(i) <= u'9'; ++i) {
        const int digit = s.at(i).unicode() - u'0';
        if (value > (limit - digit) / 10)
            return negative ? std::numeric_limits<qint64>::min() : limit;
        value = value * 10 + digit;
    }
    return negative ? -value : value;
}

// The decimal number at the start of a text (C locale), 0 when there is none.
double leadingDouble(const QString &s)
{
    qsizetype i = 0;
    while (i < s.size() && s.at(i).isSpace())
        ++i;
    const qsizetype start = i;
    auto digits = [&] {
        const qsizetype from = i;
        while (i < s.size() && s.at(i) >= u'0' && s.at(i) <= u'9')
            ++i;
        return i - from;
    };
    if (i < s.size() && (s.at(i) == u'+' || s.at(i) == u'-'))
        ++i;
    qsizetype mantissa = digits();
    if (i < s.size() && s.at(i) == u'.') {
        ++i;
        mantissa += digits();
    }
    if (mantissa == 0)
        return 0.0;
    qsizetype end = i;
    if (i < s.size() && (s.at(i) == u'e' || s.at(i) == u'E')) {
        ++i;
        if (i < s.size() && (s.at(i) == u'+' || s.at(i) == u'-'))
            ++i;
        if (digits() > 0)
            end = i;
    }
    bool ok = false;
    const double d = QLocale::c().toDouble(QStringView(s).mid(start, end - start), &ok);
    if (ok)
        return d;
    // Out of range: the sign decides.
    return s.at(start) == u'-' ? -std::numeric_limits<double>::infinity()
                               : std::numeric_limits<double>::infinity();
}

QString numberText(const QVariant &v)
{
    switch (v.typeId()) {
    case QMetaType::Bool:
        return v.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    case QMetaType::Double:
        return QString::number(v.toDouble(), 'g', 16);
    case QMetaType::Float:
        return QString::number(double(v.toFloat()), 'g', 7);
    case QMetaType::ULongLong:
    case QMetaType::ULong:
        return QString::number(v.toULongLong());
    default:
        return QString::number(v.toLongLong());
    }
}

QString doubleText(double d)
{
    return QString::number(d, 'g', 17);
}

// Values other than top-level strings are stored as a small tagged JSON text:
// {"int":"5"}, {"double":"1.5"}, {"list":[{"string":"a"}, …]}, {"map":{"k":…}}, …
std::optional<QJsonValue> toTagged(const QVariant &v, int depth)
{
    if (depth > kMaxDepth)
        return std::nullopt;
    auto tagged = [](const char *tag, const QJsonValue &payload) {
        return QJsonValue(QJsonObject{{QLatin1String(tag), payload}});
    };
    switch (v.typeId()) {
    case QMetaType::UnknownType:
        return tagged("null", true);
    case QMetaType::Bool:
        return tagged("bool", v.toBool());
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return tagged("int", QString::number(v.toLongLong()));
    case QMetaType::UInt:
        return tagged("uint", QString::number(v.toULongLong()));
    case QMetaType::LongLong:
    case QMetaType::Long:
        return tagged("longlong", QString::number(v.toLongLong()));
    case QMetaType::ULongLong:
    case QMetaType::ULong:
        return tagged("ulonglong", QString::number(v.toULongLong()));
    case QMetaType::Double:
        return tagged("double", doubleText(v.toDouble()));
    case QMetaType::Float:
        return tagged("float", doubleText(double(v.toFloat())));
    case QMetaType::QString:
        return tagged("string", v.toString());
    case QMetaType::QByteArray:
        return tagged("data", QString::fromLatin1(v.toByteArray().toBase64()));
    case QMetaType::QDateTime: {
        const QDateTime dt = v.toDateTime();
        return tagged("datetime", dt.isValid() ? dt.toString(Qt::ISODateWithMs) : QString());
    }
    case QMetaType::QDate:
        return tagged("date", v.toDate().toString(Qt::ISODate));
    case QMetaType::QTime:
        return tagged("time", v.toTime().toString(Qt::ISODateWithMs));
    case QMetaType::QUrl:
        return tagged("url", v.toUrl().toString(QUrl::FullyEncoded));
    case QMetaType::QStringList: {
        QJsonArray a;
        for (const QString &s : v.toStringList())
            a.append(s);
        return tagged("stringlist", a);
    }
    case QMetaType::QVariantList: {
        QJsonArray a;
        for (const QVariant &e : v.toList()) {
            std::optional<QJsonValue> t = toTagged(e, depth + 1);
            if (!t)
                return std::nullopt;
            a.append(*t);
        }
        return tagged("list", a);
    }
    case QMetaType::QVariantMap:
    case QMetaType::QVariantHash: {
        const bool hash = v.typeId() == QMetaType::QVariantHash;
        QJsonObject o;
        const QVariantMap m = hash ? QVariantMap() : v.toMap();
        const QVariantHash h = hash ? v.toHash() : QVariantHash();
        auto add = [&](const QString &k, const QVariant &e) {
            std::optional<QJsonValue> t = toTagged(e, depth + 1);
            if (!t)
                return false;
            o.insert(k, *t);
            return true;
        };
        if (hash) {
            for (auto it = h.begin(); it != h.end(); ++it)
                if (!add(it.key(), it.value()))
                    return std::nullopt;
        } else {
            for (auto it = m.begin(); it != m.end(); ++it)
                if (!add(it.key(), it.value()))
                    return std::nullopt;
        }
        return tagged(hash ? "hash" : "map", o);
    }
    default:
        return std::nullopt;
    }
}

std::optional<QVariant> fromTagged(const QJsonValue &j, int depth)
{
    if (depth > kMaxDepth || !j.isObject())
        return std::nullopt;
    const QJsonObject o = j.toObject();
    if (o.size() != 1)
        return std::nullopt;
    const QString tag = o.begin().key();
    const QJsonValue p = o.begin().value();
    bool ok = true;
    if (tag == u"null")
        return QVariant();
    if (tag == u"bool")
        return p.isBool() ? std::optional<QVariant>(QVariant(p.toBool())) : std::nullopt;
    if (tag == u"int" || tag == u"longlong") {
        const qlonglong n = p.toString().toLongLong(&ok);
        if (!ok)
            return std::nullopt;
        if (tag == u"longlong")
            return QVariant(n);
        if (n < std::numeric_limits<int>::min() || n > std::numeric_limits<int>::max())
            return std::nullopt;
        return QVariant(int(n));
    }
    if (tag == u"uint" || tag == u"ulonglong") {
        const qulonglong n = p.toString().toULongLong(&ok);
        if (!ok)
            return std::nullopt;
        if (tag == u"ulonglong")
            return QVariant(n);
        if (n > std::numeric_limits<uint>::max())
            return std::nullopt;
        return QVariant(uint(n));
    }
    if (tag == u"double" || tag == u"float") {
        const double d = QLocale::c().toDouble(p.toString(), &ok);
        if (!ok) {
            const QString s = p.toString();
            if (s == u"nan" || s == u"-nan")
                return tag == u"float" ? QVariant(std::numeric_limits<float>::quiet_NaN())
                                       : QVariant(std::numeric_limits<double>::quiet_NaN());
            if (s == u"inf" || s == u"-inf") {
                const double inf = s.startsWith(u'-') ? -std::numeric_limits<double>::infinity()
                                                      : std::numeric_limits<double>::infinity();
                return tag == u"float" ? QVariant(float(inf)) : QVariant(inf);
            }
            return std::nullopt;
        }
        return tag == u"float" ? QVariant(float(d)) : QVariant(d);
    }
    if (tag == u"string")
        return p.isString() ? std::optional<QVariant>(QVariant(p.toString())) : std::nullopt;
    if (tag == u"data") {
        auto r = QByteArray::fromBase64Encoding(p.toString().toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
        if (!r)
            return std::nullopt;
        return QVariant(r.decoded);
    }
    if (tag == u"datetime") {
        const QString s = p.toString();
        return QVariant(s.isEmpty() ? QDateTime() : QDateTime::fromString(s, Qt::ISODateWithMs));
    }
    if (tag == u"date")
        return QVariant(QDate::fromString(p.toString(), Qt::ISODate));
    if (tag == u"time")
        return QVariant(QTime::fromString(p.toString(), Qt::ISODateWithMs));
    if (tag == u"url")
        return QVariant(QUrl(p.toString(), QUrl::StrictMode));
    if (tag == u"stringlist") {
        if (!p.isArray())
            return std::nullopt;
        QStringList l;
        for (const QJsonValue &e : p.toArray()) {
            if (!e.isString())
                return std::nullopt;
            l.append(e.toString());
        }
        return QVariant(l);
    }
    if (tag == u"list") {
        if (!p.isArray())
            return std::nullopt;
        QVariantList l;
        for (const QJsonValue &e : p.toArray()) {
            std::optional<QVariant> v = fromTagged(e, depth + 1);
            if (!v)
                return std::nullopt;
            l.append(*v);
        }
        return QVariant(l);
    }
    if (tag == u"map" || tag == u"hash") {
        if (!p.isObject())
            return std::nullopt;
        const QJsonObject m = p.toObject();
        QVariantMap map;
        QVariantHash hash;
        for (auto it = m.begin(); it != m.end(); ++it) {
            std::optional<QVariant> v = fromTagged(it.value(), depth + 1);
            if (!v)
                return std::nullopt;
            if (tag == u"map")
                map.insert(it.key(), *v);
            else
                hash.insert(it.key(), *v);
        }
        return tag == u"map" ? QVariant(map) : QVariant(hash);
    }
    return std::nullopt;
}

int hexValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

void postChange()
{
    const QCoreApplication *app = QCoreApplication::instance();
    if (app && QThread::currentThread() != app->thread()) {
        postToThreadOf(QCoreApplication::instance(), "a change of the defaults", [] {
            NotificationCenter::defaultCenter().post(UserDefaults::DidChangeNotification);
        });
        return;
    }
    NotificationCenter::defaultCenter().post(UserDefaults::DidChangeNotification);
}

} // namespace

UserDefaults &UserDefaults::standardUserDefaults()
{
    static UserDefaults defaults(defaultFilePath());
    return defaults;
}

QString UserDefaults::defaultFilePath()
{
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || !QDir::isAbsolutePath(config))
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/Chronark/Chronark.conf");
}

UserDefaults::UserDefaults(const QString &filePath) : m_filePath(filePath)
{
    QMutexLocker lock(&m_mutex);
    if (keepsStoring()) {
        m_settings = std::make_unique<QSettings>(filePath, QSettings::IniFormat);
        m_writeGate = std::make_unique<DeferredWriteGate>([this] {
            QMutexLocker writing(&m_mutex);
            writeNow();
        });
        m_settings->installEventFilter(m_writeGate.get());
    }
    reload();
}

UserDefaults::~UserDefaults()
{
    QMutexLocker lock(&m_mutex);
    writeNow();
    if (m_settings)
        m_settings->removeEventFilter(m_writeGate.get());
}

QString UserDefaults::filePath() const
{
    return m_filePath;
}

bool UserDefaults::isStored() const
{
    QMutexLocker lock(&m_mutex);
    return bool(m_settings);
}

bool UserDefaults::keepsStoring()
{
    if (m_notStored)
        return false;
    // The settings library reads the file as it finds it, and opens its lock file
    // (reading it when another holds it) before it writes: a pipe at either would
    // hold the thread until some process opened its other end. The lock is looked
    // at as it stands (a link there could lead to one).
    const auto acceptable = [](RegularFile::Kind kind) {
        return kind == RegularFile::Kind::Missing || kind == RegularFile::Kind::Regular;
    };
    const bool fileAcceptable = acceptable(RegularFile::kindOf(m_filePath));
    if (fileAcceptable && acceptable(RegularFile::kindOfEntry(lockFilePath(m_filePath))))
        return true;
    m_notStored = true;
    if (m_settings) {
        // Deleting the settings, or their pending update, would write and read the
        // file once more: they are kept aside, never deleted, their update dropped.
        m_settings->removeEventFilter(m_writeGate.get());
        QCoreApplication::removePostedEvents(m_settings.get(), QEvent::UpdateRequest);
        // (Not even when the process ends: the list itself is never destroyed.)
        static QMutex asideMutex;
        static auto *aside = new std::vector<std::unique_ptr<QSettings>>;
        QMutexLocker asideLock(&asideMutex);
        aside->push_back(std::move(m_settings));
    }
    qWarning("UserDefaults: %s is not a regular file; the preferences are kept until the application quits "
             "and not stored",
             qPrintable(fileAcceptable ? lockFilePath(m_filePath) : m_filePath));
    return false;
}

bool UserDefaults::writeNow()
{
    if (!keepsStoring())
        return false;
    // The library writes the file a link in its place names: a regular file holding
    // what the link leads to takes the link's place first, and the library, which
    // reads it again as changed, writes that one.
    if (QFileInfo(m_filePath).isSymLink()) {
        QFile linked;
        const QByteArray content = RegularFile::openForReading(linked, m_filePath) ? linked.readAll() : QByteArray();
        SaveFile replacement(m_filePath, SaveFile::FinalLink::Replace);
        if (!replacement.open(QIODevice::WriteOnly) || replacement.write(content) != content.size()
            || !replacement.commit())
            return false;
    }
    m_settings->sync();
    // Written now: the settings' own later writing has nothing left to do.
    QCoreApplication::removePostedEvents(m_settings.get(), QEvent::UpdateRequest);
    return m_settings->status() == QSettings::NoError;
}

QString UserDefaults::encodeKey(const QString &key)
{
    // QSettings reads '/' and '\' as group separators; '%' escapes the three.
    if (key.isEmpty())
        return QStringLiteral("%");
    QString out;
    out.reserve(key.size());
    for (QChar c : key) {
        if (c == u'%')
            out += QLatin1String("%25");
        else if (c == u'/')
            out += QLatin1String("%2F");
        else if (c == u'\\')
            out += QLatin1String("%5C");
        else
            out += c;
    }
    return out;
}

QString UserDefaults::decodeKey(const QString &stored)
{
    if (stored == u"%")
        return QString(QLatin1String(""));
    QString out;
    out.reserve(stored.size());
    for (qsizetype i = 0; i < stored.size(); ++i) {
        if (stored.at(i) == u'%' && i + 2 < stored.size()) {
            const int hi = hexValue(stored.at(i + 1));
            const int lo = hexValue(stored.at(i + 2));
            if (hi >= 0 && lo >= 0) {
                out += QChar(hi * 16 + lo);
                i += 2;
                continue;
            }
        }
        out += stored.at(i);
    }
    return out;
}

std::optional<QVariant> UserDefaults::encodeValue(const QVariant &value)
{
    if (value.typeId() == QMetaType::QString)
        return value;
    std::optional<QJsonValue> tagged = toTagged(value, 0);
    if (!tagged)
        return std::nullopt;
    return QVariant(QJsonDocument(tagged->toObject()).toJson(QJsonDocument::Compact));
}

QVariant UserDefaults::decodeValue(const QVariant &stored)
{
    if (stored.typeId() != QMetaType::QByteArray)
        return stored;
    const QByteArray bytes = stored.toByteArray();
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (error.error == QJsonParseError::NoError && doc.isObject()) {
        if (std::optional<QVariant> v = fromTagged(doc.object(), 0))
            return *v;
    }
    // Bytes not written by us (an edited file): keep them as they are.
    return stored;
}

void UserDefaults::reload()
{
    if (!m_settings)
        return;
    m_values.clear();
    const QStringList keys = m_settings->allKeys();
    for (const QString &k : keys)
        m_values.insert(decodeKey(k), decodeValue(m_settings->value(k)));
}

void UserDefaults::registerDefaults(const QVariantMap &defaults)
{
    QMutexLocker lock(&m_mutex);
    for (auto it = defaults.begin(); it != defaults.end(); ++it)
        m_registered.insert(it.key(), it.value());
}

QVariant UserDefaults::objectForKey(const QString &key) const
{
    QMutexLocker lock(&m_mutex);
    auto it = m_values.constFind(key);
    if (it != m_values.constEnd())
        return it.value();
    return m_registered.value(key);
}

QString UserDefaults::stringForKey(const QString &key) const
{
    const QVariant v = objectForKey(key);
    if (v.typeId() == QMetaType::QString)
        return v.toString();
    if (isNumber(v))
        return numberText(v);
    return QString();
}

qint64 UserDefaults::integerForKey(const QString &key) const
{
    const QVariant v = objectForKey(key);
    if (isNumber(v))
        return numberToInteger(v);
    if (v.typeId() == QMetaType::QString)
        return leadingInteger(v.toString());
    return 0;
}

float UserDefaults::floatForKey(const QString &key) const
{
    return float(doubleForKey(key));
}

double UserDefaults::doubleForKey(const QString &key) const
{
    const QVariant v = objectForKey(key);
    if (isNumber(v))
        return v.toDouble();
    if (v.typeId() == QMetaType::QString)
        return leadingDouble(v.toString());
    return 0.0;
}

bool UserDefaults::boolForKey(const QString &key) const
{
    const QVariant v = objectForKey(key);
    if (v.typeId() == QMetaType::Bool)
        return v.toBool();
    if (isNumber(v))
        return isFloating(v) ? v.toDouble() != 0.0 : numberToInteger(v) != 0;
    if (v.typeId() == QMetaType::QString) {
        const QString s = v.toString();
        if (s.compare(u"YES", Qt::CaseInsensitive) == 0 || s.compare(u"true", Qt::CaseInsensitive) == 0)
            return true;
        return leadingInteger(s) != 0;
    }
    return false;
}

QVariantList UserDefaults::arrayForKey(const QString &key) const
{
    const QVariant v = objectForKey(key);
    if (v.typeId() == QMetaType::QVariantList)
        return v.toList();
    if (v.typeId() == QMetaType::QStringList) {
        QVariantList l;
        for (const QString &s : v.toStringList())
            l.append(s);
        return l;
    }
    return {};
}

QStringList UserDefaults::stringArrayForKey(const QString &key) const
{
    const QVariant v = objectForKey(key);
    if (v.typeId() == QMetaType::QStringList)
        return v.toStringList();
    if (v.typeId() != QMetaType::QVariantList)
        return {};
    QStringList out;
    for (const QVariant &e : v.toList()) {
        if (e.typeId() != QMetaType::QString)
            return {};
        out.append(e.toString());
    }
    return out;
}

QVariantMap UserDefaults::dictionaryForKey(const QString &key) const
{
    const QVariant v = objectForKey(key);
    if (v.typeId() == QMetaType::QVariantMap)
        return v.toMap();
    if (v.typeId() == QMetaType::QVariantHash) {
        QVariantMap m;
        const QVariantHash h = v.toHash();
        for (auto it = h.begin(); it != h.end(); ++it)
            m.insert(it.key(), it.value());
        return m;
    }
    return {};
}

QByteArray UserDefaults::dataForKey(const QString &key) const
{
    const QVariant v = objectForKey(key);
    return v.typeId() == QMetaType::QByteArray ? v.toByteArray() : QByteArray();
}

bool UserDefaults::setObject(const QVariant &value, const QString &key)
{
    if (!value.isValid()) {
        removeObjectForKey(key);
        return true;
    }
    const std::optional<QVariant> stored = encodeValue(value);
    if (!stored) {
        qWarning("UserDefaults: a value of type %s cannot be stored (key \"%s\")",
                 value.typeName() ? value.typeName() : "?", qPrintable(key));
        return false;
    }
    {
        QMutexLocker lock(&m_mutex);
        // Kept in memory exactly as it will read back after a restart.
        m_values.insert(key, decodeValue(*stored));
        // Written in a later pass by the settings, while the file is still one.
        if (keepsStoring())
            m_settings->setValue(encodeKey(key), *stored);
    }
    changed();
    return true;
}

void UserDefaults::setInteger(qint64 value, const QString &key)
{
    setObject(QVariant(qlonglong(value)), key);
}

void UserDefaults::setFloat(float value, const QString &key)
{
    setObject(QVariant(value), key);
}

void UserDefaults::setDouble(double value, const QString &key)
{
    setObject(QVariant(value), key);
}

void UserDefaults::setBool(bool value, const QString &key)
{
    setObject(QVariant(value), key);
}

void UserDefaults::setString(const QString &value, const QString &key)
{
    setObject(QVariant(value), key);
}

void UserDefaults::setArray(const QVariantList &value, const QString &key)
{
    setObject(QVariant(value), key);
}

void UserDefaults::setDictionary(const QVariantMap &value, const QString &key)
{
    setObject(QVariant(value), key);
}

void UserDefaults::setData(const QByteArray &value, const QString &key)
{
    setObject(QVariant(value), key);
}

void UserDefaults::removeObjectForKey(const QString &key)
{
    {
        QMutexLocker lock(&m_mutex);
        m_values.remove(key);
        if (keepsStoring())
            m_settings->remove(encodeKey(key));
    }
    changed();
}

QVariantMap UserDefaults::dictionaryRepresentation() const
{
    QMutexLocker lock(&m_mutex);
    QVariantMap all = m_registered;
    for (auto it = m_values.begin(); it != m_values.end(); ++it)
        all.insert(it.key(), it.value());
    return all;
}

QVariantMap UserDefaults::persistentValues() const
{
    QMutexLocker lock(&m_mutex);
    return m_values;
}

bool UserDefaults::synchronize()
{
    QMutexLocker lock(&m_mutex);
    if (!keepsStoring())
        return false;
    const bool ok = writeNow();
    reload();
    return ok;
}

void UserDefaults::changed()
{
    postChange();
}

} // namespace platform
