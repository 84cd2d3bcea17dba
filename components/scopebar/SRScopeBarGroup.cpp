#include "components/scopebar/SRScopeBarGroup.h"

#include "components/scopebar/SRScopeBar.h"
#include "components/scopebar/SRTextMetrics.h"
#include "platform/archive/CodingRegistry.h"
#include "platform/drawing/DelegateCall.h"
#include "platform/foundation/ArrayController.h"
#include "platform/foundation/AssertionHandler.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/NotificationCenter.h"

namespace {
const bool registered = platform::CodingRegistry::registerClass<SRScopeBarGroup>(QStringLiteral("SRScopeBarGroup"));
const QString SelectionIndexesKey = QStringLiteral("selectionIndexes");

// A selection as a key value: ascending indexes, a list of numbers (as the array
// controller's "selectionIndexes").
QVariant indexSetValue(const SRScopeBarGroup::IndexSet &indexes)
{
    QVariantList list;
    for (const qsizetype index : indexes)
        list.append(qlonglong(index));
    return list;
}

SRScopeBarGroup::IndexSet indexSetFromValue(const QVariant &value)
{
    SRScopeBarGroup::IndexSet indexes;
    for (const QVariant &index : value.toList())
        indexes.insert(qsizetype(index.toLongLong()));
    return indexes;
}

[[noreturn]] void raiseRange(const char *reason)
{
    throw platform::Exception(platform::Exception::RangeException, QString::fromLatin1(reason));
}
} // namespace

SRScopeBarGroup::SRScopeBarGroup() : SRScopeBarGroup(QString(), 0) {}

SRScopeBarGroup::SRScopeBarGroup(const QString &identifier, int selectionStyle)
    : m_identifier(identifier), m_selectionStyle(selectionStyle)
{
    (void)registered;
}

SRScopeBarGroup::~SRScopeBarGroup()
{
    stopObservingSelection();
    m_bindingObservers.clear();
    platform::unbindAll(static_cast<const platform::KeyValueObservable *>(this));
}

std::optional<qsizetype> SRScopeBarGroup::indexInBar() const
{
    if (!m_scopeBar)
        return std::nullopt;
    const qsizetype index = m_scopeBar->indexOfGroup(this);
    if (index == NotFound)
        return std::nullopt;
    return index;
}

void SRScopeBarGroup::reloadInBar()
{
    if (const auto index = indexInBar())
        m_scopeBar->reloadDataForGroup(*index);
}

void SRScopeBarGroup::setLabel(const QString &label)
{
    if (label == m_label && label.isNull() == m_label.isNull())
        return;
    m_label = label;
    // Present (even empty) shows the label; none hides it unless an attributed one is set.
    m_showsLabel = !m_label.isNull() || m_attributedLabel.has_value();
    reloadInBar();
}

SRAttributedLabel SRScopeBarGroup::attributedLabel() const
{
    if (m_attributedLabel)
        return *m_attributedLabel;
    SRAttributedLabel label{m_label, {}};
    // Outside a bar there is no label colour, and the attributes end there.
    if (m_scopeBar) {
        label.attributes.color = m_scopeBar->labelColor();
        label.attributes.font = SRTextMetrics::boldSystemFont(11.0);
    }
    return label;
}

void SRScopeBarGroup::setAttributedLabel(const std::optional<SRAttributedLabel> &label)
{
    if (label == m_attributedLabel)
        return;
    m_attributedLabel = label;
    m_showsLabel = !m_label.isNull() || m_attributedLabel.has_value();
    reloadInBar();
}

void SRScopeBarGroup::setGroupSelectionStyle(int style)
{
    m_selectionStyle = style;
    reloadInBar();
}

void SRScopeBarGroup::setShowsSeparator(bool shows)
{
    m_showsSeparator = shows;
    reloadInBar();
}

void SRScopeBarGroup::setShowsLabel(bool shows)
{
    m_showsLabel = shows;
    reloadInBar();
}

void SRScopeBarGroup::setCollapsed(bool collapsed)
{
    if (collapsed == m_collapsed)
        return;
    if (m_scopeBar) {
        const bool allowed = collapsed ? m_scopeBar->delegateShouldCollapseGroup(this)
                                       : m_scopeBar->delegateShouldExpandGroup(this);
        if (!allowed)
            return;
    }
    m_collapsed = collapsed;
}

QString SRScopeBarGroup::multipleSelectionPlaceholder() const
{
    return m_multiplePlaceholder.value_or(QStringLiteral("<Multiple>"));
}

void SRScopeBarGroup::setMultipleSelectionPlaceholder(const std::optional<QString> &placeholder)
{
    if (placeholder == m_multiplePlaceholder)
        return;
    m_multiplePlaceholder = placeholder;
    reloadInBar();
}

