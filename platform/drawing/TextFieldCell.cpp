#include "platform/drawing/TextFieldCell.h"

namespace platform {

TextFieldCell::TextFieldCell()
{
    setEditable(true);
    setBezeled(true);
    setDrawsBackground(true);
}

TextFieldCell::TextFieldCell(const TextFieldCell &other)
    : Cell(other), m_formatter(other.m_formatter ? other.m_formatter->clone() : nullptr)
{
}

TextFieldCell::~TextFieldCell() = default;

std::unique_ptr<Cell> TextFieldCell::clone() const
{
    return std::unique_ptr<Cell>(new TextFieldCell(*this));
}

QString TextFieldCell::title() const
{
    return m_formatter ? m_formatter->stringForObjectValue(objectValue()) : stringValue();
}

bool TextFieldCell::takeText(const QString &text, QString *error)
{
    if (!m_formatter) {
        setObjectValue(text);
        return true;
    }
    QVariant value;
    if (!m_formatter->getObjectValue(value, text, error))
        return false;
    setObjectValue(value);
    return true;
}

} // namespace platform
