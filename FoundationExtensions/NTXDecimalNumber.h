#pragma once
// A decimal number: a signed mantissa of at most 38 decimal digits times a power of
// ten from -128 to 127, so that decimal fractions (0.1, 19.99) add up exactly where
// binary floating point would not. A value type, freely copied between threads.
//
// Failure: a result too large for the exponent range raises platform::Exception
// (OverflowException); one too small becomes 0. Every operation, reading included,
// gives the number of 38 digits nearest to its exact result (a half to the even
// neighbour), rounding once.
#include <QMetaType>
#include <QString>
#include <QStringView>
#include <QVariant>

#include <optional>
#include <string>

class NTXDecimalNumber
{
public:
    static constexpr int MaximumDigits = 38;
    static constexpr int MinimumExponent = -128;
    static constexpr int MaximumExponent = 127;
    static inline const QString OverflowException = QStringLiteral("NSDecimalNumberOverflowException");

    // Zero.
    NTXDecimalNumber() = default;
    // mantissa × 10^exponent.
    NTXDecimalNumber(qint64 mantissa, int exponent = 0);

    // Decimal text: an optional sign, digits with an optional '.', an optional
    // exponent ("e-3"); blanks around it are allowed. Nothing else is a number.
    static std::optional<NTXDecimalNumber> fromString(QStringView text);
    // The number a value stands for: a decimal number itself, an integer (exactly),
    // a floating-point number (by its shortest decimal text, so 0.1 is 0.1), or a
    // string of decimal text. Nil, non-finite numbers and anything else: none.
    static std::optional<NTXDecimalNumber> fromVariant(const QVariant &value);

    NTXDecimalNumber operator+(const NTXDecimalNumber &other) const;
    NTXDecimalNumber &operator+=(const NTXDecimalNumber &other) { return *this = *this + other; }

    // Shortest plain text: "0", "-12.5", "0.0003", "12000".
    QString toString() const;
    double toDouble() const;

    // Equal values are equal whatever their notation (1.50 == 1.5).
    friend bool operator==(const NTXDecimalNumber &a, const NTXDecimalNumber &b)
    {
        return a.m_mantissa == b.m_mantissa && a.m_exponent == b.m_exponent;
    }

private:
    using Mantissa = __int128;
    NTXDecimalNumber(Mantissa mantissa, int exponent, bool);
    // The number nearest to ±digits × 10^exponent within 38 digits and the exponent
    // range, trailing zeros moved into the exponent; overflow raises.
    static NTXDecimalNumber rounded(bool negative, std::string digits, qint64 exponent);

    Mantissa m_mantissa = 0;
    int m_exponent = 0;
};

Q_DECLARE_METATYPE(NTXDecimalNumber)