QString SRScopeBarGroup::noSelectionPlaceholder() const
{
    if (m_noSelectionPlaceholder)
        return *m_noSelectionPlaceholder;
    return m_identifier.isNull() ? QStringLiteral("<Untitled>") : m_identifier;
}

void SRScopeBarGroup::setNoSelectionPlaceholder(const std::optional<QString> &placeholder)
{
    if (placeholder == m_noSelectionPlaceholder)
        return;
    m_noSelectionPlaceholder = placeholder;
    reloadInBar();
}

QVariantList SRScopeBarGroup::boundArray(const QString &binding) const
{
    const auto info = platform::infoForBinding(static_cast<const platform::KeyValueObservable *>(this), binding);
    if (!info || !info->observedObject)
        return {};
    return info->observedObject->valueForKeyPath(info->keyPath).toList();
}

QVariant SRScopeBarGroup::boundElement(const QString &binding, qsizetype index) const
{
    const QVariantList array = boundArray(binding);
    return index >= 0 && index < array.size() ? array.at(index) : QVariant();
}

bool SRScopeBarGroup::usesBindings() const
{
    return platform::infoForBinding(static_cast<const platform::KeyValueObservable *>(this), ContentBinding)
        .has_value();
}

bool SRScopeBarGroup::hasSourceOfObjects() const
{
    return usesBindings()
           || (indexInBar() && platform::respondsToMethod(m_scopeBar->dataSource(), "scopeBarNumberOfObjectsInScopeBarGroup"));
}

qsizetype SRScopeBarGroup::numberOfObjects() const
{
    if (usesBindings())
        return boundArray(ContentBinding).size();
    const auto index = indexInBar();
    if (!index)
        return 0;
    int count = 0;
    platform::askDelegate(m_scopeBar->dataSource(), "scopeBarNumberOfObjectsInScopeBarGroup", &count,
                          m_scopeBar.data(), int(*index));
    return std::max(count, 0);
}

QVariant SRScopeBarGroup::objectAtIndex(qsizetype index) const
{
    if (index < 0 || index >= numberOfObjects())
        raiseRange("SRScopeBarGroup:objectAtIndex: objectIndex invalid");
    if (usesBindings())
        return boundElement(ContentBinding, index);
    const auto group = indexInBar();
    QVariant value;
    if (group)
        platform::askDelegate(m_scopeBar->dataSource(), "scopeBarValueForObjectInGroupAtIndex", &value,
                              m_scopeBar.data(), int(*group), int(index));
    return value;
}

qsizetype SRScopeBarGroup::indexForObject(const QVariant &object) const
{
    if (usesBindings()) {
        const qsizetype index = boundArray(ContentBinding).indexOf(object);
        return index < 0 ? NotFound : index;
    }
    if (!indexInBar() || !m_scopeBar->dataSource())
        return NotFound;
    const qsizetype count = numberOfObjects();
    for (qsizetype i = 0; i < count; ++i)
        if (objectAtIndex(i) == object)
            return i;
    return NotFound;
}

QVariantList SRScopeBarGroup::selectedObjects() const
{
    QVariantList objects;
    const qsizetype count = numberOfObjects();
    for (qsizetype index : m_selection)
        if (index < count)
            objects.append(objectAtIndex(index));
    return objects;
}

QVariant SRScopeBarGroup::selectedObject() const
{
    const QVariantList objects = selectedObjects();
    return objects.isEmpty() ? QVariant() : objects.first();
}

void SRScopeBarGroup::didClickObject(qsizetype index)
{
    didClickObject_alwaysSetToOnState(index, false);
}

void SRScopeBarGroup::didClickObject_alwaysSetToOnState(qsizetype index, bool alwaysOn)
{
    if (index < 0 || index >= numberOfObjects())
        raiseRange("SRScopeBarGroup:didClickObject_:alwaysSetToOnState: objectIndex invalid");
    const bool selected = m_selection.count(index) > 0;
    if (alwaysOn && selected)
        return;
    IndexSet selection = m_selection;
    if (m_selectionStyle == 0) {
        selection = {index};
    } else if (selected) {
        selection.erase(index);
    } else {
        selection.insert(index);
    }
    setSelectionIndexes(selection);
}

void SRScopeBarGroup::selectObject(const QVariant &object)
{
    const qsizetype index = indexForObject(object);
    if (index == NotFound)
        throw platform::Exception(platform::Exception::InvalidArgumentException,
                                  QStringLiteral("SRScopeBarGroup:selectObject theObject not a member of this group"));
    selectObjectWithIndex(index);
}

