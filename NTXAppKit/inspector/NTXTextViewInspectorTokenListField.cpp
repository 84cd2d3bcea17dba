#include "NTXAppKit/inspector/NTXTextViewInspectorTokenListField.h"

#include "NTXAppKit/inspector/NTXTextViewInspectorTokenListFieldItem.h"
#include "platform/drawing/TokenField.h"
#include "platform/foundation/ArrayController.h"

NTXTextViewInspectorTokenListField::NTXTextViewInspectorTokenListField(const QString &identifier,
                                                                       const QString &placeholder,
                                                                       const NTXTextViewInspectorFieldLabelPtr &label)
    : NTXTextViewInspectorListField(identifier, placeholder, label)
{
    auto row = std::make_shared<NTXTextViewInspectorTokenListFieldItem>(QString(), placeholder, nullptr);
    row->setDelegate(this);
    setEntryFieldTemplate(row);
    setEditable(true);
}

std::shared_ptr<NTXTextViewInspectorField> NTXTextViewInspectorTokenListField::copy() const
{
    auto copied = std::make_shared<NTXTextViewInspectorTokenListField>(identifier(), placeholder(), copiedLabel());
    copyBaseStateTo(*copied);
    return copied;
}

QVariant NTXTextViewInspectorTokenListField::objectToInsertWithProposedObject(const QVariant &proposed,
                                                                             NTXTextViewInspectorField *, qsizetype,
                                                                             const NTXTextViewInspectorFieldLabelPtr &)
{
    return proposed;
}

void NTXTextViewInspectorTokenListField::controlTextDidChange(platform::TokenField *control, bool endEditing)
{
    if (indexOfFieldWithView(control) < 0)
        return;
    if (endEditing)
        controlTextShouldEndEditing(control);
    const qsizetype index = indexOfFieldWithView(control);
    if (index >= 0)
        insertRowAtIndex(std::min(index + 1, allRows().size()));
}

bool NTXTextViewInspectorTokenListField::controlTextShouldEndEditing(QWidget *control)
{
    auto *tokens = qobject_cast<platform::TokenField *>(control);
    if (!tokens)
        return true;
    if (tokens->text().trimmed().isEmpty())
        tokens->setToolTip(QString());
    const NTXTextViewInspectorFieldPtr row = fieldWithView(tokens);
    auto *controller = dynamic_cast<platform::ArrayController *>(observableController());
    if (!row || !controller)
        return true;
    const QStringList words = tokens->tokens();
    const QVariant old = row->value();
    if (words.isEmpty()) {
        if (controller->isOfObjectClass(old) && controller->canRemove())
            controller->removeObject(old);
        return true;
    }
    const qsizetype index = indexOfField(row.get());
    qsizetype arrangedIndex = index;
    for (qsizetype i = 0; i < index; ++i)
        if (!rowAtIndex(i)->value().isValid())
            --arrangedIndex;
    const QVariant object = objectToInsertWithProposedObject(words.constFirst(), row.get(), index, row->label());
    if (!controller->canAdd() || object == old)
        return true;
    if (old.isValid())
        controller->removeObjectAtArrangedObjectIndex(arrangedIndex);
    controller->insertObjectAtArrangedObjectIndex(object, arrangedIndex);
    return true;
}
