// Fuzz target: the flow view's pictures from untrusted bytes. The first byte picks a
// wanted size; the rest is decoded as image data (which must answer nothing or a
// picture no larger than asked) and checked as a thumbnail of the cache (its PNG
// text chunks walked, then the picture decoded when they name the file).
#include "components/flowview/KZFlowView.h"
#include "platform/media/ThumbnailProvider.h"

#include <QByteArray>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    if (size < 1)
        return 0;
    static const QSizeF sizes[] = {{1, 1}, {16, 16}, {100, 100}, {0, 100}, {512, 384}, {2000, 10}, {-5, 40}, {64, 0.5}};
    const QSizeF wanted = sizes[bytes[0] % std::size(sizes)];
    const QByteArray data(reinterpret_cast<const char *>(bytes + 1), qsizetype(size - 1));

    const QImage image = KZFlowView::newImageFromData(data, wanted);
    if (!image.isNull()) {
        const int limit = std::max(int(wanted.width()), int(wanted.height()));
        if (wanted.width() < 1 || wanted.height() < 1 || std::max(image.width(), image.height()) > limit)
            abort();
    }

    const QHash<QString, QString> text = platform::ThumbnailProvider::pngText(data);
    const QString uri = text.value(QStringLiteral("Thumb::URI"));
    bool numeric = false;
    const qint64 mtime = text.value(QStringLiteral("Thumb::MTime")).toLongLong(&numeric);
    const QImage thumbnail = platform::ThumbnailProvider::checkedThumbnail(data, uri, numeric ? mtime : 0,
                                                                         wanted.toSize());
    if (!thumbnail.isNull() && (!numeric || text.isEmpty()))
        abort();
    return 0;
}
