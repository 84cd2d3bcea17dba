#include "FoundationExtensions/NTXStringEncodings.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>

#include <langinfo.h>

#include <algorithm>
#include <atomic>
#include <limits>
#include <memory>
#include <vector>

namespace NTXStringEncodings {

namespace {

// Mac encodings used as "most compatible" values.
enum : quint32 {
    MacRoman = 0,
    MacJapanese = 1,
    MacChineseTrad = 2,
    MacKorean = 3,
    MacArabic = 4,
    MacHebrew = 5,
    MacGreek = 6,
    MacCyrillic = 7,
    MacThai = 21,
    MacChineseSimp = 25,
    MacCentralEurRoman = 29,
    MacVietnamese = 30,
    MacSymbol = 33,
    MacTurkish = 35,
    MacIcelandic = 37,
    MacRomanian = 38,
    MacCeltic = 39,
    MacUkrainian = 152,
};

constexpr quint32 ns(quint32 cf) { return 0x80000000u | cf; }

constexpr EncodingInfo Table[] = {
    // Unicode
    {UnicodeStringEncoding, 0x0100, MacUnicodeFamily, "UTF-16", "utf-16", "Unicode (UTF-16)"},
    {UTF8StringEncoding, 0x08000100, MacUnicodeFamily, "UTF-8", "utf-8", "Unicode (UTF-8)"},
    {UTF16BigEndianStringEncoding, 0x10000100, MacUnicodeFamily, "UTF-16BE", "utf-16be", "Unicode (UTF-16BE)"},
    {UTF16LittleEndianStringEncoding, 0x14000100, MacUnicodeFamily, "UTF-16LE", "utf-16le", "Unicode (UTF-16LE)"},
    {UTF32StringEncoding, 0x0c000100, MacUnicodeFamily, "UTF-32", "utf-32", "Unicode (UTF-32)"},
    {UTF32BigEndianStringEncoding, 0x18000100, MacUnicodeFamily, "UTF-32BE", "utf-32be", "Unicode (UTF-32BE)"},
    {UTF32LittleEndianStringEncoding, 0x1c000100, MacUnicodeFamily, "UTF-32LE", "utf-32le", "Unicode (UTF-32LE)"},
    {ns(0x04000100), 0x04000100, MacUnicodeFamily, "UTF-7", "utf-7", "Unicode (UTF-7)"},
    // Mac
    {MacOSRomanStringEncoding, 0, MacRoman, "macintosh", "macintosh", "Western (Mac OS Roman)"},
    {MacJapaneseStringEncoding, 1, MacJapanese, nullptr, "x-mac-japanese", "Japanese (Mac OS)"},
    {MacChineseTradStringEncoding, 2, MacChineseTrad, nullptr, "x-mac-trad-chinese", "Traditional Chinese (Mac OS)"},
    {MacKoreanStringEncoding, 3, MacKorean, nullptr, "x-mac-korean", "Korean (Mac OS)"},
    {ns(6), 6, MacGreek, "x-mac-greek", "x-mac-greek", "Greek (Mac OS)"},
    {ns(7), 7, MacCyrillic, "x-mac-cyrillic", "x-mac-cyrillic", "Cyrillic (Mac OS)"},
    {MacChineseSimpStringEncoding, 25, MacChineseSimp, nullptr, "x-mac-simp-chinese", "Simplified Chinese (Mac OS)"},
    {ns(29), 29, MacCentralEurRoman, "x-mac-centraleurroman", "x-mac-ce", "Central European (Mac OS)"},
    {ns(35), 35, MacTurkish, "x-mac-turkish", "x-mac-turkish", "Turkish (Mac OS)"},
    {SymbolStringEncoding, 33, MacSymbol, nullptr, "x-mac-symbol", "Symbol (Mac OS)"},
    // ISO 8859
    {ISOLatin1StringEncoding, 0x0201, MacRoman, "ISO-8859-1", "iso-8859-1", "Western (ISO Latin 1)"},
    {ISOLatin2StringEncoding, 0x0202, MacCentralEurRoman, "ISO-8859-2", "iso-8859-2", "Central European (ISO Latin 2)"},
    {ns(0x0203), 0x0203, MacRoman, "ISO-8859-3", "iso-8859-3", "Western (ISO Latin 3)"},
    {ns(0x0204), 0x0204, MacCentralEurRoman, "ISO-8859-4", "iso-8859-4", "Central European (ISO Latin 4)"},
    {ns(0x0205), 0x0205, MacCyrillic, "ISO-8859-5", "iso-8859-5", "Cyrillic (ISO 8859-5)"},
    {ns(0x0206), 0x0206, MacArabic, "ISO-8859-6", "iso-8859-6", "Arabic (ISO 8859-6)"},
    {ns(0x0207), 0x0207, MacGreek, "ISO-8859-7", "iso-8859-7", "Greek (ISO 8859-7)"},
    {ns(0x0208), 0x0208, MacHebrew, "ISO-8859-8", "iso-8859-8", "Hebrew (ISO 8859-8)"},
    {ns(0x0209), 0x0209, MacTurkish, "ISO-8859-9", "iso-8859-9", "Turkish (ISO Latin 5)"},
    {ns(0x020A), 0x020A, MacRoman, "ISO-8859-10", "iso-8859-10", "Nordic (ISO Latin 6)"},
    {ns(0x020B), 0x020B, MacThai, "ISO-8859-11", "iso-8859-11", "Thai (ISO 8859-11)"},
    {ns(0x020D), 0x020D, MacCentralEurRoman, "ISO-8859-13", "iso-8859-13", "Baltic (ISO Latin 7)"},
    {ns(0x020E), 0x020E, MacCeltic, "ISO-8859-14", "iso-8859-14", "Celtic (ISO Latin 8)"},
    {ns(0x020F), 0x020F, MacRoman, "ISO-8859-15", "iso-8859-15", "Western (ISO Latin 9)"},
    {ns(0x0210), 0x0210, MacRomanian, "ISO-8859-16", "iso-8859-16", "Romanian (ISO Latin 10)"},
    // DOS code pages
    {ns(0x0400), 0x0400, MacRoman, "IBM437", "cp437", "Latin-US (DOS)"},
    {ns(0x0405), 0x0405, MacGreek, "ibm-737", "cp737", "Greek (DOS)"},
    {ns(0x0406), 0x0406, MacCentralEurRoman, "ibm-775", "cp775", "Baltic (DOS)"},
    {ns(0x0410), 0x0410, MacRoman, "IBM850", "cp850", "Western (DOS Latin 1)"},
    {ns(0x0412), 0x0412, MacCentralEurRoman, "IBM852", "cp852", "Central European (DOS Latin 2)"},
    {ns(0x0413), 0x0413, MacCyrillic, "IBM855", "cp855", "Cyrillic (DOS)"},
    {ns(0x0414), 0x0414, MacTurkish, "IBM857", "cp857", "Turkish (DOS)"},
    {ns(0x0415), 0x0415, MacRoman, "IBM860", "cp860", "Portuguese (DOS)"},
    {ns(0x0416), 0x0416, MacIcelandic, "IBM861", "cp861", "Icelandic (DOS)"},
    {ns(0x0417), 0x0417, MacHebrew, "IBM862", "cp862", "Hebrew (DOS)"},
    {ns(0x0418), 0x0418, MacRoman, "IBM863", "cp863", "Canadian French (DOS)"},
    {ns(0x0419), 0x0419, MacArabic, "IBM864", "cp864", "Arabic (DOS)"},
    {ns(0x041A), 0x041A, MacRoman, "IBM865", "cp865", "Nordic (DOS)"},
    {ns(0x041B), 0x041B, MacCyrillic, "IBM866", "cp866", "Russian (DOS)"},
    {ns(0x041C), 0x041C, MacGreek, "IBM869", "cp869", "Greek (DOS Greek 2)"},
    {ns(0x041D), 0x041D, MacThai, "windows-874", "windows-874", "Thai (Windows, DOS)"},
    {ShiftJISStringEncoding, 0x0421, MacJapanese, "windows-31j", "cp932", "Japanese (Windows, DOS)"},
    {ns(0x0422), 0x0422, MacChineseSimp, "windows-936", "cp936", "Simplified Chinese (Windows, DOS)"},
    {ns(0x0423), 0x0423, MacKorean, "windows-949", "cp949", "Korean (Windows, DOS)"},
    {ns(0x0424), 0x0424, MacChineseTrad, "windows-950", "cp950", "Traditional Chinese (Windows, DOS)"},
    // Windows code pages
    {WindowsCP1252StringEncoding, 0x0500, MacRoman, "windows-1252", "windows-1252", "Western (Windows Latin 1)"},
    {WindowsCP1250StringEncoding, 0x0501, MacCentralEurRoman, "windows-1250", "windows-1250", "Central European (Windows Latin 2)"},
    {WindowsCP1251StringEncoding, 0x0502, MacCyrillic, "windows-1251", "windows-1251", "Cyrillic (Windows)"},
    {WindowsCP1253StringEncoding, 0x0503, MacGreek, "windows-1253", "windows-1253", "Greek (Windows)"},
    {WindowsCP1254StringEncoding, 0x0504, MacTurkish, "windows-1254", "windows-1254", "Turkish (Windows Latin 5)"},
    {ns(0x0505), 0x0505, MacHebrew, "windows-1255", "windows-1255", "Hebrew (Windows)"},
    {ns(0x0506), 0x0506, MacArabic, "windows-1256", "windows-1256", "Arabic (Windows)"},
    {ns(0x0507), 0x0507, MacCentralEurRoman, "windows-1257", "windows-1257", "Baltic (Windows)"},
    {ns(0x0508), 0x0508, MacVietnamese, "windows-1258", "windows-1258", "Vietnamese (Windows)"},
    // Others
    {ASCIIStringEncoding, 0x0600, MacRoman, "US-ASCII", "us-ascii", "Western (ASCII)"},
    {ns(0x0631), 0x0631, MacChineseSimp, "GBK", "gbk", "Chinese (GBK)"},
    {GB18030StringEncoding, 0x0632, MacChineseSimp, "GB18030", "gb18030", "Chinese (GB 18030)"},
    {ISO2022JPStringEncoding, 0x0820, MacJapanese, "ISO-2022-JP", "iso-2022-jp", "Japanese (ISO 2022-JP)"},
    {ns(0x0830), 0x0830, MacChineseSimp, "ISO-2022-CN", "iso-2022-cn", "Chinese (ISO 2022-CN)"},
    {ns(0x0840), 0x0840, MacKorean, "ISO-2022-KR", "iso-2022-kr", "Korean (ISO 2022-KR)"},
    {JapaneseEUCStringEncoding, 0x0920, MacJapanese, "EUC-JP", "euc-jp", "Japanese (EUC)"},
    {ns(0x0930), 0x0930, MacChineseSimp, "GB2312", "gb2312", "Simplified Chinese (GB 2312)"},
    {ns(0x0931), 0x0931, MacChineseTrad, "EUC-TW", "x-euc-tw", "Traditional Chinese (EUC)"},
    {ns(0x0940), 0x0940, MacKorean, "EUC-KR", "euc-kr", "Korean (EUC)"},
    {ShiftJISMacStringEncoding, 0x0A01, MacJapanese, "Shift_JIS", "shift_jis", "Japanese (Shift JIS)"},
    {ns(0x0A02), 0x0A02, MacCyrillic, "KOI8-R", "koi8-r", "Cyrillic (KOI8-R)"},
    {ns(0x0A03), 0x0A03, MacChineseTrad, "Big5", "big5", "Traditional Chinese (Big 5)"},
    {ns(0x0A05), 0x0A05, MacChineseSimp, "HZ-GB-2312", "hz-gb-2312", "Simplified Chinese (HZ GB 2312)"},
    {ns(0x0A06), 0x0A06, MacChineseTrad, "Big5-HKSCS", "big5-hkscs", "Traditional Chinese (Big 5 HKSCS)"},
    {ns(0x0A08), 0x0A08, MacUkrainian, "KOI8-U", "koi8-u", "Ukrainian (KOI8-U)"},
    {NEXTSTEPStringEncoding, 0x0B01, MacRoman, nullptr, "x-nextstep", "Western (NextStep)"},
    {NonLossyASCIIStringEncoding, 0x0BFF, MacRoman, nullptr, "x-nonlossy-ascii", "Non-lossy ASCII"},
    {ns(0x0C02), 0x0C02, MacRoman, "IBM037", "cp037", "Western (EBCDIC Latin 1)"},
};

struct ConverterCloser
{
    void operator()(UConverter *c) const { ucnv_close(c); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

Converter openConverter(const char *name)
{
    if (!name)
        return nullptr;
    UErrorCode status = U_ZERO_ERROR;
    Converter conv(ucnv_open(name, &status));
    if (U_FAILURE(status))
        return nullptr;
    return conv;
}

// Which table entries have a converter, found once.
const std::vector<bool> &availability()
{
    static const std::vector<bool> flags = [] {
        std::vector<bool> v;
        for (const EncodingInfo &e : Table)
            v.push_back(openConverter(e.icuName) != nullptr);
        return v;
    }();
    return flags;
}

qsizetype indexOf(quint32 encoding)
{
    for (qsizetype i = 0; i < qsizetype(std::size(Table)); ++i) {
        if (Table[i].encoding == encoding)
            return i;
    }
    return -1;
}

// The converter used for writing: the unmarked Unicode forms are big-endian.
const char *encoderName(quint32 encoding)
{
    if (encoding == UnicodeStringEncoding)
        return "UTF-16BE";
    if (encoding == UTF32StringEncoding)
        return "UTF-32BE";
    return isAvailable(encoding) ? icuNameForEncoding(encoding) : nullptr;
}

QByteArray encodeWith(UConverter *conv, const QString &text, bool *failed)
{
    QByteArray out;
    const UChar *source = reinterpret_cast<const UChar *>(text.constData());
    const UChar *sourceLimit = source + text.size();
    constexpr qsizetype Chunk = 64 * 1024;
    char buffer[Chunk];
    out.reserve(std::min<qsizetype>(text.size(), std::numeric_limits<int>::max() / 4));
    for (;;) {
        char *target = buffer;
        UErrorCode status = U_ZERO_ERROR;
        ucnv_fromUnicode(conv, &target, buffer + Chunk, &source, sourceLimit, nullptr, true, &status);
        out.append(buffer, target - buffer);
        if (status == U_BUFFER_OVERFLOW_ERROR)
            continue;
        *failed = U_FAILURE(status);
        break;
    }
    if (out.isNull())
        out = QByteArray("");
    return out;
}

std::atomic<quint32> cStringOverride{0};

} // namespace

const EncodingInfo *infoForEncoding(quint32 encoding)
{
    const qsizetype i = indexOf(encoding);
    return i < 0 ? nullptr : &Table[i];
}

QList<quint32> availableEncodings()
{
    QList<quint32> list;
    const std::vector<bool> &flags = availability();
    for (size_t i = 0; i < std::size(Table); ++i) {
        if (flags[i])
            list.append(Table[i].encoding);
    }
    return list;
}

bool isAvailable(quint32 encoding)
{
    const qsizetype i = indexOf(encoding);
    return i >= 0 && availability()[size_t(i)];
}

const char *icuNameForEncoding(quint32 encoding)
{
    const EncodingInfo *info = infoForEncoding(encoding);
    return info ? info->icuName : nullptr;
}

QString displayName(quint32 encoding)
{
    const EncodingInfo *info = infoForEncoding(encoding);
    return info ? QString::fromLatin1(info->displayName) : QString();
}

QString ianaName(quint32 encoding)
{
    const EncodingInfo *info = infoForEncoding(encoding);
    return info ? QString::fromLatin1(info->ianaName) : QString();
}

quint32 encodingForIANAName(const QString &name)
{
    const QByteArray wanted = name.trimmed().toLower().toLatin1();
    if (wanted.isEmpty())
        return 0;
    const std::vector<bool> &flags = availability();
    for (size_t i = 0; i < std::size(Table); ++i) {
        if (flags[i] && ucnv_compareNames(wanted.constData(), Table[i].ianaName) == 0)
            return Table[i].encoding;
    }
    // Another alias ICU knows: compare the converters the names stand for.
    UErrorCode status = U_ZERO_ERROR;
    const char *converter = ucnv_getAlias(wanted.constData(), 0, &status);
    if (U_FAILURE(status) || !converter)
        return 0;
    for (size_t i = 0; i < std::size(Table); ++i) {
        if (!flags[i])
            continue;
        status = U_ZERO_ERROR;
        const char *own = ucnv_getAlias(Table[i].icuName, 0, &status);
        if (U_SUCCESS(status) && own && ucnv_compareNames(own, converter) == 0)
            return Table[i].encoding;
    }
    return 0;
}

quint32 defaultCStringEncoding()
{
    if (const quint32 set = cStringOverride.load())
        return set;
    static const quint32 fromLocale = [] {
        const char *codeset = nl_langinfo(CODESET);
        const quint32 found = codeset ? encodingForIANAName(QString::fromLatin1(codeset)) : 0;
        return found ? found : quint32(MacOSRomanStringEncoding);
    }();
    return fromLocale;
}

void setDefaultCStringEncoding(quint32 encoding)
{
    cStringOverride.store(encoding);
}

QString decode(const QByteArray &bytes, quint32 encoding)
{
    Converter conv = openConverter(icuNameForEncoding(encoding));
    if (!conv)
        return QString();
    UErrorCode status = U_ZERO_ERROR;
    ucnv_setToUCallBack(conv.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    if (U_FAILURE(status))
        return QString();

    QString result(QStringLiteral(""));
    if (bytes.isEmpty())
        return result;

    // Convert in chunks of output so that any input size works with ICU's int32
    // buffer lengths.
    const char *source = bytes.constData();
    const char *sourceLimit = source + bytes.size();
    constexpr qsizetype Chunk = 64 * 1024;
    result.reserve(std::min<qsizetype>(bytes.size(), std::numeric_limits<int>::max() / 2));
    std::unique_ptr<UChar[]> buffer(new UChar[Chunk]);
    for (;;) {
        UChar *target = buffer.get();
        status = U_ZERO_ERROR;
        ucnv_toUnicode(conv.get(), &target, buffer.get() + Chunk, &source, sourceLimit, nullptr,
                       true, &status);
        result.append(reinterpret_cast<const QChar *>(buffer.get()), target - buffer.get());
        if (status == U_BUFFER_OVERFLOW_ERROR)
            continue;
        if (U_FAILURE(status))
            return QString();
        break;
    }
    return result;
}

QByteArray encode(const QString &text, quint32 encoding)
{
    Converter conv = openConverter(encoderName(encoding));
    if (!conv)
        return QByteArray();
    UErrorCode status = U_ZERO_ERROR;
    ucnv_setFromUCallBack(conv.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    if (U_FAILURE(status))
        return QByteArray();
    bool failed = false;
    QByteArray out = encodeWith(conv.get(), text, &failed);
    return failed ? QByteArray() : out;
}

QByteArray encodeLossy(const QString &text, quint32 encoding)
{
    Converter conv = openConverter(encoderName(encoding));
    if (!conv)
        return QByteArray();
    UErrorCode status = U_ZERO_ERROR;
    static const UChar question[] = {u'?'};
    ucnv_setSubstString(conv.get(), question, 1, &status);
    status = U_ZERO_ERROR;
    ucnv_setFromUCallBack(conv.get(), UCNV_FROM_U_CALLBACK_SUBSTITUTE, nullptr, nullptr, nullptr, &status);
    if (U_FAILURE(status))
        return QByteArray();
    bool failed = false;
    QByteArray out = encodeWith(conv.get(), text, &failed);
    return failed ? QByteArray() : out;
}

} // namespace NTXStringEncodings
