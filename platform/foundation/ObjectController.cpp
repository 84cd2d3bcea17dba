#include "platform/foundation/ObjectController.h"

namespace platform {

ObjectController::ObjectController() = default;

ObjectController::~ObjectController() = default;

const KeyTable &ObjectController::keyTable() const
{
    static const KeyTable table{
        {QStringLiteral("content"),
         {[](const KeyValueObservable &o) { return static_cast<const ObjectController &>(o).content(); },
          [](KeyValueObservable &o, const QVariant &v) { static_cast<ObjectController &>(o).setContent(v); }}},
        {QStringLiteral("selectedObjects"),
         {[](const KeyValueObservable &o) {
              return QVariant(static_cast<const ObjectController &>(o).selectedObjects());
          },
          {}}},
        {QStringLiteral("selection"),
         {[](const KeyValueObservable &o) { return static_cast<const ObjectController &>(o).selection(); }, {}}},
        {QStringLiteral("isEditable"),
         {[](const KeyValueObservable &o) { return QVariant(static_cast<const ObjectController &>(o).isEditable()); },
          [](KeyValueObservable &o, const QVariant &v) { static_cast<ObjectController &>(o).setEditable(v.toBool()); }}},
        {QStringLiteral("canAdd"),
         {[](const KeyValueObservable &o) { return QVariant(static_cast<const ObjectController &>(o).canAdd()); }, {}}},
        {QStringLiteral("canRemove"),
         {[](const KeyValueObservable &o) { return QVariant(static_cast<const ObjectController &>(o).canRemove()); },
          {}}},
    };
    return table;
}

void ObjectController::willChangeSelection()
{
    willChangeValueForKey(QStringLiteral("selectedObjects"));
    willChangeValueForKey(QStringLiteral("selection"));
    willChangeValueForKey(QStringLiteral("canRemove"));
}

void ObjectController::didChangeSelection()
{
    didChangeValueForKey(QStringLiteral("canRemove"));
    didChangeValueForKey(QStringLiteral("selection"));
    didChangeValueForKey(QStringLiteral("selectedObjects"));
}

void ObjectController::setContent(const QVariant &content)
{
    if (content == m_content && content.metaType() == m_content.metaType())
        return;
    willChangeValueForKey(QStringLiteral("content"));
    willChangeSelection();
    m_content = content;
    didChangeSelection();
    didChangeValueForKey(QStringLiteral("content"));
}

QVariantList ObjectController::selectedObjects() const
{
    if (!m_content.isValid())
        return {};
    return {m_content};
}

QVariant ObjectController::selection() const
{
    const QVariantList selected = selectedObjects();
    return selected.isEmpty() ? QVariant() : selected.constFirst();
}

void ObjectController::setEditable(bool editable)
{
    if (editable == m_editable)
        return;
    willChangeValueForKey(QStringLiteral("isEditable"));
    willChangeValueForKey(QStringLiteral("canAdd"));
    willChangeValueForKey(QStringLiteral("canRemove"));
    m_editable = editable;
    didChangeValueForKey(QStringLiteral("canRemove"));
    didChangeValueForKey(QStringLiteral("canAdd"));
    didChangeValueForKey(QStringLiteral("isEditable"));
}

bool ObjectController::canAdd() const
{
    return m_editable;
}

bool ObjectController::canRemove() const
{
    return m_editable && !selectedObjects().isEmpty();
}

bool ObjectController::isOfObjectClass(const QVariant &object) const
{
    if (m_objectClass)
        return m_objectClass(object);
    return object.isValid();
}

} // namespace platform
