#pragma once
// A data model: its entities by name and its localization dictionary (keys such as
// "Entity/<name>" or "Property/<property>" to texts shown to the user).
// Made with create() and held by std::shared_ptr, so that its entities can name it.
// Threads: reentrant; a model is filled by one thread and then only read.
#include "platform/foundation/DataEntity.h"

#include <QHash>
#include <QString>
#include <memory>
#include <optional>

namespace platform {

class DataModel : public std::enable_shared_from_this<DataModel>
{
public:
    static std::shared_ptr<DataModel> create(QHash<QString, QString> localizationDictionary = {});

    const QHash<QString, QString> &localizationDictionary() const { return m_localization; }
    void setLocalizationDictionary(QHash<QString, QString> dictionary) { m_localization = std::move(dictionary); }

    // Adds (or replaces) an entity of the model and answers it as part of the model.
    DataEntity addEntity(const QString &name, const QStringList &propertyNames);
    std::optional<DataEntity> entityNamed(const QString &name) const;
    QStringList entityNames() const;

private:
    explicit DataModel(QHash<QString, QString> localizationDictionary);

    QHash<QString, QString> m_localization;
    QHash<QString, DataEntity> m_entities;
};

} // namespace platform
