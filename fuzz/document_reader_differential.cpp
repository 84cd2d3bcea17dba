// The same bytes through the direct reader of the writer's form and through the XML
// library's reader. Unless the direct reader hands the bytes over, what both take is
// the same document (the same written form), and what the library refuses the direct
// reader refuses. The direct reader may refuse more only where the file format's rules
// refuse the bytes and the library lets them through: a character that no XML document
// holds (a control character but tab, line feed and carriage return, U+FFFE, U+FFFF, or
// bytes that are no UTF-8), which it refuses wherever it stands. Seeds are documents as
// the writer makes them with values of references, multi-byte characters and empty
// tags, and near misses the direct reader must hand over or refuse exactly as the
// library does: a tab in a value, a mismatched end tag, an attribute twice, markup after
// the root, a character cut short after the root (with markup before it or not), a
// character reference to a control, attributes named outside XML's names, a
// byte-order mark before the declaration of either form and where no mark may stand,
// and documents declaring another encoding.
#include "application/tree/DocumentFileFormat.h"
#include "platform/foundation/Clock.h"

#include <QBuffer>
#include <QStringDecoder>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

bool readWith(bool direct, const QByteArray &bytes, DocumentFileFormat::ReadResult &out, bool *handedOver)
{
    QBuffer buffer;
    buffer.setData(bytes);
    if (!buffer.open(QIODevice::ReadOnly))
        std::abort();
    return direct ? DocumentFileFormat::readWrittenForm(&buffer, out, handedOver)
                  : DocumentFileFormat::readXmlWithLibrary(&buffer, out);
}

// Whether the bytes hold what no XML document holds anywhere: no UTF-8, or a
// character outside XML 1.0's characters. Read on its own, not with the readers'
// code.
bool holdsANonXmlCharacter(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder(bytes);
    if (decoder.hasError())
        return true;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0x20 ? c != 0x9 && c != 0xA && c != 0xD : c == 0xFFFE || c == 0xFFFF)
            return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    // A node without a date of its own is dated at the moment of reading: the same
    // moment for both readers.
    if (!platform::Clock::isFrozen())
        platform::Clock::setNow(QDateTime::currentDateTimeUtc());
    DocumentFileFormat::ReadResult direct;
    bool handedOver = false;
    const bool directRead = readWith(true, bytes, direct, &handedOver);

    if (handedOver) {
        if (directRead || direct.root)
            std::abort(); // handed over, yet read
        return 0;
    }
    DocumentFileFormat::ReadResult library;
    const bool libraryRead = readWith(false, bytes, library, nullptr);
    if (directRead && !libraryRead)
        std::abort(); // taken where the library refuses
    if (!directRead && libraryRead && !holdsANonXmlCharacter(bytes))
        std::abort(); // refused where neither the library nor the format's rules refuse
    if (directRead && libraryRead
        && DocumentFileFormat::toXmlData(*direct.root, direct.store)
               != DocumentFileFormat::toXmlData(*library.root, library.store))
        std::abort();
    return 0;
}
