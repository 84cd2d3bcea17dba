#include "NTXAppKit/inspector/NTXTextViewInspectorField.h"

#include "FoundationExtensions/NTXNSManagedObjectModelExtensions.h"
#include "FoundationExtensions/NTXNSObject_Extension.h"
#include "NTXAppKit/NTXPopUpButton/NTXPopUpButton.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorCompoundField.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorFieldDelegate.h"
#include "platform/foundation/Bindings.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QAction>
#include <QCollator>
#include <QMenu>
#include <algorithm>

namespace {

const QString ValueKey = QStringLiteral("value");
const QString IsValidKey = QStringLiteral("isValid");
const QString IsEnabledKey = QStringLiteral("isEnabled");
const QString IsEditableKey = QStringLiteral("isEditable");
const QString IsHiddenKey = QStringLiteral("isHidden");
const QString PlaceholderKey = QStringLiteral("placeholder");
const QString SelectedRepresentedObjectKey = QStringLiteral("selectedRepresentedObjectOfLabel");

using Field = NTXTextViewInspectorField;

} // namespace

NTXTextViewInspectorField::NTXTextViewInspectorField(const QString &identifier, const QString &placeholder,
                                                     const NTXTextViewInspectorFieldLabelPtr &label)
    : m_identifier(identifier)
    , m_placeholder(placeholder)
    , m_defaultPlaceholder(placeholder)
{
    setLabel(label);
}

NTXTextViewInspectorField::~NTXTextViewInspectorField()
{
    platform::unbindAll(bindingIdentity());
    if (m_labelSelectionPopup && !m_labelSelectionPopup->parentWidget())
        delete m_labelSelectionPopup.data();
}

void NTXTextViewInspectorField::describeProperty(const QString &propertyName, const platform::DataEntity &entity,
                                                 NTXTextViewInspectorFieldLabelPtr &label, QString &placeholder)
{
    const std::shared_ptr<const platform::DataModel> model = entity.managedObjectModel();
    if (propertyName.isNull() || !model)
        return;
    label = NTXTextViewInspectorFieldLabel::fieldLabelWithString(
        NTXExtensions::localizedLabelForPropertyName(*model, propertyName, entity));
    placeholder = NTXExtensions::localizedPlaceholderForPropertyName(*model, propertyName, entity);
}

QString NTXTextViewInspectorField::className() const
{
    return QString::fromLatin1(metaObject()->className());
}

QVariantList NTXTextViewInspectorField::distinctElements(const QVariantList &elements)
{
    QVariantList unique;
    for (const QVariant &element : elements)
        if (!unique.contains(element))
            unique.append(element);
    return unique;
}

const platform::KeyTable &NTXTextViewInspectorField::keyTable() const
{
    static const platform::KeyTable table{
        {ValueKey, {[](const KeyValueObservable &o) { return static_cast<const Field &>(o).value(); },
                    [](KeyValueObservable &o, const QVariant &v) { static_cast<Field &>(o).setValue(v); }}},
        {IsValidKey, {[](const KeyValueObservable &o) { return QVariant(static_cast<const Field &>(o).isValid()); },
                      [](KeyValueObservable &o, const QVariant &v) { static_cast<Field &>(o).setValid(v.toBool()); }}},
        {IsEnabledKey, {[](const KeyValueObservable &o) { return QVariant(static_cast<const Field &>(o).isEnabled()); },
                        [](KeyValueObservable &o, const QVariant &v) { static_cast<Field &>(o).setEnabled(v.toBool()); }}},
        {IsEditableKey,
         {[](const KeyValueObservable &o) { return QVariant(static_cast<const Field &>(o).isEditable()); },
          [](KeyValueObservable &o, const QVariant &v) { static_cast<Field &>(o).setEditable(v.toBool()); }}},
        {IsHiddenKey, {[](const KeyValueObservable &o) { return QVariant(static_cast<const Field &>(o).isHidden()); },
                       [](KeyValueObservable &o, const QVariant &v) { static_cast<Field &>(o).setHidden(v.toBool()); }}},
        {PlaceholderKey,
         {[](const KeyValueObservable &o) { return QVariant(static_cast<const Field &>(o).placeholder()); },
          [](KeyValueObservable &o, const QVariant &v) { static_cast<Field &>(o).setPlaceholder(v.toString()); }}},
        {SelectedRepresentedObjectKey,
         {[](const KeyValueObservable &o) { return static_cast<const Field &>(o).selectedRepresentedObjectOfLabel(); },
          [](KeyValueObservable &o, const QVariant &v) {
              static_cast<Field &>(o).setSelectedRepresentedObjectOfLabel(v);
          }}},
    };
    return table;
}

void NTXTextViewInspectorField::announce(const QString &key, const std::function<void()> &change)
{
    willChangeValueForKey(key);
    change();
    didChangeValueForKey(key);
}

