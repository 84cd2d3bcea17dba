#include "platform/foundation/ValueTransformer.h"

#include "platform/foundation/GuiThread.h"

#include <QHash>

namespace platform {

namespace {

bool isNilValue(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return true;
    const QMetaType type = value.metaType();
    if (type.flags() & (QMetaType::IsPointer | QMetaType::PointerToQObject))
        return *static_cast<void *const *>(value.constData()) == nullptr;
    return false;
}

class NegateBooleanTransformer final : public ValueTransformer
{
public:
    QVariant transformedValue(const QVariant &value) const override { return !value.toBool(); }
    QVariant reverseTransformedValue(const QVariant &value) const override { return !value.toBool(); }
};

class IsNilTransformer final : public ValueTransformer
{
public:
    explicit IsNilTransformer(bool negated) : m_negated(negated) {}
    QVariant transformedValue(const QVariant &value) const override { return isNilValue(value) != m_negated; }
    bool allowsReverseTransformation() const override { return false; }

private:
    bool m_negated;
};

struct Registry
{
    QHash<QString, std::shared_ptr<ValueTransformer>> byName{
        {QStringLiteral("NSNegateBoolean"), std::make_shared<NegateBooleanTransformer>()},
        {QStringLiteral("NSIsNil"), std::make_shared<IsNilTransformer>(false)},
        {QStringLiteral("NSIsNotNil"), std::make_shared<IsNilTransformer>(true)},
    };
};

Registry &registry()
{
    platform::GuiThread::check("value transformers");
    static Registry instance;
    return instance;
}

// A borrowed transformer: shares ownership with nothing.
std::shared_ptr<ValueTransformer> borrowed(ValueTransformer *transformer)
{
    return std::shared_ptr<ValueTransformer>(transformer, [](ValueTransformer *) {});
}

} // namespace

ValueTransformer::~ValueTransformer() = default;

QVariant ValueTransformer::transformedValue(const QVariant &value) const
{
    return value;
}

QVariant ValueTransformer::reverseTransformedValue(const QVariant &value) const
{
    return value;
}

bool ValueTransformer::allowsReverseTransformation() const
{
    return true;
}

void ValueTransformer::setValueTransformer(std::shared_ptr<ValueTransformer> transformer, const QString &name)
{
    Registry &r = registry();
    if (transformer)
        r.byName.insert(name, std::move(transformer));
    else
        r.byName.remove(name);
}

std::shared_ptr<ValueTransformer> ValueTransformer::valueTransformerForName(const QString &name)
{
    Registry &r = registry();
    return r.byName.value(name);
}

QStringList ValueTransformer::valueTransformerNames()
{
    Registry &r = registry();
    QStringList names = r.byName.keys();
    names.sort();
    return names;
}

QVariant ValueTransformer::toVariant(std::shared_ptr<ValueTransformer> transformer)
{
    return QVariant::fromValue(std::move(transformer));
}

std::shared_ptr<ValueTransformer> ValueTransformer::fromVariant(const QVariant &value)
{
    if (value.metaType() == QMetaType::fromType<std::shared_ptr<ValueTransformer>>())
        return value.value<std::shared_ptr<ValueTransformer>>();
    if (value.metaType() == QMetaType::fromType<ValueTransformer *>()) {
        ValueTransformer *plain = value.value<ValueTransformer *>();
        return plain ? borrowed(plain) : nullptr;
    }
    return nullptr;
}

} // namespace platform
