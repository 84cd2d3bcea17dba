#include "FoundationExtensions/NTXNSManagedObjectModelExtensions.h"

#include <QStringList>
#include <optional>

namespace NTXExtensions {

namespace {

const QString MissingLocalization = QStringLiteral("missing localization");

std::optional<QString> firstPresent(const platform::DataModel &model, const QStringList &keys)
{
    const QHash<QString, QString> &dictionary = model.localizationDictionary();
    for (const QString &key : keys) {
        const auto it = dictionary.constFind(key);
        if (it != dictionary.cend())
            return *it;
    }
    return std::nullopt;
}

} // namespace

QString localizedEntityNameOfEntity(const platform::DataModel &model, const platform::DataEntity &entity)
{
    return firstPresent(model, {QStringLiteral("Entity/%1").arg(entity.name())}).value_or(MissingLocalization);
}

QString localizedPropertyNameForPropertyName(const platform::DataModel &model, const QString &propertyName,
                                             const platform::DataEntity &entity)
{
    return firstPresent(model, {QStringLiteral("Property/%1/Entity/%2").arg(propertyName, entity.name()),
                                QStringLiteral("Property/%1").arg(propertyName)})
        .value_or(MissingLocalization);
}

QString localizedLabelForPropertyName(const platform::DataModel &model, const QString &propertyName,
                                      const platform::DataEntity &entity)
{
    const QString text = firstPresent(model, {QStringLiteral("Label/Property/%1/Entity/%2").arg(propertyName, entity.name()),
                                              QStringLiteral("Label/Property/%1").arg(propertyName)})
                             .value_or(localizedPropertyNameForPropertyName(model, propertyName, entity));
    return text + QLatin1Char(':');
}

QString localizedPlaceholderForPropertyName(const platform::DataModel &model, const QString &propertyName,
                                            const platform::DataEntity &entity)
{
    return firstPresent(model,
                        {QStringLiteral("Placeholder/Property/%1/Entity/%2").arg(propertyName, entity.name()),
                         QStringLiteral("Placeholder/Property/%1").arg(propertyName)})
        .value_or(localizedPropertyNameForPropertyName(model, propertyName, entity));
}

} // namespace NTXExtensions
