#include "NTXAppKit/inspector/NTXTextViewInspectorURLField.h"

#include "FoundationExtensions/NTXNSStringExtension.h"

NTXTextViewInspectorURLField::NTXTextViewInspectorURLField(const QString &identifier, const QString &placeholder,
                                                          const NTXTextViewInspectorFieldLabelPtr &label)
    : NTXTextViewInspectorLinkField(identifier, placeholder, label)
{
}

std::shared_ptr<NTXTextViewInspectorURLField>
NTXTextViewInspectorURLField::fieldWithPropertyName(const QString &propertyName, const platform::DataEntity &entity)
{
    auto field = std::make_shared<NTXTextViewInspectorURLField>(QString(), QString(), nullptr);
    field->buildSubFields(propertyName, entity, 2, QStringLiteral("VisitUrlImage"), "openURLAction:");
    return field;
}

std::shared_ptr<NTXTextViewInspectorField> NTXTextViewInspectorURLField::copy() const
{
    auto copied = std::make_shared<NTXTextViewInspectorURLField>(identifier(), placeholder(), copiedLabel());
    copyBaseStateTo(*copied);
    return copied;
}

QUrl NTXTextViewInspectorURLField::webURLForText(const QString &text)
{
    return QUrl(NTXNSStringExtension::completedURLStringForString(text), QUrl::StrictMode);
}
