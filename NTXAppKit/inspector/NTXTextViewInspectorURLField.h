#pragma once
// A field for a web address: a text field validated as such and a small button
// ("VisitUrlImage") that opens it. See NTXTextViewInspectorLinkField.
// Ownership and threads: as NTXTextViewInspectorLinkField.
#include "NTXAppKit/inspector/NTXTextViewInspectorLinkField.h"

class NTXTextViewInspectorURLField : public NTXTextViewInspectorLinkField
{
    Q_OBJECT
public:
    // An empty compound field (no sub-fields).
    NTXTextViewInspectorURLField(const QString &identifier, const QString &placeholder,
                                  const NTXTextViewInspectorFieldLabelPtr &label);
    // The field with its two sub-fields for a property of the entity.
    static std::shared_ptr<NTXTextViewInspectorURLField> fieldWithPropertyName(const QString &propertyName,
                                                                            const platform::DataEntity &entity);

    std::shared_ptr<NTXTextViewInspectorField> copy() const override;

    void bindURLFieldToObject(platform::KeyValueObservable *object, const QString &keyPath)
    {
        bindTextFieldToObject(object, keyPath);
    }
    Q_INVOKABLE void openURLAction(QObject *) { openLink(); }

    QUrl urlForText(const QString &text) const override { return webURLForText(text); }
    // The completed text ("http://" in front unless it holds "://") parsed strictly;
    // invalid when it does not parse.
    static QUrl webURLForText(const QString &text);
};
