#pragma once
// The platform's text encoding numbers: their ICU converters, IANA names, English
// display names and Core Foundation values, and strict and lossy conversion.
//
// Stateless functions over one constant table; safe from any thread (each call
// opens its own converter). An encoding whose ICU converter does not open on this
// system is "unavailable": it converts nothing and is not offered to the user.
// UTF-16 (10) and UTF-32 read a leading byte-order mark and are big-endian without
// one; they are written big-endian. No function here writes a byte-order mark.
#include <QByteArray>
#include <QList>
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
    // Encodings without a named constant are 0x80000000 | their Core Foundation value.
    MacJapaneseStringEncoding = 0x80000001,
    MacChineseTradStringEncoding = 0x80000002,
    MacKoreanStringEncoding = 0x80000003,
    MacChineseSimpStringEncoding = 0x80000019,
    ShiftJISMacStringEncoding = 0x80000A01, // Core Foundation's "Shift JIS" (8 is the DOS code page 932)
    GB18030StringEncoding = 0x80000632,
    // No encoding: the tag of menu items that are not an encoding.
    NoStringEncoding = 0xFFFFFFFF,
};

// The Mac encoding value that stands for the whole Unicode family in sorting.
constexpr quint32 MacUnicodeFamily = 0x100;

struct EncodingInfo
{
    quint32 encoding;      // the platform's number
    quint32 cfEncoding;    // the Core Foundation value
    quint32 macEncoding;   // the most compatible Mac encoding (0x100 for the Unicode family)
    const char *icuName;   // nullptr when ICU has no converter for it
    const char *ianaName;  // the IANA charset name
    const char *displayName;
};

// The table entry of an encoding number, or nullptr for an unknown number.
const EncodingInfo *infoForEncoding(quint32 encoding);
// Every encoding whose converter opens here, in table order.
QList<quint32> availableEncodings();
bool isAvailable(quint32 encoding);

// The ICU converter name for decoding; nullptr for an unknown encoding or one ICU
// has no converter for.
const char *icuNameForEncoding(quint32 encoding);
// The English name shown to the user ("Unicode (UTF-8)"); empty when unknown.
QString displayName(quint32 encoding);
// The IANA charset name ("utf-8"); empty when unknown.
QString ianaName(quint32 encoding);
// The available encoding of an IANA (or other ICU-known) charset name, compared
// without regard to case and punctuation; 0 when nothing matches.
quint32 encodingForIANAName(const QString &name);

// The encoding of the C library's locale (nl_langinfo(CODESET)), or the one set with
// setDefaultCStringEncoding(); Mac Roman when the locale's is not available.
quint32 defaultCStringEncoding();
// Overrides the answer of defaultCStringEncoding() (0 = the locale's again).
void setDefaultCStringEncoding(quint32 encoding);

// The bytes decoded strictly: a null string when the encoding is unknown or any
// byte sequence is illegal, unassigned or cut off at the end. Empty bytes give an
// empty, non-null string.
QString decode(const QByteArray &bytes, quint32 encoding);
// The text encoded strictly: a null byte array when the encoding is unavailable or
// a character has no representation in it (an unpaired surrogate included). An
// empty text gives an empty, non-null array.
QByteArray encode(const QString &text, quint32 encoding);
// The text encoded with "?" for every character the encoding cannot hold; null only
// when the encoding is unavailable.
QByteArray encodeLossy(const QString &text, quint32 encoding);

} // namespace NTXStringEncodings
