#include "platform/foundation/ArrayController.h"

namespace platform {

namespace {
const QString ContentKey = QStringLiteral("content");
const QString ArrangedObjectsKey = QStringLiteral("arrangedObjects");
const QString SelectionIndexesKey = QStringLiteral("selectionIndexes");
const QString SelectedObjectsKey = QStringLiteral("selectedObjects");
} // namespace

ArrayController::ArrayController(const QVariantList &content) : m_content(content) {}

void ArrayController::setContent(const QVariantList &content)
{
    if (content == m_content)
        return;
    const IndexSet selection = [&] {
        IndexSet kept;
        for (qsizetype index : m_selection)
            if (index < content.size())
                kept.insert(index);
        return kept;
    }();
    const bool selectionChanges = selection != m_selection;
    willChangeValueForKey(ContentKey);
    willChangeValueForKey(ArrangedObjectsKey);
    if (selectionChanges)
        willChangeValueForKey(SelectionIndexesKey);
    willChangeValueForKey(SelectedObjectsKey);
    m_content = content;
    m_selection = selection;
    didChangeValueForKey(SelectedObjectsKey);
    if (selectionChanges)
        didChangeValueForKey(SelectionIndexesKey);
    didChangeValueForKey(ArrangedObjectsKey);
    didChangeValueForKey(ContentKey);
}

ArrayController::IndexSet ArrayController::clipped(const IndexSet &indexes) const
{
    IndexSet kept;
    for (qsizetype index : indexes)
        if (index >= 0 && index < m_content.size())
            kept.insert(index);
    return kept;
}

bool ArrayController::setSelectionIndexes(const IndexSet &indexes)
{
    const IndexSet selection = clipped(indexes);
    if (selection == m_selection)
        return false;
    willChangeValueForKey(SelectionIndexesKey);
    willChangeValueForKey(SelectedObjectsKey);
    m_selection = selection;
    didChangeValueForKey(SelectedObjectsKey);
    didChangeValueForKey(SelectionIndexesKey);
    return true;
}

QVariantList ArrayController::selectedObjects() const
{
    QVariantList objects;
    for (qsizetype index : m_selection)
        objects.append(m_content.at(index));
    return objects;
}

QVariant ArrayController::indexSetValue(const IndexSet &indexes)
{
    return QVariant::fromValue(indexes);
}

ArrayController::IndexSet ArrayController::indexSetFromValue(const QVariant &value)
{
    return value.metaType() == QMetaType::fromType<IndexSet>() ? value.value<IndexSet>() : IndexSet();
}

const KeyTable &ArrayController::keyTable() const
{
    static const KeyTable table = {
        {ContentKey,
         {[](const KeyValueObservable &o) { return QVariant(static_cast<const ArrayController &>(o).content()); },
          [](KeyValueObservable &o, const QVariant &v) { static_cast<ArrayController &>(o).setContent(v.toList()); }}},
        {ArrangedObjectsKey,
         {[](const KeyValueObservable &o) {
              return QVariant(static_cast<const ArrayController &>(o).arrangedObjects());
          },
          {}}},
        {SelectionIndexesKey,
         {[](const KeyValueObservable &o) {
              return indexSetValue(static_cast<const ArrayController &>(o).selectionIndexes());
          },
          [](KeyValueObservable &o, const QVariant &v) {
              static_cast<ArrayController &>(o).setSelectionIndexes(indexSetFromValue(v));
          }}},
        {SelectedObjectsKey,
         {[](const KeyValueObservable &o) {
              return QVariant(static_cast<const ArrayController &>(o).selectedObjects());
          },
          {}}},
    };
    return table;
}

} // namespace platform
