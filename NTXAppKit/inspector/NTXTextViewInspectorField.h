#pragma once
// One labelled entry of the text-view inspector, the abstract base of every field
// kind: a label with a menu of alternative labels, a value bound to a model object,
// a placeholder, a validity flag, and the flags that decide whether the inspector
// shows the field, lets the user edit it and enables it.
//
// Values: nil is an invalid QVariant, a null is platform::nullValue(), several
// selected objects a QVariantList (a set is a list of distinct elements).
// Key-value observable keys: "value", "isValid", "isEnabled", "isEditable",
// "isHidden", "placeholder", "selectedRepresentedObjectOfLabel". bind() makes a key
// follow a model key path (platform::bindFollowing()); the field writes the user's
// edits back through the binding (NTXNSObject_Extension::propagateValue()).
//
// Ownership: fields are held by std::shared_ptr. The compound field, the delegate,
// the data source and the inspector are not owned (and may die first); the label
// pop-up is owned until a parent widget takes it. copy() answers a field of the
// receiver's own class. Threads: GUI thread only.
#include "NTXAppKit/inspector/NTXTextViewInspectorFieldLabel.h"
#include "platform/foundation/DataEntity.h"
#include "platform/foundation/KeyValueObserving.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QRectF>
#include <functional>
#include <memory>
#include <optional>

class NTXPopUpButton;
class NTXTextViewInspectorCompoundField;
class NTXTextViewInspectorFieldDelegate;
class QAction;
class QMenu;

class NTXTextViewInspectorField : public QObject, public platform::KeyValueObservable
{
    Q_OBJECT
public:
    // What valueState() answers.
    enum ValueState { OneValue = 0, SeveralValues = 1, NoSelection = 2, NoValue = 3 };

    ~NTXTextViewInspectorField() override;

    // A field of the receiver's class with the same flags and labels, without value,
    // replacement text, compound field, inspector, pop-up, context or data source.
    virtual std::shared_ptr<NTXTextViewInspectorField> copy() const = 0;

    // A field of class F made from a property of an entity: the label and the
    // placeholder come from the entity's data model, the identifier is the name.
    template <class F>
    static std::shared_ptr<F> fieldWithPropertyName(const QString &propertyName, const platform::DataEntity &entity)
    {
        NTXTextViewInspectorFieldLabelPtr label;
        QString placeholder;
        describeProperty(propertyName, entity, label, placeholder);
        auto field = std::make_shared<F>(propertyName, placeholder, label);
        field->setEntity(entity);
        return field;
    }
    template <class F>
    static std::shared_ptr<F> fieldWithIdentifier(const QString &identifier, const QString &placeholder,
                                                  const NTXTextViewInspectorFieldLabelPtr &label)
    {
        return std::make_shared<F>(identifier, placeholder, label);
    }
    template <class F>
    static std::shared_ptr<F> fieldWithIdentifier(const QString &identifier, const NTXTextViewInspectorFieldLabelPtr &label)
    {
        return fieldWithIdentifier<F>(identifier, QString(), label);
    }

    // ---- Bindings ----
    virtual void bind(const QString &binding, platform::KeyValueObservable *observed, const QString &keyPath,
                      const QVariantMap &options = {});
    virtual void unbind(const QString &binding);
    // The key under which the binding registry knows this field.
    const void *bindingIdentity() const { return static_cast<const platform::KeyValueObservable *>(this); }
    // Writes a value edited in the field back through the binding.
    void propagate(const QVariant &value, const QString &binding);

    // ---- State ----
    bool isSeparator() const { return m_isSeparator; }
    bool isEditable() const { return m_isEditable; }
    virtual void setEditable(bool editable);
    bool isHidden() const { return m_isHidden; }
    void setHidden(bool hidden);
    virtual bool isEnabled() const { return m_isEnabled; }
    virtual void setEnabled(bool enabled);
    bool isValid() const { return m_isValid; }
    void setValid(bool valid);
    QString identifier() const { return m_identifier; }
    void setIdentifier(const QString &identifier) { m_identifier = identifier; }
    QVariant value() const { return m_value; }
    // Subclasses update their controls and pass the value on to this setter.
    virtual void setValue(const QVariant &value);

    NTXTextViewInspectorFieldLabelPtr label() const { return m_label; }
    void setLabel(const NTXTextViewInspectorFieldLabelPtr &label);
    bool hasLabel() const { return m_label != nullptr; }
    QList<NTXTextViewInspectorFieldLabelPtr> labelArray() const { return m_labelArray; }
    void setLabelArray(const QList<NTXTextViewInspectorFieldLabelPtr> &labels) { m_labelArray = labels; }
    QVariant selectedRepresentedObjectOfLabel() const { return m_selectedRepresentedObjectOfLabel; }
    void setSelectedRepresentedObjectOfLabel(const QVariant &object);

