#pragma once
// A field shown as a check box (a switch button that allows the mixed state). A
// number value checks the box when it equals ONValue (true unless set); an array of
// two or more distinct elements shows the mixed state, of one the state of that
// element, of none off with the box disabled; nil disables the box. A click clears
// the mixed state and writes ONValue (on) or 0 (off) back through the binding.
// While the inspector is not editable the field reads "MultipleValues" or "YES"
// (the application's string table) for mixed and on, nothing for off.
// Ownership and threads: as NTXTextViewInspectorViewField.
#include "NTXAppKit/inspector/NTXTextViewInspectorViewField.h"

namespace platform {
class Control;
}

class NTXTextViewInspectorCheckboxField : public NTXTextViewInspectorViewField
{
    Q_OBJECT
public:
    NTXTextViewInspectorCheckboxField(const QString &identifier, const QString &placeholder,
                                      const NTXTextViewInspectorFieldLabelPtr &label);

    // A small switch button 126 by 21 without title, its action checkboxStateChanged.
    static QWidget *viewForField(NTXTextViewInspectorCheckboxField *field);
    std::shared_ptr<NTXTextViewInspectorField> copy() const override;

    QVariant ONValue() const { return m_ONValue; }
    void setONValue(const QVariant &value) { m_ONValue = value; }
    platform::Control *button() const;

    void setValue(const QVariant &value) override;
    QString notEditableReplacementString() const override;

    Q_INVOKABLE void checkboxStateChanged(QObject *sender);

private:
    QVariant m_ONValue = true;
};
