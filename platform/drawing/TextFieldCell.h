#pragma once
// The cell of a text field: an editable, bezeled cell whose title is its value shown
// through its formatter (the value's plain text without one). The cell owns its
// formatter; clone() copies it. Main thread only. Reading typed text back goes through
// takeText(): refused text leaves the value as it was.
#include "platform/drawing/Cell.h"
#include "platform/foundation/Formatter.h"

#include <memory>

namespace platform {

class TextFieldCell : public Cell
{
public:
    TextFieldCell();
    ~TextFieldCell() override;

    std::unique_ptr<Cell> clone() const override;

    Formatter *formatter() const { return m_formatter.get(); }
    void setFormatter(std::unique_ptr<Formatter> formatter) { m_formatter = std::move(formatter); }

    QString title() const override;

    // Reads text into the value through the formatter (as text without one). Answers
    // false with a reason in *error, leaving the value, when the formatter refuses it.
    bool takeText(const QString &text, QString *error = nullptr);

protected:
    TextFieldCell(const TextFieldCell &other);

private:
    std::unique_ptr<Formatter> m_formatter;
};

} // namespace platform
