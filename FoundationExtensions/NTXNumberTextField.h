#pragma once
// A text field for a plain number with a fixed number of fraction digits and an
// optional suffix sign (the show types of NTXNumberValueFormatter). Its cell owns a
// number formatter with the display pattern; minimum and maximum live in it. Typed
// text the formatter refuses (not a number, not finite, out of bounds) leaves the value.
//
// Archivable in keyed archives (fromCoder()/encodeWithCoder(): the settings and bounds
// as NTXNumberValueFormatter stores them); a decoded field does not wrap its text, one
// made in code does. A coder that fails yields no field. Main thread only.
#include "platform/drawing/TextField.h"

#include <optional>

namespace platform {
class Coder;
class NumberFormatter;
}

class NTXNumberTextField : public platform::TextField
{
    Q_OBJECT
public:
    explicit NTXNumberTextField(QWidget *parent = nullptr);
    ~NTXNumberTextField() override;

    static NTXNumberTextField *fromCoder(platform::Coder &coder, QWidget *parent = nullptr);
    void encodeWithCoder(platform::Coder &coder) const;

    int showNumberType() const { return m_showType; }
    void setShowNumberType(int showType);
    unsigned numberOfDigitsAfterPoint() const { return m_numberOfDigitsAfterPoint; }
    void setNumberOfDigitsAfterPoint(unsigned digits);

    std::optional<double> minimum() const;
    void setMinimum(std::optional<double> minimum);
    std::optional<double> maximum() const;
    void setMaximum(std::optional<double> maximum);

    static QString inspectorClassName() { return QStringLiteral("NTXNumberTextFieldInspector"); }

    // Builds the display pattern on the cell's number formatter (nothing without one).
    void setNewFormatString();

private:
    platform::NumberFormatter *numberFormatter() const;

    int m_showType = 1;
    unsigned m_numberOfDigitsAfterPoint = 4;
};
