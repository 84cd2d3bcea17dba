#pragma once
// Converts a bound value on its way from the model to a control (transformedValue)
// and, when the class allows it, back (reverseTransformedValue). Transformers can be
// registered under a name; bindings name them in their options ("NSValueTransformerName")
// or carry the object itself ("NSValueTransformer", see toVariant()).
//
// Registered from the start: "NSNegateBoolean" (reversible), "NSIsNil" and "NSIsNotNil"
// (one way; an invalid QVariant or a null pointer counts as nil).
// Threads: the registry of names is GUI thread only (checked in debug builds); the
// built-in transformers hold no state.
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>

namespace platform {

class ValueTransformer
{
public:
    virtual ~ValueTransformer();

    // The default implementations answer the value unchanged.
    virtual QVariant transformedValue(const QVariant &value) const;
    virtual QVariant reverseTransformedValue(const QVariant &value) const;
    // Default: true.
    virtual bool allowsReverseTransformation() const;

    // Registers (or, with a null transformer, removes) the transformer of a name.
    static void setValueTransformer(std::shared_ptr<ValueTransformer> transformer, const QString &name);
    static std::shared_ptr<ValueTransformer> valueTransformerForName(const QString &name);
    static QStringList valueTransformerNames();

    // A transformer in a QVariant (for binding options), and back. fromVariant() also
    // accepts a plain ValueTransformer* (not owned); anything else answers null.
    static QVariant toVariant(std::shared_ptr<ValueTransformer> transformer);
    static std::shared_ptr<ValueTransformer> fromVariant(const QVariant &value);
};

} // namespace platform

Q_DECLARE_METATYPE(std::shared_ptr<platform::ValueTransformer>)
Q_DECLARE_METATYPE(platform::ValueTransformer *)