    bool isLabelHidden() const { return m_isLabelHidden; }
    void setLabelHidden(bool hidden) { m_isLabelHidden = hidden; }
    bool shouldAppendNewline() const { return m_shouldAppendNewline; }
    void setShouldAppendNewline(bool append) { m_shouldAppendNewline = append; }
    bool suppressFieldIfNotEditable() const { return m_suppressFieldIfNotEditable; }
    void setSuppressFieldIfNotEditable(bool suppress) { m_suppressFieldIfNotEditable = suppress; }
    qreal minimumHeight() const { return m_minimumHeight; }
    void setMinimumHeight(qreal height) { m_minimumHeight = height; }
    qreal insetValue() const { return m_insetValue; }
    void setInsetValue(qreal inset) { m_insetValue = inset; }
    virtual QString notEditableReplacementString() const { return m_notEditableReplacementString; }
    void setNotEditableReplacementString(const QString &text) { m_notEditableReplacementString = text; }
    NTXTextViewInspectorCompoundField *compoundField() const;
    void setCompoundField(NTXTextViewInspectorCompoundField *field);
    std::optional<platform::DataEntity> entity() const { return m_entity; }
    void setEntity(const std::optional<platform::DataEntity> &entity) { m_entity = entity; }
    QString placeholder() const { return m_placeholder; }
    virtual void setPlaceholder(const QString &placeholder);
    QString defaultPlaceholder() const { return m_defaultPlaceholder; }
    void setDefaultPlaceholder(const QString &placeholder) { m_defaultPlaceholder = placeholder; }
    QRectF lineFragmentRect() const { return m_lineFragmentRect; }
    void setLineFragmentRect(const QRectF &rect) { m_lineFragmentRect = rect; }
    bool suppressMinimumHeight() const { return m_suppressMinimumHeight; }
    void setSuppressMinimumHeight(bool suppress) { m_suppressMinimumHeight = suppress; }
    bool conditionallySetsHidden() const { return m_conditionallySetsHidden; }
    void setConditionallySetsHidden(bool sets) { m_conditionallySetsHidden = sets; }
    QObject *delegate() const { return m_delegate; }
    virtual void setDelegate(QObject *delegate) { m_delegate = delegate; }
    QVariant managedObjectContext() const { return m_managedObjectContext; }
    void setManagedObjectContext(const QVariant &context) { m_managedObjectContext = context; }
    QObject *dataSource() const { return m_dataSource; }
    void setDataSource(QObject *dataSource) { m_dataSource = dataSource; }
    QObject *textViewInspector() const { return m_textViewInspector; }
    void setTextViewInspector(QObject *inspector) { m_textViewInspector = inspector; }

    // ---- What the inspector asks ----
    int valueState() const;
    virtual void validate() {}
    virtual bool shouldBeVisibleWithEditableState(bool editable) const;
    virtual bool shouldBeEditableWithEditableState(bool editable) const { return editable; }
    virtual bool shouldBeEnabledWithEditableState(bool) const { return true; }
    void hasBecomeVisibleInInspector(QObject *inspector) { setTextViewInspector(inspector); }
    // Whether the field is this field or one of the compound fields that hold it.
    bool isSubFieldOf(const NTXTextViewInspectorField *field) const;

    // ---- Labels ----
    // The field's own alternative labels, else its compound field's; empty for none.
    QList<NTXTextViewInspectorFieldLabelPtr> effectiveLabelArray() const;
    // A new menu of the alternative labels sorted case-insensitively (null for fewer
    // than two); choosing an item chooses its label.
    std::unique_ptr<QMenu> labelMenu();
    bool shouldDisplayLabelMenu() const;
    // Made on first request and kept.
    NTXPopUpButton *labelSelectionPopup();
    NTXTextViewInspectorFieldLabelPtr labelWithRepresentedObject(const QVariant &object) const;
    // The user chose a label (a menu item whose data holds it).
    void labelSelectionDidChange(QAction *item);
    void chooseLabel(const NTXTextViewInspectorFieldLabelPtr &label);

    QString className() const override;

    // The distinct elements of an array value in their first order.
    static QVariantList distinctElements(const QVariantList &elements);

protected:
    NTXTextViewInspectorField(const QString &identifier, const QString &placeholder,
                              const NTXTextViewInspectorFieldLabelPtr &label);

    const platform::KeyTable &keyTable() const override;
    // Copies the base state into a new field of this class (see copy()).
    void copyBaseStateTo(NTXTextViewInspectorField &copy) const;
    // Copies the label for a copy's constructor.
    NTXTextViewInspectorFieldLabelPtr copiedLabel() const { return m_label ? m_label->copy() : nullptr; }
    // Whether two or more elements count as one value (a text field showing several values).
    virtual bool countsSeveralElementsAsOneValue() const { return false; }
    // The delegate when it takes delegate calls (derives from the delegate class); null otherwise.
    NTXTextViewInspectorFieldDelegate *fieldDelegate() const;
    void setSeparator(bool separator) { m_isSeparator = separator; }
    // Sets a flag with the change announced under its key.
    void announce(const QString &key, const std::function<void()> &change);

private:
    static void describeProperty(const QString &propertyName, const platform::DataEntity &entity,
                                 NTXTextViewInspectorFieldLabelPtr &label, QString &placeholder);
    void createLabelMenu(QMenu *menu);

    bool m_isSeparator = false;
    bool m_isEditable = false;
    bool m_isHidden = false;
    bool m_isEnabled = true;
    bool m_isValid = true;
    QString m_identifier;
    QVariant m_value;
    NTXTextViewInspectorFieldLabelPtr m_label;
    QList<NTXTextViewInspectorFieldLabelPtr> m_labelArray;
    QVariant m_selectedRepresentedObjectOfLabel;
    bool m_isLabelHidden = false;
    bool m_shouldAppendNewline = true;
    bool m_suppressFieldIfNotEditable = false;
    qreal m_minimumHeight = 0;
    qreal m_insetValue = 0;
    QString m_notEditableReplacementString;
    QPointer<QObject> m_compoundField;
    std::optional<platform::DataEntity> m_entity;
    QString m_placeholder;
    QString m_defaultPlaceholder;
    QRectF m_lineFragmentRect;
    bool m_suppressMinimumHeight = false;
    bool m_conditionallySetsHidden = false;
    QPointer<QObject> m_delegate;
    QVariant m_managedObjectContext;
    QPointer<QObject> m_dataSource;
    QPointer<NTXPopUpButton> m_labelSelectionPopup;
    QPointer<QObject> m_textViewInspector;
};

using NTXTextViewInspectorFieldPtr = std::shared_ptr<NTXTextViewInspectorField>;