void SRScopeBarGroup::selectObjectWithIndex(qsizetype index)
{
    if (index < 0 || index >= numberOfObjects())
        raiseRange("SRScopeBarGroup:selectObjectWithIndex: objectIndex invalid");
    didClickObject_alwaysSetToOnState(index, true);
}

void SRScopeBarGroup::setSelectionIndexes(const IndexSet &indexes)
{
    const IndexSet before = m_selection;
    willChangeValueForKey(SelectionIndexesKey);
    m_selection = indexes;
    didChangeValueForKey(SelectionIndexesKey);
    const auto info = platform::infoForBinding(static_cast<const platform::KeyValueObservable *>(this), ContentBinding);
    if (info && info->observedObject)
        if (auto *controller = dynamic_cast<platform::ArrayController *>(info->observedObject))
            controller->setSelectionIndexes(QList<qsizetype>(indexes.begin(), indexes.end()));
    const auto index = indexInBar();
    if (!index)
        return;
    QPointer<SRScopeBar> bar = m_scopeBar;
    // The reload may repair the selection, which sets it once more from inside this
    // call: the change is told once, by the outermost call, from what the selection
    // was before it to what it is after the repair.
    struct Depth
    {
        int &depth;
        explicit Depth(int &d) : depth(d) { ++depth; }
        ~Depth() { --depth; }
    };
    {
        const Depth nested(m_selectionDepth);
        bar->reloadDataForGroup(*index);
    }
    if (m_selectionDepth > 0 || !bar || m_selection == before)
        return;
    QVariantMap userInfo;
    if (!m_identifier.isNull())
        userInfo.insert(SRScopeBar::GroupIdentifierKey, m_identifier);
    platform::NotificationCenter::defaultCenter().post(SRScopeBar::SelectionDidChangeNotification, bar.data(),
                                                       userInfo);
}

void SRScopeBarGroup::stopObservingSelection()
{
    if (m_selectionSource && !m_selectionSourceLifetime.expired())
        m_selectionSource->removeObserver(m_selectionToken);
    m_selectionSource = nullptr;
    m_selectionSourceLifetime.reset();
    m_selectionToken = 0;
}

void SRScopeBarGroup::bind(const QString &binding, platform::KeyValueObservable *observed, const QString &keyPath,
                           const QVariantMap &options)
{
    auto *self = static_cast<platform::KeyValueObservable *>(this);
    if (binding == ContentBinding)
        stopObservingSelection();
    platform::bind(self, binding, observed, keyPath, options);
    m_bindingObservers.push_back(std::make_unique<platform::BindingObserver>(self, binding, [this] {
        if (usesBindings())
            reloadInBar();
    }));
    if (binding != ContentBinding || !observed)
        return;
    m_selectionSource = observed;
    m_selectionSourceLifetime = observed->lifetime();
    m_selectionToken = observed->addObserver(
        SelectionIndexesKey, [this](platform::KeyValueObservable &object, const QString &, bool prior) {
            if (prior)
                return;
            auto *controller = dynamic_cast<platform::ArrayController *>(&object);
            if (!controller)
                platform::AssertionHandler::current().handleFailureInFunction(
                    QStringLiteral("SRScopeBarGroup::observeValueForKeyPath"),
                    QStringLiteral("SRScoreBar/SRScopeBarGroup"), 367,
                    QStringLiteral("SRScopeBarGroup: Observing selectionIndexes from object not of class "
                                   "NSArrayController"));
            const QList<qsizetype> selected = controller->selectionIndexes();
            setSelectionIndexes(IndexSet(selected.begin(), selected.end()));
        });
}

void SRScopeBarGroup::unbind(const QString &binding)
{
    if (binding == ContentBinding)
        stopObservingSelection();
    platform::unbind(static_cast<const platform::KeyValueObservable *>(this), binding);
}

const platform::KeyTable &SRScopeBarGroup::keyTable() const
{
    static const platform::KeyTable table = {
        {SelectionIndexesKey,
         {[](const KeyValueObservable &o) {
              return indexSetValue(static_cast<const SRScopeBarGroup &>(o).selectionIndexes());
          },
          [](KeyValueObservable &o, const QVariant &v) {
              static_cast<SRScopeBarGroup &>(o).setSelectionIndexes(indexSetFromValue(v));
          }}},
        {QStringLiteral("identifier"),
         {[](const KeyValueObservable &o) { return QVariant(static_cast<const SRScopeBarGroup &>(o).identifier()); },
          [](KeyValueObservable &o, const QVariant &v) {
              static_cast<SRScopeBarGroup &>(o).setIdentifier(v.toString());
          }}},
    };
    return table;
}
