#pragma once
// Texts for the entities and properties of a data model, from the model's
// localization dictionary: the first key present wins ("%1" the property name,
// "%2" the entity's name); a text that none of the keys gives is
// "missing localization".
//   entity name:   "Entity/%2"
//   property name: "Property/%1/Entity/%2", "Property/%1"
//   label:         "Label/Property/%1/Entity/%2", "Label/Property/%1", then the
//                  property name as above; always followed by ":"
//   placeholder:   "Placeholder/Property/%1/Entity/%2", "Placeholder/Property/%1",
//                  then the property name as above
// Threads: reentrant.
#include "platform/foundation/DataEntity.h"
#include "platform/foundation/DataModel.h"

#include <QString>

namespace NTXExtensions {

QString localizedEntityNameOfEntity(const platform::DataModel &model, const platform::DataEntity &entity);
QString localizedPropertyNameForPropertyName(const platform::DataModel &model, const QString &propertyName,
                                             const platform::DataEntity &entity);
QString localizedLabelForPropertyName(const platform::DataModel &model, const QString &propertyName,
                                      const platform::DataEntity &entity);
QString localizedPlaceholderForPropertyName(const platform::DataModel &model, const QString &propertyName,
                                            const platform::DataEntity &entity);

} // namespace NTXExtensions
