#include "platform/archive/Coder.h"

namespace platform {

Coder::~Coder() = default;

QVariant Coder::objectValue(const CodingPtr &object)
{
    return object ? QVariant::fromValue(object) : QVariant();
}

CodingPtr Coder::objectFromValue(const QVariant &value)
{
    return value.metaType() == QMetaType::fromType<CodingPtr>() ? value.value<CodingPtr>() : CodingPtr();
}

void Coder::failWrongKind(const QString &key, const QVariant &found, const char *wanted)
{
    const CodingPtr object = objectFromValue(found);
    const QString foundName = object ? object->classNameForCoder() : QString::fromLatin1(found.typeName());
    failWithError(QStringLiteral("the value under \"%1\" is a %2, not %3")
                      .arg(key, foundName,
                           wanted ? QStringLiteral("a ") + QString::fromLatin1(wanted)
                                  : QStringLiteral("of the class asked for")));
}

} // namespace platform
