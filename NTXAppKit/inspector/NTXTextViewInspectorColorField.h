#pragma once
// A field shown as a colour well 100 by 24. A colour value is shown; an array whose
// distinct elements are one colour shows it (one null: no colour); an array of none
// or several distinct elements shows no colour; any other value, nil included,
// shows black. The user's colour is written back through the binding.
// Ownership and threads: as NTXTextViewInspectorViewField.
#include "NTXAppKit/inspector/NTXTextViewInspectorViewField.h"

namespace platform {
class ColorWell;
}

class NTXTextViewInspectorColorField : public NTXTextViewInspectorViewField
{
    Q_OBJECT
public:
    NTXTextViewInspectorColorField(const QString &identifier, const QString &placeholder,
                                   const NTXTextViewInspectorFieldLabelPtr &label);

    static QWidget *viewForField(NTXTextViewInspectorColorField *field);
    std::shared_ptr<NTXTextViewInspectorField> copy() const override;

    platform::ColorWell *colorWell() const;
    void setValue(const QVariant &value) override;

    Q_INVOKABLE void colorWellChanged(QObject *sender);
};
