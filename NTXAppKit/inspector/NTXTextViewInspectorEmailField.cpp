#include "NTXAppKit/inspector/NTXTextViewInspectorEmailField.h"

#include "FoundationExtensions/NTXNSStringExtension.h"

NTXTextViewInspectorEmailField::NTXTextViewInspectorEmailField(const QString &identifier, const QString &placeholder,
                                                          const NTXTextViewInspectorFieldLabelPtr &label)
    : NTXTextViewInspectorLinkField(identifier, placeholder, label)
{
}

std::shared_ptr<NTXTextViewInspectorEmailField>
NTXTextViewInspectorEmailField::fieldWithPropertyName(const QString &propertyName, const platform::DataEntity &entity)
{
    auto field = std::make_shared<NTXTextViewInspectorEmailField>(QString(), QString(), nullptr);
    field->buildSubFields(propertyName, entity, 1, QStringLiteral("WriteEMailImage"), "writeEmailAction:");
    return field;
}

std::shared_ptr<NTXTextViewInspectorField> NTXTextViewInspectorEmailField::copy() const
{
    auto copied = std::make_shared<NTXTextViewInspectorEmailField>(identifier(), placeholder(), copiedLabel());
    copyBaseStateTo(*copied);
    return copied;
}

QUrl NTXTextViewInspectorEmailField::mailURLForAddress(const QString &address)
{
    QUrl url;
    url.setScheme(QStringLiteral("mailto"));
    url.setPath(address, QUrl::DecodedMode);
    return url;
}
