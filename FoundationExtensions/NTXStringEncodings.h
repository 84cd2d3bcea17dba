#pragma once
// The platform's text encoding numbers and their ICU converters.
#include <QByteArray>
#include <QString>

namespace NTXStringEncodings {

enum : quint32 {
    ASCIIStringEncoding = 1,
    NEXTSTEPStringEncoding = 2,
    JapaneseEUCStringEncoding = 3,
    UTF8StringEncoding = 4,
    ISOLatin1StringEncoding = 5,
    SymbolStringEncoding = 6,
    NonLossyASCIIStringEncoding = 7,
    ShiftJISStringEncoding = 8,
    ISOLatin2StringEncoding = 9,
    UnicodeStringEncoding = 10,
    WindowsCP1251StringEncoding = 11,
    WindowsCP1252StringEncoding = 12,
    WindowsCP1253StringEncoding = 13,
    WindowsCP1254StringEncoding = 14,
    WindowsCP1250StringEncoding = 15,
    ISO2022JPStringEncoding = 21,
    MacOSRomanStringEncoding = 30,
    UTF16BigEndianStringEncoding = 0x90000100,
    UTF16LittleEndianStringEncoding = 0x94000100,
    UTF32StringEncoding = 0x8c000100,
    UTF32BigEndianStringEncoding = 0x98000100,
    UTF32LittleEndianStringEncoding = 0x9c000100,
};

// The ICU converter name of an encoding number; nullptr for an unknown number or
// one ICU has no converter for (NEXTSTEP, Symbol, non-lossy ASCII).
const char *icuNameForEncoding(quint32 encoding);

// The bytes decoded strictly: a null string when the encoding is unknown or any
// byte sequence is illegal, unassigned or cut off at the end. Empty bytes give an
// empty, non-null string.
QString decode(const QByteArray &bytes, quint32 encoding);

} // namespace NTXStringEncodings
