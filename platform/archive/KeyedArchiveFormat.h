#pragma once
// The layout of a keyed archive, shared by KeyedArchiver and KeyedUnarchiver. The
// archive is an XML property list (PropertyList) holding one dictionary:
//   "$archiver"  "KeyedArchiver"
//   "$version"   1
//   "$objects"   the object table; entry 0 is "$null" (none)
//   "$top"       the top-level keys; the archived root is under "root"
// A reference to a table entry is the dictionary {"$ref": index}. A table entry is a
// string, data, a number or a boolean (the value itself), an array of references
// (a list), a class description {"$classname": name}, or an object
// {"$class": reference to its class description, key: value…}. The keys of an
// object hold scalars inline (booleans, integers, reals, data, [x, y, w, h]) and
// objects as references. A key the class chose that begins with "$" is stored with
// one more "$" in front. The values this layer knows are objects of the classes
// "Dictionary" ("keys", "values": lists of references), "Color" ("components": red,
// green, blue, alpha), "Font" ("description": the QFont string form), "Image"
// ("png": data), "IndexSet" ("ranges": location, length, …), "Transform" ("matrix":
// the nine elements m11 … m33).
// Threads: reentrant; no shared state, so separate values may be used on any thread.
#include <QString>
#include <QStringList>

namespace platform::KeyedArchiveFormat {

inline const QString ArchiverKey = QStringLiteral("$archiver");
inline const QString VersionKey = QStringLiteral("$version");
inline const QString ObjectsKey = QStringLiteral("$objects");
inline const QString TopKey = QStringLiteral("$top");
inline const QString ClassKey = QStringLiteral("$class");
inline const QString ClassNameKey = QStringLiteral("$classname");
inline const QString ReferenceKey = QStringLiteral("$ref");
inline const QString NullEntry = QStringLiteral("$null");
inline const QString RootKey = QStringLiteral("root");

inline const QString ArchiverName = QStringLiteral("KeyedArchiver");
constexpr int Version = 1;

inline const QString DictionaryClass = QStringLiteral("Dictionary");
inline const QString ColorClass = QStringLiteral("Color");
inline const QString FontClass = QStringLiteral("Font");
inline const QString ImageClass = QStringLiteral("Image");
inline const QString IndexSetClass = QStringLiteral("IndexSet");
inline const QString TransformClass = QStringLiteral("Transform");

inline const QString KeysKey = QStringLiteral("keys");
inline const QString ValuesKey = QStringLiteral("values");
inline const QString ComponentsKey = QStringLiteral("components");
inline const QString DescriptionKey = QStringLiteral("description");
inline const QString PngKey = QStringLiteral("png");
inline const QString RangesKey = QStringLiteral("ranges");
inline const QString MatrixKey = QStringLiteral("matrix");

// A key as stored: one more "$" in front of a key that begins with "$".
inline QString storedKey(const QString &key)
{
    return key.startsWith(u'$') ? QLatin1Char('$') + key : key;
}

// Objects (and lists) inside each other, when writing and when reading.
constexpr int MaximumDepth = 100;

} // namespace platform::KeyedArchiveFormat
