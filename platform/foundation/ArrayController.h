#pragma once
// An array controller: holds a list of objects and which of them are selected, as
// keys that views bind to and observe.
//
// Keys: "content" (the objects; read and write), "arrangedObjects" (the objects as
// shown: the content in its order; read only), "selectionIndexes" (an IndexSet in a
// QVariant; read and write) and "selectedObjects" (the objects at the selected
// indexes in ascending order; read only). Setting the content or the selection
// announces every key whose value changed; setting an equal value announces nothing,
// so two parties that follow each other's selection come to rest. Indexes past the
// content are dropped from a selection, and shortening the content drops them too.
//
// Ownership: the controller owns copies of its objects (values in QVariants).
// Threads: GUI thread only, like every observable a view shows; nothing locks.
// Failures: none; a "selectionIndexes" value that holds no IndexSet reads as empty.
#include "platform/foundation/KeyValueObserving.h"

#include <QVariantList>
#include <set>

namespace platform {

class ArrayController : public KeyValueObservable
{
public:
    // The same type as the index sets of archives and of the framework's extensions.
    using IndexSet = std::set<qsizetype>;

    ArrayController() = default;
    explicit ArrayController(const QVariantList &content);

    QVariantList content() const { return m_content; }
    void setContent(const QVariantList &content);
    QVariantList arrangedObjects() const { return m_content; }

    IndexSet selectionIndexes() const { return m_selection; }
    // Answers whether the selection changed.
    bool setSelectionIndexes(const IndexSet &indexes);
    QVariantList selectedObjects() const;

    static QVariant indexSetValue(const IndexSet &indexes);
    static IndexSet indexSetFromValue(const QVariant &value);

    QString className() const override { return QStringLiteral("ArrayController"); }

protected:
    const KeyTable &keyTable() const override;

private:
    IndexSet clipped(const IndexSet &indexes) const;

    QVariantList m_content;
    IndexSet m_selection;
};

} // namespace platform
