#include "platform/foundation/ArrayController.h"

#include "platform/foundation/Bindings.h"

#include <algorithm>

namespace platform {

namespace {

const QString ContentArrayKey = QStringLiteral("contentArray");
const QString ArrangedObjectsKey = QStringLiteral("arrangedObjects");
const QString SelectionIndexesKey = QStringLiteral("selectionIndexes");
const QString SelectionIndexKey = QStringLiteral("selectionIndex");

QList<qsizetype> sortedUnique(QList<qsizetype> indexes)
{
    std::sort(indexes.begin(), indexes.end());
    indexes.erase(std::unique(indexes.begin(), indexes.end()), indexes.end());
    return indexes;
}

QVariantList indexesAsList(const QList<qsizetype> &indexes)
{
    QVariantList list;
    for (const qsizetype index : indexes)
        list.append(qlonglong(index));
    return list;
}

} // namespace

ArrayController::ArrayController() = default;

ArrayController::~ArrayController() = default;

const KeyTable &ArrayController::keyTable() const
{
    static const KeyTable table = extendKeyTable(
        ObjectController::keyTable(),
        {
            {ContentArrayKey,
             {[](const KeyValueObservable &o) { return QVariant(static_cast<const ArrayController &>(o).contentArray()); },
              [](KeyValueObservable &o, const QVariant &v) {
                  static_cast<ArrayController &>(o).setContentArray(v.toList());
              }}},
            {ArrangedObjectsKey,
             {[](const KeyValueObservable &o) {
                  return QVariant(static_cast<const ArrayController &>(o).arrangedObjects());
              },
              {}}},
            {SelectionIndexesKey,
             {[](const KeyValueObservable &o) {
                  return QVariant(indexesAsList(static_cast<const ArrayController &>(o).selectionIndexes()));
              },
              [](KeyValueObservable &o, const QVariant &v) {
                  QList<qsizetype> indexes;
                  for (const QVariant &index : v.toList())
                      indexes.append(qsizetype(index.toLongLong()));
                  static_cast<ArrayController &>(o).setSelectionIndexes(indexes);
              }}},
            {SelectionIndexKey,
             {[](const KeyValueObservable &o) {
                  return QVariant(qlonglong(static_cast<const ArrayController &>(o).selectionIndex()));
              },
              [](KeyValueObservable &o, const QVariant &v) {
                  static_cast<ArrayController &>(o).setSelectionIndex(v.isValid() ? v.toLongLong() : -1);
              }}},
        });
    return table;
}

QList<qsizetype> ArrayController::validSelection(QList<qsizetype> indexes) const
{
    indexes = sortedUnique(std::move(indexes));
    indexes.removeIf([this](qsizetype index) { return index < 0 || index >= m_arranged.size(); });
    if (indexes.isEmpty() && m_avoidsEmptySelection && !m_arranged.isEmpty())
        indexes.append(0);
    return indexes;
}

bool ArrayController::setSelectionIndexes(QList<qsizetype> indexes)
{
    indexes = validSelection(std::move(indexes));
    // Compared element by element: QList's own == hands an empty list's null data to
    // memcmp.
    if (std::ranges::equal(indexes, m_selection))
        return false;
    willChangeValueForKey(SelectionIndexesKey);
    willChangeValueForKey(SelectionIndexKey);
    willChangeSelection();
    m_selection = indexes;
    didChangeSelection();
    didChangeValueForKey(SelectionIndexKey);
    didChangeValueForKey(SelectionIndexesKey);
    return true;
}

bool ArrayController::setSelectionIndex(qsizetype index)
{
    return setSelectionIndexes(index < 0 ? QList<qsizetype>{} : QList<qsizetype>{index});
}

QVariantList ArrayController::selectedObjects() const
{
    QVariantList selected;
    for (const qsizetype index : m_selection)
        selected.append(m_arranged.at(index));
    return selected;
}

void ArrayController::setAvoidsEmptySelection(bool avoids)
{
    m_avoidsEmptySelection = avoids;
    setSelectionIndexes(m_selection);
}

bool ArrayController::canAdd() const
{
    return isEditable();
}

bool ArrayController::canRemove() const
{
    return isEditable() && !m_selection.isEmpty();
}

void ArrayController::changeArranged(KeyValueChangeKind kind, const QList<qsizetype> &indexes,
                                     const std::function<void()> &edit)
{
    // The selection follows the elements it names.
    QList<qsizetype> selection = m_selection;
    if (kind == KeyValueChangeKind::Insertion) {
        for (const qsizetype inserted : indexes)
            for (qsizetype &index : selection)
                if (index >= inserted)
                    ++index;
    } else if (kind == KeyValueChangeKind::Removal) {
        QList<qsizetype> kept;
        for (const qsizetype index : selection) {
            if (indexes.contains(index))
                continue;
            const auto below = std::count_if(indexes.cbegin(), indexes.cend(), [index](qsizetype r) { return r < index; });
            kept.append(index - below);
        }
        selection = kept;
    }

    willChangeValueForKey(ContentArrayKey);
    willChange(kind, indexes, ArrangedObjectsKey);
    willChangeValueForKey(QStringLiteral("canAdd"));
    willChangeValueForKey(SelectionIndexesKey);
    willChangeValueForKey(SelectionIndexKey);
    willChangeSelection();
    edit();
    m_selection = validSelection(selection);
    didChangeSelection();
    didChangeValueForKey(SelectionIndexKey);
    didChangeValueForKey(SelectionIndexesKey);
    didChangeValueForKey(QStringLiteral("canAdd"));
    didChange(kind, indexes, ArrangedObjectsKey);
    didChangeValueForKey(ContentArrayKey);
}

void ArrayController::setContentArray(const QVariantList &content)
{
    if (content == m_arranged)
        return;
    changeArranged(KeyValueChangeKind::Setting, {}, [&] { m_arranged = content; });
}

void ArrayController::writeBackContent()
{
    const std::optional<BindingInfo> info = infoForBinding(this, ContentArrayKey);
    if (!info || !info->observedObject || info->keyPath.isEmpty())
        return;
    QVariant value = m_arranged;
    if (const std::shared_ptr<ValueTransformer> transformer = transformerForBinding(*info))
        if (transformer->allowsReverseTransformation())
            value = transformer->reverseTransformedValue(value);
    info->observedObject->setValueForKeyPath(value, info->keyPath);
}

bool ArrayController::insertObjectAtArrangedObjectIndex(const QVariant &object, qsizetype index)
{
    if (!isOfObjectClass(object))
        return false;
    index = std::clamp<qsizetype>(index, 0, m_arranged.size());
    changeArranged(KeyValueChangeKind::Insertion, {index}, [&] { m_arranged.insert(index, object); });
    writeBackContent();
    return true;
}

bool ArrayController::addObject(const QVariant &object)
{
    return insertObjectAtArrangedObjectIndex(object, m_arranged.size());
}

void ArrayController::removeObjectAtArrangedObjectIndex(qsizetype index)
{
    removeObjectsAtArrangedObjectIndexes({index});
}

void ArrayController::removeObjectsAtArrangedObjectIndexes(QList<qsizetype> indexes)
{
    indexes = sortedUnique(std::move(indexes));
    indexes.removeIf([this](qsizetype index) { return index < 0 || index >= m_arranged.size(); });
    if (indexes.isEmpty())
        return;
    changeArranged(KeyValueChangeKind::Removal, indexes, [&] {
        for (auto it = indexes.crbegin(); it != indexes.crend(); ++it)
            m_arranged.removeAt(*it);
    });
    writeBackContent();
}

void ArrayController::removeObject(const QVariant &object)
{
    const qsizetype index = m_arranged.indexOf(object);
    if (index >= 0)
        removeObjectAtArrangedObjectIndex(index);
}

bool ArrayController::replaceObjectAtArrangedObjectIndex(qsizetype index, const QVariant &object)
{
    if (index < 0 || index >= m_arranged.size() || !isOfObjectClass(object))
        return false;
    changeArranged(KeyValueChangeKind::Replacement, {index}, [&] { m_arranged[index] = object; });
    writeBackContent();
    return true;
}

} // namespace platform
