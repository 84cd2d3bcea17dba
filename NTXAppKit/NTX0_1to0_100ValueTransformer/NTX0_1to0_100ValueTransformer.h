#pragma once
// A value transformer from fractions to percentages (0.25 → 25) and back, in 32-bit
// floats; a value without a number (none, text that is not one) counts as 0. It is
// registered under its class name "NTX0_1to0_100ValueTransformer" (registerShared()),
// so bindings can name it. Holds no state; the registry is the GUI thread's.
#include "platform/foundation/ValueTransformer.h"

class NTX0_1to0_100ValueTransformer : public platform::ValueTransformer
{
public:
    static inline const QString Name = QStringLiteral("NTX0_1to0_100ValueTransformer");

    QVariant transformedValue(const QVariant &value) const override;
    QVariant reverseTransformedValue(const QVariant &value) const override;
    bool allowsReverseTransformation() const override { return true; }
    // The class of the transformed values: a number (float).
    static QMetaType transformedValueClass() { return QMetaType::fromType<float>(); }

    // Registers a shared instance under Name (again: replaced by a new one).
    static void registerShared();
};
