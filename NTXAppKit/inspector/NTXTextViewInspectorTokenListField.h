#pragma once
// A list field whose rows are token fields (NTXTextViewInspectorTokenListFieldItem),
// editable, each row's first token being the element the row stands for in the
// controller's array. The list is the delegate of its rows:
// - A line break typed in a row ends the row's edit and inserts an empty row right
//   after it.
// - Ending a row's edit writes the row back into the controller: a row left without
//   tokens removes its element (when the controller may remove); a row with tokens
//   replaces its element, at its place among the rows that have one, by
//   objectToInsertWithProposedObject() of its first token (when the controller may
//   add and the object is new). The controller's change then adjusts the rows.
// Ownership and threads: as NTXTextViewInspectorListField.
#include "NTXAppKit/inspector/NTXTextViewInspectorListField.h"

namespace platform {
class TokenField;
}

class NTXTextViewInspectorTokenListField : public NTXTextViewInspectorListField
{
    Q_OBJECT
public:
    NTXTextViewInspectorTokenListField(const QString &identifier, const QString &placeholder,
                                       const NTXTextViewInspectorFieldLabelPtr &label);

    std::shared_ptr<NTXTextViewInspectorField> copy() const override;

    // The object to store for a row's first token; this class answers the token.
    virtual QVariant objectToInsertWithProposedObject(const QVariant &proposed, NTXTextViewInspectorField *row,
                                                      qsizetype index, const NTXTextViewInspectorFieldLabelPtr &label);

    // A line break was typed into a row's token field: ends its edit (when it was
    // edited) and inserts an empty row after it.
    void controlTextDidChange(platform::TokenField *control, bool endEditing = true);
    // A row's edit ends (always answers true). Controls that are not token fields of
    // rows of this list are ignored.
    bool controlTextShouldEndEditing(QWidget *control);
};
