#include "NTXAppKit/inspector/NTXTextViewInspectorTextField.h"

#include "FoundationExtensions/NTXNSStringExtension.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorFieldHost.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/DisplayText.h"

#include <QLocale>
#include <QRegularExpression>

namespace {

bool sameTextIgnoringCase(const QString &a, const QString &b)
{
    const QLocale locale;
    return locale.toLower(a) == locale.toLower(b);
}

} // namespace

NTXTextViewInspectorTextField::NTXTextViewInspectorTextField(const QString &identifier, const QString &placeholder,
                                                             const NTXTextViewInspectorFieldLabelPtr &label)
    : NTXTextViewInspectorField(identifier, placeholder, label)
{
    setEditable(true);
}

std::shared_ptr<NTXTextViewInspectorField> NTXTextViewInspectorTextField::copy() const
{
    auto copied = std::make_shared<NTXTextViewInspectorTextField>(identifier(), placeholder(), copiedLabel());
    copyTextStateTo(*copied);
    return copied;
}

void NTXTextViewInspectorTextField::copyTextStateTo(NTXTextViewInspectorTextField &copy) const
{
    copyBaseStateTo(copy);
    copy.m_overrideFontSizeWithPointSize = m_overrideFontSizeWithPointSize;
    copy.m_supportTextCompletion = m_supportTextCompletion;
    copy.m_supportMultipleValues = m_supportMultipleValues;
    copy.m_formatter = m_formatter;
    copy.m_validationMethod = m_validationMethod;
}

QString NTXTextViewInspectorTextField::multipleValuesText()
{
    return platform::Bundle::bundleNamed(QStringLiteral("NTXAppKit"))
        .localizedString(QStringLiteral("NTXTextViewInspectorMultipleValues"), QStringLiteral("NTXTextViewInspector"));
}

QString NTXTextViewInspectorTextField::displayStringForValue()
{
    QVariant shown = value();
    if (!shown.isValid())
        return QString();
    if (platform::isListValue(shown) && !m_supportMultipleValues) {
        const QVariantList unique = distinctElements(shown.toList());
        if (unique.size() != 1)
            return QString();
        // The one value all the selected objects share becomes the field's value.
        shown = unique.constFirst();
        NTXTextViewInspectorField::setValue(shown);
    }
    if (m_formatter)
        return m_formatter->stringForObjectValue(shown);
    if (shown.metaType() != QMetaType::fromType<QString>())
        return QString();
    // A long value is shown cut, so that laying it out costs the same however long it
    // is; the field then takes no edit (isShownCut()).
    const QString text = platform::DisplayText::cut(shown.toString(), platform::DisplayText::MaximumBlockLength);
    static const QRegularExpression lineBreaks(QStringLiteral("\r\n|[\n\r\v\f\u0085\u2028\u2029]"));
    QStringList lines = text.split(lineBreaks);
    if (lines.size() < 2)
        return text;
    lines.removeAll(QString());
    return lines.join(QChar(0x2028));
}

bool NTXTextViewInspectorTextField::isShownCut() const
{
    if (m_formatter)
        return false;
    QVariant shown = value();
    if (platform::isListValue(shown)) {
        const QVariantList unique = distinctElements(shown.toList());
        if (unique.size() != 1)
            return false;
        shown = unique.constFirst();
    }
    return shown.metaType() == QMetaType::fromType<QString>()
        && platform::DisplayText::isCut(shown.toString(), platform::DisplayText::MaximumBlockLength);
}

QVariant NTXTextViewInspectorTextField::valueObjectForString(const QString &text) const
{
    if ((!placeholder().isNull() && sameTextIgnoringCase(text, placeholder())) ||
        sameTextIgnoringCase(text, multipleValuesText()))
        return QVariant();
    return valueObjectForTypedString(text);
}

QVariant NTXTextViewInspectorTextField::valueObjectForTypedString(const QString &text) const
{
    if (m_formatter) {
        QVariant object;
        if (m_formatter->getObjectValue(object, text, nullptr))
            return object;
    }
    return QString(text);
}

void NTXTextViewInspectorTextField::validate()
{
    bool valid = false;
    switch (m_validationMethod) {
    case NoValidation:
        valid = true;
        break;
    case EMailValidation:
        valid = NTXNSStringExtension::validateEMailAddress(displayStringForValue());
        break;
    case URLValidation:
        valid = NTXNSStringExtension::validateURL(displayStringForValue());
        break;
    default:
        break;
    }
    setValid(valid);
    propagate(valid, QStringLiteral("isValid"));
}

void NTXTextViewInspectorTextField::setValue(const QVariant &value)
{
    NTXTextViewInspectorField::setValue(value);
    validate();
    if (auto *host = dynamic_cast<NTXTextViewInspectorFieldHost *>(textViewInspector()))
        host->updateDisplayOfTextField(this);
}

QStringList NTXTextViewInspectorTextField::completionsForPartialString(const QString &, int *) const
{
    return {};
}

bool NTXTextViewInspectorTextField::isMultipleValue() const
{
    const QVariant current = value();
    return platform::isListValue(current) && distinctElements(current.toList()).size() > 1;
}

bool NTXTextViewInspectorTextField::isValueEmpty() const
{
    const QVariant current = value();
    if (!current.isValid())
        return true;
    if (platform::isListValue(current))
        return current.toList().isEmpty();
    if (current.metaType() == QMetaType::fromType<QString>())
        return current.toString().trimmed().isEmpty();
    bool isNumber = false;
    const double number = current.toDouble(&isNumber);
    return isNumber && current.metaType() != QMetaType::fromType<QString>() && number == 0.0 && current.toLongLong() == 0;
}

bool NTXTextViewInspectorTextField::shouldBeVisibleWithEditableState(bool editable) const
{
    if (!NTXTextViewInspectorField::shouldBeVisibleWithEditableState(editable))
        return false;
    return editable || !notEditableReplacementString().isNull() || valueState() != NoValue;
}
