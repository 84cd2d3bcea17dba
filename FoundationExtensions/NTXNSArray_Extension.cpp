#include "FoundationExtensions/NTXNSArray_Extension.h"

#include <QDebug>
#include <QMimeDatabase>
#include <QMimeType>
#include <QVariantHash>
#include <QVariantMap>

namespace NTXNSArray_Extension {

namespace detail {

const void *identityOfVariant(const QVariant &value)
{
    if (!value.isValid())
        return nullptr;
    if (value.metaType().flags() & (QMetaType::IsPointer | QMetaType::PointerToQObject))
        return *static_cast<const void *const *>(value.constData());
    return nullptr;
}

void throwRange(const QString &operation, qsizetype index, qsizetype count)
{
    throw platform::Exception(platform::Exception::RangeException,
                              QStringLiteral("%1: index %2 beyond bounds [0 .. %3]").arg(operation).arg(index).arg(count - 1));
}

} // namespace detail

// ---- indexOfString ----

namespace {

// The given string's characters over the range, compared with the whole element.
bool sameOverRange(const QString &element, const QString &part, NTXNSStringExtension::SearchOptions options)
{
    QString mine = element;
    QString other = part;
    if (!(options & NTXNSStringExtension::LiteralSearch)) {
        mine = mine.normalized(QString::NormalizationForm_D);
        other = other.normalized(QString::NormalizationForm_D);
    }
    const Qt::CaseSensitivity sensitivity =
        (options & NTXNSStringExtension::CaseInsensitiveSearch) ? Qt::CaseInsensitive : Qt::CaseSensitive;
    return QString::compare(mine, other, sensitivity) == 0;
}

// The part of the string that is compared; a range beyond it raises.
QString comparedPart(const QString &string, const std::optional<platform::Range> &range)
{
    if (!range)
        return string;
    if (!range->fitsIn(string.size()))
        throw platform::Exception(platform::Exception::RangeException,
                                  QStringLiteral("indexOfString: range {%1, %2} beyond the string's length %3")
                                      .arg(range->location)
                                      .arg(range->length)
                                      .arg(string.size()));
    return string.mid(range->location, range->length);
}

} // namespace

qsizetype indexOfString(const QVariantList &array, const QString &string, NTXNSStringExtension::SearchOptions options,
                        std::optional<platform::Range> range)
{
    const QString part = comparedPart(string, range);
    for (qsizetype i = 0; i < array.size(); ++i) {
        const QVariant &element = array.at(i);
        if (element.metaType() == QMetaType::fromType<QString>() && sameOverRange(element.toString(), part, options))
            return i;
    }
    return platform::Range::NotFound;
}

qsizetype indexOfString(const QStringList &array, const QString &string, NTXNSStringExtension::SearchOptions options,
                        std::optional<platform::Range> range)
{
    const QString part = comparedPart(string, range);
    for (qsizetype i = 0; i < array.size(); ++i) {
        if (sameOverRange(array.at(i), part, options))
            return i;
    }
    return platform::Range::NotFound;
}

// ---- Copies ----

namespace {

QVariant deepCopyOf(const QVariant &value, int depth);

QVariantList deepCopyList(const QVariantList &list, int depth)
{
    QVariantList copy;
    copy.reserve(list.size());
    for (const QVariant &element : list)
        copy.append(deepCopyOf(element, depth + 1));
    return copy;
}

QVariant deepCopyOf(const QVariant &value, int depth)
{
    // Nesting deeper than any real document is shared rather than copied.
    if (depth > platform::KeyValueObservable::MaximumKeyPathDepth * 4)
        return value;
    switch (value.metaType().id()) {
    case QMetaType::QVariantList:
        return deepCopyList(value.toList(), depth);
    case QMetaType::QVariantMap: {
        QVariantMap copy;
        const QVariantMap map = value.toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it)
            copy.insert(it.key(), deepCopyOf(it.value(), depth + 1));
        return copy;
    }
    case QMetaType::QVariantHash: {
        QVariantHash copy;
        const QVariantHash hash = value.toHash();
        for (auto it = hash.cbegin(); it != hash.cend(); ++it)
            copy.insert(it.key(), deepCopyOf(it.value(), depth + 1));
        return copy;
    }
    case QMetaType::QStringList: {
        QStringList copy;
        const QStringList strings = value.toStringList();
        for (const QString &s : strings)
            copy.append(QString(s.constData(), s.size()));
        return copy;
    }
    case QMetaType::QString: {
        const QString s = value.toString();
        return s.isNull() ? QVariant(QString()) : QVariant(QString(s.constData(), s.size()));
    }
    default:
        return value;
    }
}

QVariantList replaceCopy(const QVariantList &array, const ReplacementFunction &function, const QVariant &context,
                         int depth)
{
    QVariantList buffer;
    bool collecting = false;
    for (qsizetype i = 0; i < array.size(); ++i) {
        const QVariant &element = array.at(i);
        QVariant answer = function ? function(element, context) : QVariant();
        if (!answer.isValid()) {
            if (element.metaType().id() == QMetaType::QVariantList &&
                depth < platform::KeyValueObservable::MaximumKeyPathDepth * 4)
                answer = replaceCopy(element.toList(), function, context, depth + 1);
            else
                answer = element;
        }
        const bool same = answer.metaType() == element.metaType() && answer == element &&
                          detail::identityOfVariant(answer) == detail::identityOfVariant(element);
        if (!collecting && !same) {
            collecting = true;
            buffer.reserve(array.size());
            buffer.append(array.mid(0, i));
        }
        if (collecting)
            buffer.append(std::move(answer));
    }
    return collecting ? buffer : array;
}

} // namespace

