#pragma once
// A compound field whose sub-fields are rows, one per element of an array that a
// controller arranges (its "arrangedObjects", or another key), kept in step with
// the array through the change records of that key: a new array rebuilds the rows
// (each bound to its element, plus a row for each default label no element took),
// insertions, removals and replacements touch only their rows. Binding to a
// controller whose array has elements makes their rows at once.
//
// Rows are copies of the entry field template. The delegate (see
// NTXTextViewInspectorFieldDelegate) hears of each inserted and removed row; a
// removed row is still alive during that call.
// Ownership: the list owns its rows; the controller is not owned (the list stops
// following it when it dies). Threads: GUI thread only.
#include "NTXAppKit/inspector/NTXTextViewInspectorCompoundField.h"

class NTXTextViewInspectorListField : public NTXTextViewInspectorCompoundField
{
    Q_OBJECT
public:
    NTXTextViewInspectorListField(const QString &identifier, const QString &placeholder,
                                  const NTXTextViewInspectorFieldLabelPtr &label);
    ~NTXTextViewInspectorListField() override;

    // A list field with the base state only (no rows, no template, no controller).
    std::shared_ptr<NTXTextViewInspectorField> copy() const override;

    void bindToObject(platform::KeyValueObservable *controller, const QString &controllerKey,
                      const QString &modelKeyPathForValue, const QString &modelKeyPathForLabel);
    // Ends following the controller and forgets the four.
    void unbindController();

    QList<NTXTextViewInspectorFieldPtr> allRows() const { return allFields(); }
    NTXTextViewInspectorFieldPtr rowAtIndex(qsizetype index) const { return fieldAtIndex(index); }
    NTXTextViewInspectorFieldPtr insertRowAtIndex(qsizetype index,
                                                  const NTXTextViewInspectorFieldLabelPtr &label = nullptr);
    NTXTextViewInspectorFieldPtr addRow();
    void removeRowAtIndex(qsizetype index);
    void removeRow(const NTXTextViewInspectorField *row);
    void removeAllRows();

    bool canAdd() const;
    bool canRemove() const;

    // An array sets one unbound row per element (an array of arrays: per distinct
    // element of their union); other values are ignored.
    void setValue(const QVariant &value) override;
    // Off while the controller's array is not empty and the controller cannot both
    // add and remove.
    bool isEnabled() const override;

    NTXTextViewInspectorFieldPtr entryFieldTemplate() const { return m_entryFieldTemplate; }
    // Keeps a copy of the template.
    void setEntryFieldTemplate(const NTXTextViewInspectorFieldPtr &field);
    QList<NTXTextViewInspectorFieldLabelPtr> defaultLabels() const { return m_defaultLabels; }
    void setDefaultLabels(const QList<NTXTextViewInspectorFieldLabelPtr> &labels) { m_defaultLabels = labels; }
    platform::KeyValueObservable *observableController() const;
    QString controllerKey() const { return m_controllerKey; }
    QString modelKeyPathForValue() const { return m_modelKeyPathForValue; }
    QString modelKeyPathForLabel() const { return m_modelKeyPathForLabel; }

private:
    NTXTextViewInspectorFieldPtr insertRow(qsizetype index, const NTXTextViewInspectorFieldLabelPtr &label, bool tell);
    void controllerChanged();
    // Unbinds and removes every row, then makes the rows of a newly set array.
    void setRows(const QVariantList &array);
    QVariantList controllerArray() const;
    NTXTextViewInspectorFieldPtr insertBoundRow(qsizetype index, const QVariant &element);
    void unbindAndRemoveRow(qsizetype index);

    NTXTextViewInspectorFieldPtr m_entryFieldTemplate;
    QList<NTXTextViewInspectorFieldLabelPtr> m_defaultLabels;
    platform::KeyValueObservable *m_controller = nullptr;
    std::weak_ptr<const void> m_controllerLifetime;
    platform::ObservationToken m_observation = 0;
    QString m_controllerKey;
    QString m_modelKeyPathForValue;
    QString m_modelKeyPathForLabel;
};
