#pragma once
// A field shown as a rating (a level indicator 96 by 14, 0 to 5 stars). A number
// value sets the level (clamped to 0-5); an array's distinct elements set the level
// of the single one, or 0 for none or several; other values leave the level. The
// user's level is written back as a number. Editable exactly while the field is:
// a read-only rating (the field, or the inspector showing it, not editable) takes
// no clicks; they reach the inspector as clicks on the field.
// Ownership and threads: as NTXTextViewInspectorViewField.
#include "NTXAppKit/inspector/NTXTextViewInspectorViewField.h"

namespace platform {
class LevelIndicator;
}

class NTXTextViewInspectorRatingField : public NTXTextViewInspectorViewField
{
    Q_OBJECT
public:
    NTXTextViewInspectorRatingField(const QString &identifier, const QString &placeholder,
                                    const NTXTextViewInspectorFieldLabelPtr &label);

    static QWidget *viewForField(NTXTextViewInspectorRatingField *field);
    std::shared_ptr<NTXTextViewInspectorField> copy() const override;

    platform::LevelIndicator *levelIndicator() const;
    void setValue(const QVariant &value) override;
    void setEditable(bool editable) override;

    Q_INVOKABLE void ratingChanged(QObject *sender);
};
