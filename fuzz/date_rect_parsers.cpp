// Feeds text to the parsers of dates and rectangles, the XML entity conversions
// (both ways) and the display-string windowing with ranges taken from the input.
#include "FoundationExtensions/NTXNSStringExtension.h"
#include "platform/foundation/CalendarDate.h"
#include "platform/foundation/GeometryText.h"

#include <QString>

#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 1 << 20)
        return 0;
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));

    if (const auto date = platform::CalendarDate::fromDescription(text)) {
        // A parsed date writes a text that reads back as the same moment with the
        // same offset ("-0000" is written "+0000").
        const auto again = platform::CalendarDate::fromDescription(platform::CalendarDate::description(*date));
        if (!again || *again != *date || again->offsetFromUtc() != date->offsetFromUtc())
            std::abort();
        (void)platform::CalendarDate::format(*date, text);
        (void)platform::CalendarDate::dayOfWeek(*date);
    }

    const QRectF rect = platform::GeometryText::rectFromString(text);
    const QRectF again =
        platform::GeometryText::rectFromString(platform::GeometryText::stringFromRect(rect));
    (void)again;
    (void)platform::GeometryText::pointFromString(text);
    (void)platform::GeometryText::sizeFromString(text);

    // Escaping and then unescaping gives the text back.
    const QString escaped = NTXNSStringExtension::stringByConvertCharactersToXML(text);
    if (NTXNSStringExtension::stringByConvertXMLToChars(escaped) != text)
        std::abort();
    (void)NTXNSStringExtension::stringByConvertXMLToChars(text);
    (void)NTXNSStringExtension::stringByConvertCharactersToHTML(text);

    // Ranges and maxima from the first bytes, as signed values of any size.
    if (size >= 24) {
        qint64 values[3];
        std::memcpy(values, data, sizeof values);
        const platform::Range range{qsizetype(values[0]), qsizetype(values[1])};
        const QString shown = NTXNSStringExtension::displayStringForRange(text, range, qsizetype(values[2]));
        (void)shown;
        (void)NTXNSStringExtension::displayStringForRange(text, range, qsizetype(values[2] & 0xFF));
    }
    return 0;
}
