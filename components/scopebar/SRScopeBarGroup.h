#pragma once
// One group of a scope bar: identifier, label, separator, selection style, collapsed
// state, selection and where its objects come from. Objects come from the bindings
// "content" (with "contentValues" for titles and "image" for images), read live
// through platform::infoForBinding on every call, or, without a content binding,
// from the data source of the bar that holds the group, asked by group index.
//
// Every change of the selection is announced with SRScopeBarSelectionDidChange-
// Notification (object: the bar; user info SRGroupIdentifierKey: the identifier,
// nothing without one). A content binding to a platform::ArrayController makes the
// selection follow the controller both ways.
//
// Ownership: held by shared_ptr (the bar's group helper, callers, archives); the
// pointer to its bar is weak and cleared when the bar goes. Archived as
// "SRScopeBarGroup" with keyed coders only.
// Threads: GUI thread only.
// Failures: bad indexes raise platform::Exception (range) and a foreign object
// raises an invalid-argument exception, before anything changes; a selection
// observation from anything but an array controller fails an internal check
// (platform::AssertionHandler).
#include "components/scopebar/SRAttributedLabel.h"
#include "FoundationExtensions/NTXNSIndexSet_Extension.h"
#include "platform/archive/Coding.h"
#include "platform/foundation/Bindings.h"
#include "platform/foundation/KeyValueObserving.h"

#include <QIcon>
#include <QPointer>
#include <QVariantList>
#include <memory>
#include <optional>

class SRScopeBar;

class SRScopeBarGroup : public platform::KeyValueObservable, public platform::Coding
{
public:
    using IndexSet = NTXNSIndexSet_Extension::IndexSet;
    static constexpr qsizetype NotFound = 0x7fffffff;

    static inline const QString ContentBinding = QStringLiteral("content");
    static inline const QString ContentValuesBinding = QStringLiteral("contentValues");
    static inline const QString ImageBinding = QStringLiteral("image");

    SRScopeBarGroup();
    SRScopeBarGroup(const QString &identifier, int selectionStyle);
    ~SRScopeBarGroup() override;

    QString identifier() const { return m_identifier; }
    void setIdentifier(const QString &identifier) { m_identifier = identifier; }
    QString label() const { return m_label; }
    // A label (an empty one too) turns showsLabel on; a null string, with no
    // attributed label set, turns it off.
    void setLabel(const QString &label);
    // The stored label with its attributes; without one the plain label in the bar's
    // label colour and bold 11 (no attributes at all outside a bar).
    SRAttributedLabel attributedLabel() const;
    std::optional<SRAttributedLabel> storedAttributedLabel() const { return m_attributedLabel; }
    void setAttributedLabel(const std::optional<SRAttributedLabel> &label);
    int groupSelectionStyle() const { return m_selectionStyle; }
    void setGroupSelectionStyle(int style);
    bool showsSeparator() const { return m_showsSeparator; }
    void setShowsSeparator(bool shows);
    bool showsLabel() const { return m_showsLabel; }
    void setShowsLabel(bool shows);
    bool isCollapsed() const { return m_collapsed; }
    // The bar's delegate may refuse; the group does not reload itself.
    void setCollapsed(bool collapsed);

    QString multipleSelectionPlaceholder() const;
    std::optional<QString> storedMultipleSelectionPlaceholder() const { return m_multiplePlaceholder; }
    void setMultipleSelectionPlaceholder(const std::optional<QString> &placeholder);
    QString noSelectionPlaceholder() const;
    std::optional<QString> storedNoSelectionPlaceholder() const { return m_noSelectionPlaceholder; }
    void setNoSelectionPlaceholder(const std::optional<QString> &placeholder);

    qsizetype numberOfObjects() const;
    // The objects come from somewhere: a content binding, or a data source of the bar
    // that tells their number. Without one the group has no objects yet (a bar from
    // an interface file before its data source is set) and keeps its selection.
    bool hasSourceOfObjects() const;
    QVariant objectAtIndex(qsizetype index) const;
    qsizetype indexForObject(const QVariant &object) const;
    // Empty when nothing is selected.
    QVariantList selectedObjects() const;
    QVariant selectedObject() const;

    void didClickObject(qsizetype index);
    void didClickObject_alwaysSetToOnState(qsizetype index, bool alwaysOn);
    void selectObject(const QVariant &object);
    void selectObjectWithIndex(qsizetype index);

    IndexSet selectionIndexes() const { return m_selection; }
    void setSelectionIndexes(const IndexSet &indexes);

    // Bindings of the group ("content", "contentValues", "image").
    void bind(const QString &binding, platform::KeyValueObservable *observed, const QString &keyPath,
              const QVariantMap &options = {});
    void unbind(const QString &binding);
    bool usesBindings() const;
    // The element of a bound array at the index (invalid without the binding).
    QVariant boundElement(const QString &binding, qsizetype index) const;

    SRScopeBar *scopeBar() const { return m_scopeBar; }
    void setScopeBar(SRScopeBar *bar) { m_scopeBar = bar; }

    QString classNameForCoder() const override { return QStringLiteral("SRScopeBarGroup"); }
    void encodeWithCoder(platform::Coder &coder) const override;
    bool initWithCoder(platform::Coder &coder) override;
    QString className() const override { return QStringLiteral("SRScopeBarGroup"); }

protected:
    const platform::KeyTable &keyTable() const override;

private:
    // The bar's index of this group when the bar lists it.
    std::optional<qsizetype> indexInBar() const;
    void reloadInBar();
    QVariantList boundArray(const QString &binding) const;
    void stopObservingSelection();

    QString m_identifier;
    QString m_label;
    std::optional<SRAttributedLabel> m_attributedLabel;
    int m_selectionStyle = 0;
    bool m_showsSeparator = true;
    bool m_collapsed = false;
    bool m_showsLabel = false;
    IndexSet m_selection;
    // setSelectionIndexes calls under way (a reload's repair nests one).
    int m_selectionDepth = 0;
    QPointer<SRScopeBar> m_scopeBar;
    std::optional<QString> m_multiplePlaceholder;
    std::optional<QString> m_noSelectionPlaceholder;

    // The content's observed object, observed for its "selectionIndexes".
    platform::KeyValueObservable *m_selectionSource = nullptr;
    std::weak_ptr<const void> m_selectionSourceLifetime;
    platform::ObservationToken m_selectionToken = 0;
    // Reload the bar when a bound array changes.
    std::vector<std::unique_ptr<platform::BindingObserver>> m_bindingObservers;
};

Q_DECLARE_METATYPE(SRScopeBarGroup *)
