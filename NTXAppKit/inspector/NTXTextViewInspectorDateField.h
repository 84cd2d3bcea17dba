#pragma once
// A field shown as a small date editor 68 by 18 without buttons (year, month and
// day). A date or date-and-time value is shown; any other value shows no date (the
// editor is empty). The user's date is written back as a date and time keeping the
// time of day of the value it replaces (midnight when there was none).
// Ownership and threads: as NTXTextViewInspectorViewField.
#include "NTXAppKit/inspector/NTXTextViewInspectorViewField.h"

class QDateEdit;

class NTXTextViewInspectorDateField : public NTXTextViewInspectorViewField
{
    Q_OBJECT
public:
    NTXTextViewInspectorDateField(const QString &identifier, const QString &placeholder,
                                  const NTXTextViewInspectorFieldLabelPtr &label);

    static QWidget *viewForField(NTXTextViewInspectorDateField *field);
    std::shared_ptr<NTXTextViewInspectorField> copy() const override;

    QDateEdit *datePicker() const;
    // Whether the editor shows a date (not the empty "no date").
    bool showsDate() const;
    void setValue(const QVariant &value) override;

    Q_INVOKABLE void dateChanged(QObject *sender);

private:
    bool m_updating = false;
};
