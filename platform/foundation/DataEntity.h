#pragma once
// One entity of a data model: its name, its property names and the model it
// belongs to. A value: copies describe the same entity. The model is referred to
// weakly (the model owns its entities); managedObjectModel() answers null once the
// model is gone or for an entity made outside a model.
// Threads: reentrant (a value without shared state besides the model it names).
#include <QString>
#include <QStringList>
#include <memory>

namespace platform {

class DataModel;

class DataEntity
{
public:
    DataEntity() = default;
    DataEntity(QString name, QStringList propertyNames);

    const QString &name() const { return m_name; }
    const QStringList &propertyNames() const { return m_propertyNames; }
    std::shared_ptr<const DataModel> managedObjectModel() const { return m_model.lock(); }

    bool operator==(const DataEntity &other) const;

private:
    friend class DataModel;
    QString m_name;
    QStringList m_propertyNames;
    std::weak_ptr<const DataModel> m_model;
};

} // namespace platform
