#pragma once
// Decodes an encoded image (PNG, JPEG, GIF, BMP, any format Qt reads) with bounds,
// for data that nobody vouches for: the header's size is checked before a pixel is
// decoded (over MaxSide pixels a side or MaxPixels in all: refused), Qt's allocation
// limit is MaxAllocationMiB, encoded data over MaxEncodedBytes is not read, and an
// image that fails to decode or whose data stops short (a PNG without its end chunk,
// a JPEG without its end marker, a GIF without its trailer) answers a null QImage. A wanted size scales the picture down while
// it is decoded (QImageReader::setScaledSize) so that its longer side is at most the
// longer side of the wanted size; a picture is never scaled up.
//
// Stateless and reentrant: any thread. Failures: a null QImage, never a message.
#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <functional>

class QIODevice;

namespace platform {

class BoundedImageReader
{
public:
    static constexpr int MaxSide = 32768;
    static constexpr qint64 MaxPixels = 100'000'000;
    static constexpr int MaxAllocationMiB = 128;
    static constexpr qint64 MaxEncodedBytes = 256LL * 1024 * 1024;

    // An empty or invalid wanted size decodes at the image's own size.
    static QImage read(QIODevice &device, const QSize &wanted);
    static QImage fromData(const QByteArray &data, const QSize &wanted);
    static QImage fromFile(const QString &path, const QSize &wanted);

    // The size the picture is decoded at: `size` scaled down to fit a square of the
    // wanted size's longer side, aspect ratio kept (at least 1 x 1).
    static QSize scaledSize(const QSize &size, const QSize &wanted);
    // Whether a header's size is within the bounds.
    static bool acceptsSize(const QSize &size);
    // Whether data of a format that marks its end (PNG, JPEG, GIF) reaches that mark
    // (a PNG: every chunk within the data, up to its end chunk); data of other
    // formats passes.
    static bool looksComplete(const QByteArray &data);
    // Walks the chunks of a PNG (type and data of each, up to the end chunk); answers
    // whether the data is a PNG whose chunks all lie within it up to that end.
    using PngChunkVisitor = std::function<void(const QByteArray &type, const QByteArray &data)>;
    static bool walkPngChunks(const QByteArray &png, const PngChunkVisitor &visit = {});
};

} // namespace platform