QVariantList deepMutableCopy(const QVariantList &array)
{
    return deepCopyList(array, 0);
}

QVariantList deepCopyWithReplacementFunction(const QVariantList &array, const ReplacementFunction &function,
                                             const QVariant &context)
{
    return replaceCopy(array, function, context, 0);
}

// ---- Type identifiers ----

namespace {

enum class Root { None, Data, Image };

// A platform identifier as the MIME name it stands for (or a root predicate).
QString mimeNameFor(const QString &identifier, Root *root)
{
    *root = Root::None;
    if (identifier == QLatin1String("public.data")) {
        *root = Root::Data;
        return QStringLiteral("application/octet-stream");
    }
    if (identifier == QLatin1String("public.image")) {
        *root = Root::Image;
        return QString();
    }
    if (identifier == QLatin1String("public.text") || identifier == QLatin1String("public.plain-text"))
        return QStringLiteral("text/plain");
    if (identifier == QLatin1String("public.xml"))
        return QStringLiteral("application/xml");
    return identifier;
}

} // namespace

bool typeConformsTo(const QString &type, const QString &conformsTo)
{
    if (type.isEmpty() || conformsTo.isEmpty())
        return false;
    Root typeRoot = Root::None;
    Root targetRoot = Root::None;
    const QString typeName = mimeNameFor(type, &typeRoot);
    const QString targetName = mimeNameFor(conformsTo, &targetRoot);
    if (type == conformsTo)
        return true;
    if (typeRoot == Root::Image)
        return targetRoot == Root::Data || targetRoot == Root::Image;

    const QMimeDatabase database;
    const QMimeType mime = database.mimeTypeForName(typeName);
    if (!mime.isValid())
        return typeName == targetName && targetRoot == Root::None;
    switch (targetRoot) {
    case Root::Data:
        return true;
    case Root::Image: {
        if (mime.name().startsWith(QLatin1String("image/")))
            return true;
        const QStringList ancestors = mime.allAncestors();
        return std::any_of(ancestors.cbegin(), ancestors.cend(),
                           [](const QString &a) { return a.startsWith(QLatin1String("image/")); });
    }
    case Root::None:
        break;
    }
    const QMimeType target = database.mimeTypeForName(targetName);
    const QString resolvedTarget = target.isValid() ? target.name() : targetName;
    return mime.name() == resolvedTarget || mime.inherits(resolvedTarget);
}

bool UTIConformsTo(const QStringList &array, const QString &type)
{
    for (const QString &element : array) {
        if (typeConformsTo(element, type)) {
            qDebug().noquote() << QStringLiteral("object: ") + element;
            return true;
        }
    }
    return false;
}

bool UTIConformsTo(const QVariantList &array, const QString &type)
{
    for (const QVariant &element : array) {
        if (element.metaType() != QMetaType::fromType<QString>())
            continue;
        if (typeConformsTo(element.toString(), type)) {
            qDebug().noquote() << QStringLiteral("object: ") + element.toString();
            return true;
        }
    }
    return false;
}

bool containsUTIConformsTo(const QVariantList &array, const QString &type)
{
    return UTIConformsTo(array, type);
}

bool containsUTIConformsTo(const QStringList &array, const QString &type)
{
    return UTIConformsTo(array, type);
}

} // namespace NTXNSArray_Extension
