#include "platform/media/BoundedImageReader.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QtEndian>
#include <algorithm>
#include <cmath>

namespace platform {

bool BoundedImageReader::acceptsSize(const QSize &size)
{
    return size.width() > 0 && size.height() > 0 && size.width() <= MaxSide && size.height() <= MaxSide
        && qint64(size.width()) * size.height() <= MaxPixels;
}

QSize BoundedImageReader::scaledSize(const QSize &size, const QSize &wanted)
{
    const int limit = std::max(wanted.width(), wanted.height());
    const int longer = std::max(size.width(), size.height());
    if (limit <= 0 || longer <= limit)
        return size;
    const double factor = double(limit) / longer;
    return QSize(std::max(1, int(std::lround(size.width() * factor))), std::max(1, int(std::lround(size.height() * factor))));
}

bool BoundedImageReader::walkPngChunks(const QByteArray &png, const PngChunkVisitor &visit)
{
    static const QByteArray signature("\x89PNG\r\n\x1a\n", 8);
    if (!png.startsWith(signature))
        return false;
    qsizetype at = signature.size();
    // Each chunk: length (4, big-endian), type (4), data, CRC (4).
    while (png.size() - at >= 12) {
        const quint32 length = qFromBigEndian<quint32>(png.constData() + at);
        if (length > quint32(png.size() - at - 12))
            return false;
        const QByteArray type = png.mid(at + 4, 4);
        if (visit)
            visit(type, png.mid(at + 8, qsizetype(length)));
        at += 12 + qsizetype(length);
        if (type == "IEND")
            return true;
    }
    return false;
}

bool BoundedImageReader::looksComplete(const QByteArray &data)
{
    // Trailing bytes after the end mark are common; a short window allows for them.
    const auto tail = [&data](qsizetype window) { return data.right(std::min<qsizetype>(window, data.size())); };
    if (data.startsWith("\x89PNG\r\n\x1a\n"))
        return walkPngChunks(data);
    if (data.startsWith("\xff\xd8"))
        return tail(64).contains("\xff\xd9");
    if (data.startsWith("GIF8"))
        return tail(16).contains('\x3b');
    return true;
}

QImage BoundedImageReader::fromData(const QByteArray &data, const QSize &wanted)
{
    if (data.isEmpty() || data.size() > MaxEncodedBytes || !looksComplete(data))
        return QImage();
    QByteArray copy = data; // the buffer needs a non-const array; this shares it
    QBuffer buffer(&copy);
    if (!buffer.open(QIODevice::ReadOnly))
        return QImage();
    QImageReader reader(&buffer);
    reader.setAllocationLimit(MaxAllocationMiB);
    reader.setAutoTransform(true);
    if (!reader.canRead())
        return QImage();
    const QSize size = reader.size();
    // A format that tells no size before decoding is left to the allocation limit.
    if (size.isValid()) {
        if (!acceptsSize(size))
            return QImage();
        const QSize scaled = scaledSize(size, wanted);
        if (scaled != size && reader.supportsOption(QImageIOHandler::ScaledSize))
            reader.setScaledSize(scaled);
    }
    QImage image;
    if (!reader.read(&image) || image.isNull() || !acceptsSize(image.size()))
        return QImage();
    // Handlers without scaling decode whole; the picture still leaves at the size.
    const QSize fitted = scaledSize(image.size(), wanted);
    if (fitted != image.size())
        image = image.scaled(fitted, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return image;
}

QImage BoundedImageReader::read(QIODevice &device, const QSize &wanted)
{
    const QByteArray data = device.read(MaxEncodedBytes + 1);
    return data.size() > MaxEncodedBytes ? QImage() : fromData(data, wanted);
}

QImage BoundedImageReader::fromFile(const QString &path, const QSize &wanted)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > MaxEncodedBytes)
        return QImage();
    return read(file, wanted);
}

} // namespace platform
