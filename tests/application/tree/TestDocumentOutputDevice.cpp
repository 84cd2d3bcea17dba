// The device a document is written through, as its writer uses it: many small
// writes, a byte limit over all of them, and a failure that stays.
#include "application/tree/DocumentOutputDevice.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QXmlStreamWriter>

namespace {

// Writes an element of the given text per step until the writer has written the
// bytes asked for or the device refused.
qint64 writeElements(QXmlStreamWriter &writer, DocumentOutputDevice &device, qint64 bytes)
{
    writer.writeStartDocument();
    writer.writeStartElement(QStringLiteral("Chronark"));
    while (device.bytesAccepted() < bytes && !device.failed())
        writer.writeTextElement(QStringLiteral("node"), QStringLiteral("0123456789"));
    writer.writeEndElement();
    writer.writeEndDocument();
    return device.bytesAccepted();
}

} // namespace

// The limit counts every byte the device took, not each write alone: a document
// larger than the limit in small pieces fails, and the target never holds more.
TEST(DocumentOutputDevice, TheLimitHoldsForAllWritesTogether)
{
    QBuffer target;
    ASSERT_TRUE(target.open(QIODevice::WriteOnly));
    const qint64 limit = 4096;
    DocumentOutputDevice device(&target, limit);
    QXmlStreamWriter writer(&device);
    writeElements(writer, device, 3 * limit);
    EXPECT_TRUE(device.failed()) << "a document three times the limit was taken whole";
    EXPECT_TRUE(writer.hasError());
    EXPECT_FALSE(device.failureReason().isEmpty());
    EXPECT_LE(device.bytesAccepted(), limit);
    EXPECT_FALSE(device.flushToTarget());
    EXPECT_LE(target.size(), limit);
    // The failure stays: nothing more is taken.
    EXPECT_EQ(device.write("x", 1), -1);
}

// Up to the limit exactly everything is taken and handed on, in order.
TEST(DocumentOutputDevice, EveryByteUpToTheLimitIsHandedOn)
{
    QBuffer target;
    ASSERT_TRUE(target.open(QIODevice::WriteOnly));
    QByteArray expected;
    DocumentOutputDevice device(&target, 1000);
    for (int piece = 0; piece < 100; ++piece) {
        const QByteArray bytes = QByteArray::number(piece % 10).repeated(10);
        ASSERT_EQ(device.write(bytes), 10) << piece;
        expected += bytes;
    }
    EXPECT_EQ(device.bytesAccepted(), 1000);
    EXPECT_FALSE(device.failed());
    ASSERT_TRUE(device.flushToTarget());
    EXPECT_EQ(target.data(), expected);
    // One byte more is past the limit.
    EXPECT_EQ(device.write("x", 1), -1);
    EXPECT_TRUE(device.failed());
    EXPECT_EQ(target.data(), expected);
}