// ---- Bindings ----

void NTXTextViewInspectorField::bind(const QString &binding, platform::KeyValueObservable *observed,
                                     const QString &keyPath, const QVariantMap &options)
{
    platform::bindFollowing(this, binding, observed, keyPath, options);
}

void NTXTextViewInspectorField::unbind(const QString &binding)
{
    platform::unbind(bindingIdentity(), binding);
}

void NTXTextViewInspectorField::propagate(const QVariant &value, const QString &binding)
{
    NTXNSObject_Extension::propagateValue(bindingIdentity(), value, binding);
}

// ---- State ----

void NTXTextViewInspectorField::setEditable(bool editable)
{
    if (editable != m_isEditable)
        announce(IsEditableKey, [&] { m_isEditable = editable; });
}

void NTXTextViewInspectorField::setHidden(bool hidden)
{
    if (hidden != m_isHidden)
        announce(IsHiddenKey, [&] { m_isHidden = hidden; });
}

void NTXTextViewInspectorField::setEnabled(bool enabled)
{
    if (enabled != m_isEnabled)
        announce(IsEnabledKey, [&] { m_isEnabled = enabled; });
}

void NTXTextViewInspectorField::setValid(bool valid)
{
    if (valid != m_isValid)
        announce(IsValidKey, [&] { m_isValid = valid; });
}

void NTXTextViewInspectorField::setValue(const QVariant &value)
{
    announce(ValueKey, [&] { m_value = value; });
}

void NTXTextViewInspectorField::setPlaceholder(const QString &placeholder)
{
    if (placeholder != m_placeholder || placeholder.isNull() != m_placeholder.isNull())
        announce(PlaceholderKey, [&] { m_placeholder = placeholder; });
}

NTXTextViewInspectorCompoundField *NTXTextViewInspectorField::compoundField() const
{
    return static_cast<NTXTextViewInspectorCompoundField *>(m_compoundField.data());
}

void NTXTextViewInspectorField::setCompoundField(NTXTextViewInspectorCompoundField *field)
{
    m_compoundField = field;
}

NTXTextViewInspectorFieldDelegate *NTXTextViewInspectorField::fieldDelegate() const
{
    return dynamic_cast<NTXTextViewInspectorFieldDelegate *>(m_delegate.data());
}

// ---- What the inspector asks ----

int NTXTextViewInspectorField::valueState() const
{
    if (platform::isListValue(m_value)) {
        const QVariantList elements = m_value.toList();
        if (elements.isEmpty())
            return NoSelection;
        if (elements.size() >= 2)
            return countsSeveralElementsAsOneValue() ? OneValue : SeveralValues;
        return platform::isNullValue(elements.constLast()) ? NoValue : OneValue;
    }
    return !m_value.isValid() || platform::isNullValue(m_value) ? NoValue : OneValue;
}

bool NTXTextViewInspectorField::shouldBeVisibleWithEditableState(bool editable) const
{
    if (const NTXTextViewInspectorField *compound = compoundField())
        if (!compound->shouldBeVisibleWithEditableState(editable))
            return false;
    if (m_suppressFieldIfNotEditable && !editable)
        return false;
    if (m_isHidden)
        return false;
    if (m_conditionallySetsHidden)
        return valueState() != NoValue;
    return true;
}

bool NTXTextViewInspectorField::isSubFieldOf(const NTXTextViewInspectorField *field) const
{
    for (const NTXTextViewInspectorField *current = this; current; current = current->compoundField())
        if (current == field)
            return true;
    return false;
}

// ---- Labels ----

QList<NTXTextViewInspectorFieldLabelPtr> NTXTextViewInspectorField::effectiveLabelArray() const
{
    if (!m_labelArray.isEmpty())
        return m_labelArray;
    if (const NTXTextViewInspectorField *compound = compoundField())
        return compound->effectiveLabelArray();
    return {};
}

void NTXTextViewInspectorField::createLabelMenu(QMenu *menu)
{
    QList<NTXTextViewInspectorFieldLabelPtr> labels = effectiveLabelArray();
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(labels.begin(), labels.end(), [&](const auto &a, const auto &b) {
        return collator.compare(a->label(), b->label()) < 0;
    });
    for (const NTXTextViewInspectorFieldLabelPtr &label : labels) {
        QAction *item = menu->addAction(label->label());
        item->setData(QVariant::fromValue(label));
        connect(item, &QAction::triggered, this,
            platform::ExceptionBoundary::guarded(this, "triggered", [this, item] { labelSelectionDidChange(item); }));
    }
}

std::unique_ptr<QMenu> NTXTextViewInspectorField::labelMenu()
{
    if (effectiveLabelArray().size() < 2)
        return nullptr;
    auto menu = std::make_unique<QMenu>();
    createLabelMenu(menu.get());
    return menu;
}

