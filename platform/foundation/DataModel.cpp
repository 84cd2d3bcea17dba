#include "platform/foundation/DataModel.h"

namespace platform {

DataModel::DataModel(QHash<QString, QString> localizationDictionary)
    : m_localization(std::move(localizationDictionary))
{
}

std::shared_ptr<DataModel> DataModel::create(QHash<QString, QString> localizationDictionary)
{
    return std::shared_ptr<DataModel>(new DataModel(std::move(localizationDictionary)));
}

DataEntity DataModel::addEntity(const QString &name, const QStringList &propertyNames)
{
    DataEntity entity(name, propertyNames);
    entity.m_model = weak_from_this();
    m_entities.insert(name, entity);
    return entity;
}

std::optional<DataEntity> DataModel::entityNamed(const QString &name) const
{
    const auto it = m_entities.constFind(name);
    if (it == m_entities.cend())
        return std::nullopt;
    return *it;
}

QStringList DataModel::entityNames() const
{
    QStringList names = m_entities.keys();
    names.sort();
    return names;
}

} // namespace platform
