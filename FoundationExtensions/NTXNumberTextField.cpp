#include "FoundationExtensions/NTXNumberTextField.h"

#include "FoundationExtensions/NTXNumberValueFormatter.h"
#include "platform/archive/Coder.h"

NTXNumberTextField::NTXNumberTextField(QWidget *parent) : platform::TextField(parent)
{
    setFormatter(std::make_unique<platform::NumberFormatter>());
    cell()->setWraps(true);
    setNewFormatString();
    setDoubleValue(0.0);
}

NTXNumberTextField::~NTXNumberTextField() = default;

NTXNumberTextField *NTXNumberTextField::fromCoder(platform::Coder &coder, QWidget *parent)
{
    int showType = 0;
    unsigned digits = 0;
    platform::NumberFormatter bounds;
    if (!NTXNumberValueFormatter::decodeSettings(coder, showType, digits, bounds))
        return nullptr;
    auto *field = new NTXNumberTextField(parent);
    field->m_showType = showType;
    field->m_numberOfDigitsAfterPoint = digits;
    field->setMinimum(bounds.minimum());
    field->setMaximum(bounds.maximum());
    field->cell()->setWraps(false);
    field->setNewFormatString();
    return field;
}

void NTXNumberTextField::encodeWithCoder(platform::Coder &coder) const
{
    platform::NumberFormatter none;
    NTXNumberValueFormatter::encodeSettings(coder, m_showType, m_numberOfDigitsAfterPoint,
                                            numberFormatter() ? *numberFormatter() : none);
}

platform::NumberFormatter *NTXNumberTextField::numberFormatter() const
{
    return dynamic_cast<platform::NumberFormatter *>(formatter());
}

void NTXNumberTextField::setShowNumberType(int showType)
{
    m_showType = showType;
    setNewFormatString();
}

void NTXNumberTextField::setNumberOfDigitsAfterPoint(unsigned digits)
{
    m_numberOfDigitsAfterPoint = digits;
    setNewFormatString();
}

std::optional<double> NTXNumberTextField::minimum() const
{
    return numberFormatter() ? numberFormatter()->minimum() : std::nullopt;
}

void NTXNumberTextField::setMinimum(std::optional<double> minimum)
{
    if (platform::NumberFormatter *formatter = numberFormatter())
        formatter->setMinimum(minimum);
}

std::optional<double> NTXNumberTextField::maximum() const
{
    return numberFormatter() ? numberFormatter()->maximum() : std::nullopt;
}

void NTXNumberTextField::setMaximum(std::optional<double> maximum)
{
    if (platform::NumberFormatter *formatter = numberFormatter())
        formatter->setMaximum(maximum);
}

void NTXNumberTextField::setNewFormatString()
{
    if (platform::NumberFormatter *formatter = numberFormatter()) {
        formatter->setFormat(NTXNumberValueFormatter::patternFor(m_showType, m_numberOfDigitsAfterPoint));
        updateGeometry();
        update();
    }
}
