#include "FoundationExtensions/NTXNumberContainer.h"

#include "platform/archive/Coder.h"
#include "platform/archive/CodingRegistry.h"

namespace {

const bool registered = platform::CodingRegistry::registerClass<NTXNumberContainer>(QStringLiteral("NTXNumberContainer"));

QVariant numberOf(const QVariant &other)
{
    if (auto container = std::dynamic_pointer_cast<NTXNumberContainer>(platform::Coder::objectFromValue(other)))
        return container->numberObject();
    return other;
}

} // namespace

std::shared_ptr<NTXNumberContainer> NTXNumberContainer::numberContainerWithNumber(const QVariant &number,
                                                                                  const QString &info)
{
    auto container = std::make_shared<NTXNumberContainer>();
    container->m_numberObject = number;
    container->m_infoString = info;
    return container;
}

QPartialOrdering NTXNumberContainer::compare(const QVariant &other) const
{
    return QVariant::compare(QVariant(m_numberObject.toDouble()), QVariant(numberOf(other).toDouble()));
}

bool NTXNumberContainer::isEqual(const QVariant &other) const
{
    const QVariant number = numberOf(other);
    return number.isValid() && compare(number) == QPartialOrdering::Equivalent;
}

void NTXNumberContainer::encodeWithCoder(platform::Coder &coder) const
{
    if (!coder.allowsKeyedCoding())
        return;
    coder.encodeObject(m_numberObject, QStringLiteral("numberObject"));
    coder.encodeObject(m_infoString.isNull() ? QVariant() : QVariant(m_infoString), QStringLiteral("infoString"));
}

bool NTXNumberContainer::initWithCoder(platform::Coder &coder)
{
    if (!coder.allowsKeyedCoding())
        return false;
    const QVariant number = coder.decodeObject(QStringLiteral("numberObject"));
    const QString info = coder.decodeObject<QString>(QStringLiteral("infoString"));
    if (coder.failed())
        return false;
    m_numberObject = number;
    m_infoString = info;
    return true;
}
