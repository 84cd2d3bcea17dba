#pragma once
// One page of a PDF document as a value: the document's bytes (implicitly shared, so
// copies are cheap and may cross threads) and the page's number from 0. Rendering
// opens the document anew each time, through Poppler, so a page can be rendered on
// any thread at the same time as others.
//
// render() draws the page's crop box into a picture of the wanted size (y down):
// when the wanted width is not larger than the crop box's, the page is fitted with
// its aspect ratio kept and centred; when it is larger, the page is scaled by
// wanted width / crop width and stands on the picture's bottom-left corner (what
// does not fit is cut off at the top). The background is white, or clear when asked.
//
// Reentrant value type. Failures: a document Poppler cannot open, a locked one, a
// page number out of range, or a wanted size of no pixels or past the bounds
// (MaxSide a side, MaxPixels in all) give a null QImage and an empty crop box.
#include <QByteArray>
#include <QImage>
#include <QMetaType>
#include <QSizeF>
#include <QString>

namespace platform {

class PdfPage
{
public:
    static constexpr int MaxSide = 32768;
    static constexpr qint64 MaxPixels = 100'000'000;
    // Files over this are not read.
    static constexpr qint64 MaxFileBytes = 256LL * 1024 * 1024;

    PdfPage() = default;
    PdfPage(QByteArray document, int pageIndex) : m_document(std::move(document)), m_index(pageIndex) {}
    // A page of a file (null when the file cannot be read).
    static PdfPage fromFile(const QString &path, int pageIndex);

    bool isNull() const { return m_document.isEmpty(); }
    QByteArray document() const { return m_document; }
    int pageIndex() const { return m_index; }

    // The crop box's size in points (empty for a page that cannot be opened).
    QSizeF cropBoxSize() const;
    QImage render(const QSize &wanted, bool transparentBackground) const;

private:
    QByteArray m_document;
    int m_index = 0;
};

} // namespace platform

Q_DECLARE_METATYPE(platform::PdfPage)
