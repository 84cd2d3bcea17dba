// Archiving and copying of source-list items.
#include "NTXAppKit/NTXOutlineSourceList/NTXOutlineSourceListItem.h"

#include "platform/archive/Coder.h"
#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"

#include <QSet>
#include <utility>
#include <vector>

namespace {

const QString TitleKey = QStringLiteral("title");
const QString IdentifierKey = QStringLiteral("identifier");
const QString IconKey = QStringLiteral("icon");
const QString ChildrenKey = QStringLiteral("children");
const QString BadgeValueKey = QStringLiteral("badgeValue");

} // namespace

void NTXOutlineSourceListItem::encodeWithCoder(platform::Coder &coder) const
{
    coder.encodeObject(m_title.isNull() ? QVariant() : QVariant(m_title), TitleKey);
    const QString id = identifier();
    coder.encodeObject(id.isNull() ? QVariant() : QVariant(id), IdentifierKey);
    const QImage image = icon();
    coder.encodeObject(image.isNull() ? QVariant() : QVariant(image), IconKey);
    if (!m_children.isEmpty()) {
        QVariantList children;
        children.reserve(m_children.size());
        for (const NTXOutlineSourceListItemPtr &child : m_children)
            children.append(platform::Coder::objectValue(child));
        coder.encodeObject(children, ChildrenKey);
    }
    coder.encodeInt32(m_badgeValue, BadgeValueKey);
}

bool NTXOutlineSourceListItem::initWithCoder(platform::Coder &coder)
{
    if (!coder.allowsKeyedCoding())
        return false;
    const QString title = coder.decodeObject<QString>(TitleKey);
    const QString id = coder.decodeObject<QString>(IdentifierKey);
    const QImage image = coder.decodeObject<QImage>(IconKey);
    const QVariantList archivedChildren = coder.decodeObject<QVariantList>(ChildrenKey);
    const qint32 badge = coder.decodeInt32(BadgeValueKey);
    if (coder.failed())
        return false;
    QList<NTXOutlineSourceListItemPtr> children;
    children.reserve(archivedChildren.size());
    for (const QVariant &value : archivedChildren) {
        const platform::CodingPtr object = platform::Coder::objectFromValue(value);
        auto child = std::dynamic_pointer_cast<NTXOutlineSourceListItem>(object);
        if (!child) {
            coder.failWithError(QStringLiteral("A child of a source-list item is not an item"));
            return false;
        }
        // An item that encloses this one would end up holding itself.
        if (coder.objectIsBeingDecoded(object)) {
            coder.failWithError(QStringLiteral("A source-list item contains itself"));
            return false;
        }
        children.append(std::move(child));
    }
    setTitle(title);
    setIdentifier(id);
    setIcon(image);
    setChildren(children);
    setBadgeValue(badge);
    return true;
}

NTXOutlineSourceListItemPtr NTXOutlineSourceListItem::copy() const
{
    auto item = std::make_shared<NTXOutlineSourceListItem>();
    item->setTitle(m_title);
    item->setIdentifier(identifier());
    item->setIcon(icon());
    item->setBadgeValue(m_badgeValue);
    item->setDelegate(m_delegate);
    return item;
}

std::optional<QByteArray> NTXOutlineSourceListItem::archivedTree(const NTXOutlineSourceListItemPtr &root, QString *error)
{
    return platform::KeyedArchiver::archivedData(root, error);
}

NTXOutlineSourceListItemPtr NTXOutlineSourceListItem::treeFromArchive(const QByteArray &data, QString *error)
{
    auto refuse = [error](const QString &reason) {
        if (error)
            *error = reason;
        return NTXOutlineSourceListItemPtr();
    };
    QString reason;
    NTXOutlineSourceListItemPtr root = platform::KeyedUnarchiver::unarchivedObject<NTXOutlineSourceListItem>(data, &reason);
    if (!reason.isEmpty())
        return refuse(reason);
    if (!root)
        return refuse(QStringLiteral("The archive holds no source-list item"));
    // A strict tree within the bounds: every item once, no deeper than the bound.
    std::vector<std::pair<const NTXOutlineSourceListItem *, int>> pending{{root.get(), 0}};
    QSet<const NTXOutlineSourceListItem *> seen{root.get()};
    while (!pending.empty()) {
        const auto [item, depth] = pending.back();
        pending.pop_back();
        for (const NTXOutlineSourceListItemPtr &child : item->m_children) {
            if (seen.contains(child.get()))
                return refuse(QStringLiteral("A source-list item appears twice in the tree"));
            if (depth + 1 > MaximumTreeDepth)
                return refuse(QStringLiteral("The tree is deeper than %1 levels").arg(MaximumTreeDepth));
            if (seen.size() >= MaximumItemCount)
                return refuse(QStringLiteral("The tree holds more than %1 items").arg(MaximumItemCount));
            seen.insert(child.get());
            pending.emplace_back(child.get(), depth + 1);
        }
    }
    return root;
}
