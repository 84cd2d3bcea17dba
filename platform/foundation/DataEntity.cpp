#include "platform/foundation/DataEntity.h"

namespace platform {

DataEntity::DataEntity(QString name, QStringList propertyNames)
    : m_name(std::move(name))
    , m_propertyNames(std::move(propertyNames))
{
}

bool DataEntity::operator==(const DataEntity &other) const
{
    return m_name == other.m_name && m_propertyNames == other.m_propertyNames &&
           m_model.lock() == other.m_model.lock();
}

} // namespace platform
