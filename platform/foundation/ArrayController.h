#pragma once
// A controller of an array for bindings: "contentArray" (the array it is given),
// "arrangedObjects" (the same elements in the same order), "selectionIndexes"
// (ascending indexes into the arranged objects, a list of numbers),
// "selectionIndex" (the first selected index, -1 for none), "selectedObjects",
// "canAdd", "canRemove".
//
// Changes of "arrangedObjects" carry change records (KeyValueChange): a new array
// is a setting; insertObjectAtArrangedObjectIndex(), removeObjectsAtArrangedObject-
// Indexes() and replaceObjectAtArrangedObjectIndex() are insertions, removals and
// replacements at their indexes. When "contentArray" is bound (bindFollowing()), an
// insertion, removal or replacement writes the new array back through the binding.
// With avoidsEmptySelection (the default) a non-empty array always has a selection.
// Ownership and threads: as ObjectController. Indexes out of range are ignored.
#include "platform/foundation/ObjectController.h"

#include <QList>

namespace platform {

class ArrayController : public ObjectController
{
public:
    ArrayController();
    ~ArrayController() override;

    QVariantList contentArray() const { return m_arranged; }
    void setContentArray(const QVariantList &content);
    QVariantList arrangedObjects() const { return m_arranged; }

    QList<qsizetype> selectionIndexes() const { return m_selection; }
    // Answers whether the selection changed; indexes outside the array are dropped.
    bool setSelectionIndexes(QList<qsizetype> indexes);
    qsizetype selectionIndex() const { return m_selection.isEmpty() ? -1 : m_selection.constFirst(); }
    bool setSelectionIndex(qsizetype index);
    QVariantList selectedObjects() const override;

    bool avoidsEmptySelection() const { return m_avoidsEmptySelection; }
    void setAvoidsEmptySelection(bool avoids);

    bool canAdd() const override;
    bool canRemove() const override;

    // An index past the end appends; an object of another class is refused (false).
    bool insertObjectAtArrangedObjectIndex(const QVariant &object, qsizetype index);
    bool addObject(const QVariant &object);
    void removeObjectAtArrangedObjectIndex(qsizetype index);
    void removeObjectsAtArrangedObjectIndexes(QList<qsizetype> indexes);
    // Removes the first element equal to the object.
    void removeObject(const QVariant &object);
    bool replaceObjectAtArrangedObjectIndex(qsizetype index, const QVariant &object);

    QString className() const override { return QStringLiteral("ArrayController"); }

protected:
    const KeyTable &keyTable() const override;

private:
    void changeArranged(KeyValueChangeKind kind, const QList<qsizetype> &indexes, const std::function<void()> &edit);
    void writeBackContent();
    QList<qsizetype> validSelection(QList<qsizetype> indexes) const;

    QVariantList m_arranged;
    QList<qsizetype> m_selection;
    bool m_avoidsEmptySelection = true;
};

} // namespace platform
