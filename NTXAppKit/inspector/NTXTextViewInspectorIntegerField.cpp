#include "NTXAppKit/inspector/NTXTextViewInspectorIntegerField.h"

#include "platform/foundation/NumberFormatter.h"

NTXTextViewInspectorIntegerField::NTXTextViewInspectorIntegerField(const QString &identifier, const QString &placeholder,
                                                                   const NTXTextViewInspectorFieldLabelPtr &label)
    : NTXTextViewInspectorTextField(identifier, placeholder, label)
{
    setFormatter(sharedIntegerFormatter());
}

std::shared_ptr<NTXTextViewInspectorField> NTXTextViewInspectorIntegerField::copy() const
{
    auto copied = std::make_shared<NTXTextViewInspectorIntegerField>(identifier(), placeholder(), copiedLabel());
    copyTextStateTo(*copied);
    return copied;
}

std::shared_ptr<const platform::Formatter> NTXTextViewInspectorIntegerField::sharedIntegerFormatter()
{
    static const std::shared_ptr<const platform::Formatter> formatter = [] {
        auto integers = std::make_shared<platform::NumberFormatter>();
        integers->setFormat(QStringLiteral("#0"));
        integers->setParsesIntegersOnly(true);
        return integers;
    }();
    return formatter;
}
