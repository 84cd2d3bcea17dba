#pragma once
// One page of a TabView: a label, an identifier (any value; often the model object
// the page shows, as a KeyValueObservable*, see KeyValueObservable::fromObservable())
// and the view shown while the page is selected.
//
// Items are shared (std::shared_ptr): a drag moves one from one tab view to another,
// and a tab bar keeps it beside its button. An item belongs to at most one tab view
// at a time (tabView(), a weak back reference).
//
// Keys: "label", "identifier" and "view" are the item's own and observable. A
// library can give every item further observable keys with registerExtraKey(): their
// values live in a side table of each item, answer the registered default until set,
// and are reached through valueForKey()/setValueForKey() like the item's own keys
// (hasKey() answers yes for them too).
//
// Ownership: the item owns its view; while the item is in a tab view the view is a
// child widget of that tab view, and leaves it when the item is removed. Main thread
// only. Failure: setting a key that is neither the item's nor registered raises the
// undefined-key exception of KeyValueObservable.
#include "platform/foundation/KeyValueObserving.h"

#include <QHash>
#include <QPointer>
#include <QString>
#include <QVariant>
#include <QWidget>
#include <memory>

namespace platform {

class TabView;

class TabViewItem : public KeyValueObservable, public std::enable_shared_from_this<TabViewItem>
{
public:
    explicit TabViewItem(const QVariant &identifier = QVariant());
    ~TabViewItem() override;

    static std::shared_ptr<TabViewItem> create(const QVariant &identifier = QVariant());

    QString label() const { return m_label; }
    void setLabel(const QString &label);
    QVariant identifier() const { return m_identifier; }
    void setIdentifier(const QVariant &identifier);
    // The view shown while the item is selected; the item takes ownership (a previous
    // view is deleted).
    QWidget *view() const { return m_view; }
    void setView(QWidget *view);

    // The tab view that holds the item, or null.
    TabView *tabView() const { return m_tabView; }

    // Registers a key every item answers, with the value it has until set. Registering
    // a key again replaces its default. The item's own keys cannot be registered.
    static bool registerExtraKey(const QString &key, const QVariant &defaultValue);
    static bool isExtraKey(const QString &key);

    bool hasKey(const QString &key) const override;
    QVariant valueForUndefinedKey(const QString &key) const override;
    void setValueForUndefinedKey(const QVariant &value, const QString &key) override;
    QString className() const override { return QStringLiteral("TabViewItem"); }

protected:
    const KeyTable &keyTable() const override;

private:
    friend class TabView;

    QString m_label;
    QVariant m_identifier;
    QPointer<QWidget> m_view;
    TabView *m_tabView = nullptr; // cleared by the tab view when it lets the item go
    int m_index = -1;             // its place in the tab view, kept by the tab view
    QHash<QString, QVariant> m_extraValues;
};

using TabViewItemPtr = std::shared_ptr<TabViewItem>;

} // namespace platform
