#pragma once
// A field for an e-mail address: a text field validated as such and a small button
// ("WriteEMailImage") that opens it. See NTXTextViewInspectorLinkField.
// Ownership and threads: as NTXTextViewInspectorLinkField.
#include "NTXAppKit/inspector/NTXTextViewInspectorLinkField.h"

class NTXTextViewInspectorEmailField : public NTXTextViewInspectorLinkField
{
    Q_OBJECT
public:
    // An empty compound field (no sub-fields).
    NTXTextViewInspectorEmailField(const QString &identifier, const QString &placeholder,
                                  const NTXTextViewInspectorFieldLabelPtr &label);
    // The field with its two sub-fields for a property of the entity.
    static std::shared_ptr<NTXTextViewInspectorEmailField> fieldWithPropertyName(const QString &propertyName,
                                                                            const platform::DataEntity &entity);

    std::shared_ptr<NTXTextViewInspectorField> copy() const override;

    void bindEmailFieldToObject(platform::KeyValueObservable *object, const QString &keyPath)
    {
        bindTextFieldToObject(object, keyPath);
    }
    Q_INVOKABLE void writeEmailAction(QObject *) { openLink(); }

    QUrl urlForText(const QString &text) const override { return mailURLForAddress(text); }
    // A mail URL: scheme "mailto" and the whole address as its path (percent-encoded
    // as needed, so "?" or "#" in it start no query or fragment: it cannot add headers).
    static QUrl mailURLForAddress(const QString &address);
};
