#include "NTXAppKit/NTX0_1to0_100ValueTransformer/NTX0_1to0_100ValueTransformer.h"

namespace {

float floatValue(const QVariant &value)
{
    bool ok = false;
    const float number = value.toFloat(&ok);
    return ok ? number : 0.0f;
}

} // namespace

QVariant NTX0_1to0_100ValueTransformer::transformedValue(const QVariant &value) const
{
    return QVariant(floatValue(value) * 100.0f);
}

QVariant NTX0_1to0_100ValueTransformer::reverseTransformedValue(const QVariant &value) const
{
    return QVariant(floatValue(value) / 100.0f);
}

void NTX0_1to0_100ValueTransformer::registerShared()
{
    setValueTransformer(std::make_shared<NTX0_1to0_100ValueTransformer>(), Name);
}
