#pragma once
// One node of a tree that a source list shows: a title, an identifier, an icon, a
// badge number (negative: no badge) and ordered children.
//
// Ownership: items are held by std::shared_ptr (NTXOutlineSourceListItemPtr). A parent
// holds its children; the parent link (parentItem(); parent() is QObject's) is a
// plain pointer, and the delegate a QPointer. The structure operations set a child's
// parent link before it enters the children; setChildren() and decoding do not, and
// setParentForTree() on the root restores every link. A removed child's link is
// cleared after its removal has been reported. The caller keeps the tree a strict
// tree; membership is by identity.
//
// Reports: every change of the title and of the children goes first to the delegate
// of the tree's root (rootObject()->delegate(), only when it has the method), then to
// everybody as a notification of the default NotificationCenter. The delegate is a
// QObject that takes part by declaring any of these Q_INVOKABLE methods:
//     void outlineSourceListItemAttributesChanged(NTXOutlineSourceListItem *item);
//     void outlineSourceListItemDidAddEntry(NTXOutlineSourceListItem *parent, NTXOutlineSourceListItem *child, int index);
//     void outlineSourceListItemDidRemoveEntry(NTXOutlineSourceListItem *parent, NTXOutlineSourceListItem *child, int index);
//
// Failure: an index out of range (childAtIndex, removeChildAtIndex, removeChild of an
// item that is no child) raises platform::Exception (RangeException) before anything
// is reported. Reading an archived tree (treeFromArchive) refuses, with a reason and
// without a partial tree, children that are not items, an item that encloses itself
// or appears twice, and trees beyond MaximumTreeDepth or MaximumItemCount.
//
// Threads: a tree is used by one thread at a time; identifier() and icon() are read
// and written under a lock, so a single read never sees half a value. Reports are
// delivered synchronously on the calling thread.
#include "platform/archive/Coding.h"

#include <QImage>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

class NTXOutlineSourceListItem;
using NTXOutlineSourceListItemPtr = std::shared_ptr<NTXOutlineSourceListItem>;

