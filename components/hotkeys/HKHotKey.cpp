#include "components/hotkeys/HKHotKey.h"

#include <QHashFunctions>
#include <QStringList>

namespace {

QString objectDescription(const QString &className, const void *address)
{
    return QStringLiteral("<%1: 0x%2>").arg(className).arg(quintptr(address), 0, 16);
}

} // namespace

HKHotKey::~HKHotKey() = default;

bool HKHotKey::isEqual(const HKHotKey &other) const
{
    return keyCode() == other.keyCode() && modifierFlags() == other.modifierFlags();
}

quint64 HKHotKey::hash() const
{
    return quint64(modifierFlags()) + quint64(quint16(keyCode()));
}

QString HKHotKey::flagsDescription(quint32 modifierFlags)
{
    QStringList names;
    if (modifierFlags & 0x40000)
        names << QStringLiteral("NSControlKeyMask");
    if (modifierFlags & 0x100000)
        names << QStringLiteral("NSCommandKeyMask");
    if (modifierFlags & 0x20000)
        names << QStringLiteral("NSShiftKeyMask");
    if (modifierFlags & 0x80000)
        names << QStringLiteral("NSAlternateKeyMask");
    if (names.isEmpty())
        return QStringLiteral("ERROR: No valid flags");
    return QStringLiteral("(%1)").arg(names.join(QStringLiteral(" | ")));
}

QString HKHotKey::description() const
{
    QString invokes;
    QObject *receiver = target();
    if (receiver && !action().isEmpty())
        invokes = QStringLiteral("[%1 %2]")
                      .arg(objectDescription(QString::fromLatin1(receiver->metaObject()->className()), receiver),
                           actionString());
    else
        invokes = QStringLiteral("(block)");
    return QStringLiteral("%1\n\t(key: %2\n\tflags: %3\n\tinvokes: %4)")
        .arg(objectDescription(QStringLiteral("HKHotKey"), this))
        .arg(keyCode())
        .arg(flagsDescription(modifierFlags()), invokes);
}

size_t qHash(const HKHotKey &hotKey, size_t seed)
{
    return qHash(hotKey.hash(), seed);
}
