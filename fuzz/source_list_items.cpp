// Fuzz target: an archived tree of source-list items from untrusted bytes (a file or
// a pasteboard). A tree that is taken must be a strict tree within the bounds; its
// parent links, flattening and cover must work on it, and what is written again of
// it must read again.
#include "NTXAppKit/NTXOutlineSourceList/NTXOutlineSourceListItem.h"

#include <QSet>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    const NTXOutlineSourceListItemPtr root = NTXOutlineSourceListItem::treeFromArchive(bytes);
    if (!root)
        return 0;
    root->setParentForTree();
    const QList<NTXOutlineSourceListItemPtr> all =
        root->filteredFlatObjectTreeWithPredicate(nullptr, &NTXOutlineSourceListItem::staticMetaObject);
    QSet<const NTXOutlineSourceListItem *> distinct;
    for (const NTXOutlineSourceListItemPtr &item : all) {
        if (!item || item->rootObject() != root.get() || distinct.contains(item.get()))
            std::abort(); // not a strict tree below the root
        distinct.insert(item.get());
    }
    if (!all.isEmpty() && NTXOutlineSourceListItem::minimumNodeCoverFromNodesInArray(all).isEmpty())
        std::abort();
    if (const std::optional<QByteArray> again = NTXOutlineSourceListItem::archivedTree(root)) {
        if (!NTXOutlineSourceListItem::treeFromArchive(*again))
            std::abort(); // what we wrote must read
    }
    return 0;
}