class NTXOutlineSourceListItem : public QObject,
                                 public platform::Coding,
                                 public std::enable_shared_from_this<NTXOutlineSourceListItem>
{
    Q_OBJECT
public:
    static inline const QString AttributesChangedNotification =
        QStringLiteral("NTXOutlineSourceListItemAttributesChangedEntryNotification");
    static inline const QString DidAddEntryNotification = QStringLiteral("NTXOutlineSourceListItemDidAddEntryNotification");
    static inline const QString DidRemoveEntryNotification =
        QStringLiteral("NTXOutlineSourceListItemDidRemoveEntryNotification");
    // User info key of the add and remove notifications: the parent item (QObject*).
    static inline const QString ParentKey = QStringLiteral("parent");
    static inline const QString ClassName = QStringLiteral("NTXOutlineSourceListItem");

    // Bounds of an archived tree that treeFromArchive() accepts.
    static constexpr int MaximumTreeDepth = 1000;               // levels below the root
    static constexpr qsizetype MaximumItemCount = 1'000'000;    // items, the root included

    using Predicate = std::function<bool(const NTXOutlineSourceListItemPtr &)>;

    // No title, identifier or icon, badge -1.
    NTXOutlineSourceListItem();
    // With the title set through setTitle() (so it is reported), then the identifier.
    explicit NTXOutlineSourceListItem(const QString &title, const QString &identifier = QString());
    ~NTXOutlineSourceListItem() override;

    static NTXOutlineSourceListItemPtr create(const QString &title = QString(), const QString &identifier = QString());

    // ---- Accessors ----
    QString title() const { return m_title; }
    // Reports the change, also when the title is the same.
    void setTitle(const QString &title);
    QString identifier() const;
    void setIdentifier(const QString &identifier);
    QImage icon() const;
    void setIcon(const QImage &icon);
    qint32 badgeValue() const { return m_badgeValue; }
    void setBadgeValue(qint32 value) { m_badgeValue = value; }
    NTXOutlineSourceListItem *parentItem() const { return m_parent; }
    void setParentItem(NTXOutlineSourceListItem *parent) { m_parent = parent; }
    QObject *delegate() const { return m_delegate; }
    void setDelegate(QObject *delegate) { m_delegate = delegate; }
    const QList<NTXOutlineSourceListItemPtr> &children() const { return m_children; }
    // Replaces the children without touching their parent links; reports nothing.
    void setChildren(const QList<NTXOutlineSourceListItemPtr> &children) { m_children = children; }

    bool hasBadge() const { return m_badgeValue >= 0; }
    bool hasChildren() const { return !m_children.isEmpty(); }
    bool hasIcon() const { return !icon().isNull(); }

    // ---- Structure ----
    NTXOutlineSourceListItem *rootObject();
    qsizetype countOfChildren() const { return m_children.size(); }
    NTXOutlineSourceListItemPtr childAtIndex(qsizetype index) const;
    // Of several children with the identifier the last one; null for none.
    NTXOutlineSourceListItemPtr childWithIdentifier(const QString &identifier) const;
    // The index of that very item, -1 when it is not a child.
    qsizetype indexOfChild(const NTXOutlineSourceListItem *child) const;
    void silentAddChild(const NTXOutlineSourceListItemPtr &child);
    // index 0 … count.
    void silentInsertChild(const NTXOutlineSourceListItemPtr &child, qsizetype index);
    void addChild(const NTXOutlineSourceListItemPtr &child);
    void insertChild(const NTXOutlineSourceListItemPtr &child, qsizetype index);
    void removeChildAtIndex(qsizetype index);
    void removeChild(const NTXOutlineSourceListItem *child);
    void removeChildren(const QList<NTXOutlineSourceListItemPtr> &children);
    // Every child, first to last (each removal takes index 0).
    void removeAllChildren();
    // Makes every item of the subtree the parent of its children.
    void setParentForTree();
    // Whether the item is the receiver or one of its ancestors (false for null).
    bool isDescendantOfNode(const NTXOutlineSourceListItem *item) const;
    bool isDescendantOfNodeInArray(const QList<NTXOutlineSourceListItemPtr> &items) const;
    // The matching children of the receiver, then those below its first child, then
    // below the second, and so on; only items of the class (or a subclass) that the
    // predicate accepts (a null predicate accepts every item).
    QList<NTXOutlineSourceListItemPtr> filteredFlatObjectTreeWithPredicate(const Predicate &predicate,
                                                                           const QMetaObject *objectClass) const;
    // The given items less every item that lies below another given item (at any
    // distance), each once, in the order their topmost given ancestors were first
    // reached. Null members are skipped.
    static QList<NTXOutlineSourceListItemPtr>
    minimumNodeCoverFromNodesInArray(const QList<NTXOutlineSourceListItemPtr> &items);

    // ---- Archiving and copying ----
    QString classNameForCoder() const override { return ClassName; }
    // "title", "identifier", "icon", "children" (only when there are some), "badgeValue".
    void encodeWithCoder(platform::Coder &coder) const override;
    // Title (reported), identifier, icon, children, badge (0 when absent); no parent links.
    bool initWithCoder(platform::Coder &coder) override;
    // Title, identifier, icon, badge and delegate; no children, no parent.
    NTXOutlineSourceListItemPtr copy() const;

    // A keyed archive of the tree below root; none with the reason when the tree
    // cannot be written (too deep for the archive).
    static std::optional<QByteArray> archivedTree(const NTXOutlineSourceListItemPtr &root, QString *error = nullptr);
    // The tree of an archive (parent links not set); null with the reason when refused.
    static NTXOutlineSourceListItemPtr treeFromArchive(const QByteArray &data, QString *error = nullptr);

private:
    void reportAttributesChanged();
    void reportChild(const QString &notification, const char *method, NTXOutlineSourceListItem *child,
                     qsizetype index);

    QString m_title;
    mutable std::mutex m_lock; // identifier and icon
    QString m_identifier;
    QImage m_icon;
    qint32 m_badgeValue = -1;
    NTXOutlineSourceListItem *m_parent = nullptr;
    QPointer<QObject> m_delegate;
    QList<NTXOutlineSourceListItemPtr> m_children;
};
