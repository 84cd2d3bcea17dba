#include "platform/foundation/UserDefaults.h"

#include "platform/foundation/ExceptionBoundary.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/ThreadHandOff.h"
#include "platform/foundation/UserDefaultsWriter.h"
#include "platform/foundation/VariantNumber.h"

#include <QCoreApplication>
#include <QDate>
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
#include <limits>

namespace platform {

namespace {

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
    static UserDefaults defaults(standardFilePath());
    return defaults;
}

QString UserDefaults::standardFilePath()
{
    static const QString path = defaultFilePath();
    return path;
}

QString UserDefaults::defaultFilePath()
{
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || !QDir::isAbsolutePath(config))
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/Chronark/Chronark.conf");
}

UserDefaults::UserDefaults(const QString &filePath)
    : m_filePath(filePath), m_writer(std::make_unique<UserDefaultsWriter>(filePath))
{
    takeStored(m_writer->initialContent());
    // What is set up to quit is on the disk before the application's object goes (and
    // again, with what came later, when these defaults go).
    if (QCoreApplication *app = QCoreApplication::instance()) {
        m_quitFlush = std::make_unique<QObject>();
        m_quitFlush->moveToThread(app->thread());
        QObject::connect(app, &QCoreApplication::aboutToQuit, m_quitFlush.get(),
                         ExceptionBoundary::guarded(m_quitFlush.get(), "aboutToQuit", [this] { flush(); }),
                         Qt::DirectConnection);
    }
}

UserDefaults::~UserDefaults()
{
    m_quitFlush.reset();
    // Ends the writing thread once it wrote everything.
    m_writer.reset();
}

QString UserDefaults::filePath() const
{
    return m_filePath;
}

bool UserDefaults::isStored() const
{
    return m_writer->isStored();
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

void UserDefaults::takeStored(const QVariantMap &stored)
{
    m_values.clear();
    for (auto it = stored.begin(); it != stored.end(); ++it)
        m_values.insert(decodeKey(it.key()), decodeValue(it.value()));
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
        // Written by the writing thread, in the order of the changes (queued under the
        // lock that orders them in memory).
        m_writer->setValue(encodeKey(key), *stored);
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
        m_writer->remove(encodeKey(key));
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
    // The lock is held throughout: a change made meanwhile comes after the values
    // read back, in memory as in the file.
    QMutexLocker lock(&m_mutex);
    if (!m_writer->isStored())
        return false;
    const UserDefaultsWriter::Flushed flushed = m_writer->flush(true);
    if (m_writer->isStored())
        takeStored(flushed.content);
    return flushed.written;
}

void UserDefaults::flush()
{
    m_writer->flush(false);
}

void UserDefaults::changed()
{
    postChange();
}

} // namespace platform