bool NTXTextViewInspectorField::shouldDisplayLabelMenu() const
{
    return effectiveLabelArray().size() >= 2 && m_isEditable;
}

NTXPopUpButton *NTXTextViewInspectorField::labelSelectionPopup()
{
    if (m_labelSelectionPopup)
        return m_labelSelectionPopup;
    auto *popup = new NTXPopUpButton(QRect(0, 0, 80, 14));
    platform::PopUpButtonCell *cell = popup->popUpCell();
    cell->setArrowPosition(platform::PopUpButtonCell::ArrowPosition::ArrowAtBottom);
    cell->setPreferredEdge(platform::PopUpButtonCell::RectEdge::MinX);
    cell->setBezelStyle(platform::ButtonCell::BezelStyle::SmallSquare);
    cell->setBordered(false);
    cell->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    cell->setControlSize(platform::Cell::ControlSize::Small);
    if (effectiveLabelArray().size() >= 2) {
        // The pop-up's own menu holds the label items; choosing one selects it and
        // reaches the field through the item.
        createLabelMenu(popup->menu());
        if (m_label)
            popup->selectItemAtIndex(cell->indexOfItemWithRepresentedObject(QVariant::fromValue(m_label)));
    }
    m_labelSelectionPopup = popup;
    return popup;
}

NTXTextViewInspectorFieldLabelPtr NTXTextViewInspectorField::labelWithRepresentedObject(const QVariant &object) const
{
    for (const NTXTextViewInspectorFieldLabelPtr &label : effectiveLabelArray()) {
        const QVariant represented = label->representedObject();
        if (represented.isValid() && represented == object)
            return label;
    }
    return nullptr;
}

void NTXTextViewInspectorField::labelSelectionDidChange(QAction *item)
{
    if (!item)
        return;
    chooseLabel(item->data().value<NTXTextViewInspectorFieldLabelPtr>());
}

void NTXTextViewInspectorField::chooseLabel(const NTXTextViewInspectorFieldLabelPtr &label)
{
    if (label == m_label)
        return;
    setLabel(label);
    const QVariant represented = label ? label->representedObject() : QVariant();
    setSelectedRepresentedObjectOfLabel(represented);
    propagate(represented, SelectedRepresentedObjectKey);
    if (NTXTextViewInspectorFieldDelegate *delegate = fieldDelegate())
        delegate->inspectorFieldDidChangeLabelSelection(this, m_label);
}

void NTXTextViewInspectorField::setLabel(const NTXTextViewInspectorFieldLabelPtr &label)
{
    if (label == m_label)
        return;
    announce(SelectedRepresentedObjectKey, [&] {
        m_selectedRepresentedObjectOfLabel = QVariant();
        m_label = label;
        if (m_label)
            m_selectedRepresentedObjectOfLabel = m_label->representedObject();
    });
    if (m_label && !m_label->labelDependentPlaceholder().isNull())
        setPlaceholder(m_label->labelDependentPlaceholder());
    else
        setPlaceholder(m_defaultPlaceholder);
}

void NTXTextViewInspectorField::setSelectedRepresentedObjectOfLabel(const QVariant &object)
{
    if (object == m_selectedRepresentedObjectOfLabel && object.metaType() == m_selectedRepresentedObjectOfLabel.metaType())
        return;
    announce(SelectedRepresentedObjectKey, [&] { m_selectedRepresentedObjectOfLabel = object; });
    if (!object.isValid())
        return;
    setLabel(labelWithRepresentedObject(object));
    if (m_labelSelectionPopup)
        m_labelSelectionPopup->selectItemAtIndex(
            m_labelSelectionPopup->popUpCell()->indexOfItemWithRepresentedObject(QVariant::fromValue(m_label)));
}

// ---- Copying ----

void NTXTextViewInspectorField::copyBaseStateTo(NTXTextViewInspectorField &copy) const
{
    copy.m_labelArray = m_labelArray;
    copy.m_selectedRepresentedObjectOfLabel = copy.m_label ? copy.m_label->representedObject() : QVariant();
    copy.m_isSeparator = m_isSeparator;
    copy.m_isEditable = m_isEditable;
    copy.m_isEnabled = m_isEnabled;
    copy.m_isHidden = m_isHidden;
    copy.m_isLabelHidden = m_isLabelHidden;
    copy.m_isValid = m_isValid;
    copy.m_shouldAppendNewline = m_shouldAppendNewline;
    copy.m_suppressFieldIfNotEditable = m_suppressFieldIfNotEditable;
    copy.m_minimumHeight = m_minimumHeight;
    copy.m_suppressMinimumHeight = m_suppressMinimumHeight;
    copy.m_conditionallySetsHidden = m_conditionallySetsHidden;
    copy.m_entity = m_entity;
    copy.m_placeholder = m_placeholder;
    copy.m_defaultPlaceholder = m_placeholder;
    copy.setDelegate(m_delegate);
}
