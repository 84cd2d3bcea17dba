#pragma once
// Lays a QTextDocument out in points and paints it page by page on a printer or a
// PDF writer, the same on both: one layout unit is one point (the layout runs on a
// 72-dpi device, whatever the output's resolution), text is as wide as the page's
// paintable area, and the pages follow the device's page layout. With vertical
// centring, the text of a page that does not fill it stands in the middle.
//
// Stateless and reentrant: any thread may lay out and paint a document of its own on
// a device of its own (Qt measures and paints text off the GUI thread on images,
// pictures and PDF writers; a printer of the system's print dialog is painted on the
// GUI thread). Failure: print() answers false with a reason when painting cannot
// begin on the device, and false without one when the progress stopped it; the
// document is left laid out. Qt's layout places text by 26.6 fixed-point numbers of
// points: no text taller than MaximumTextHeight can be laid out (past it the positions
// wrap around and the pages after it are lost), and layOutWhole() refuses such a text
// with the reason before a page of it is painted.
#include <QList>
#include <QSizeF>
#include <QString>
#include <QTextOption>
#include <QRectF>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QPagedPaintDevice;
class QPaintDevice;
class QPainter;
class QTextDocument;

namespace platform {

class PrintInfo;

class PagedTextPrinter
{
public:
    // Tab stops in points from the left margin, as a block of the given left indent
    // holds them for this layout (Qt measures stops from the indent, in units scaled
    // by the device's resolution against the default one), and back.
    static QList<QTextOption::Tab> layoutTabs(const QList<QTextOption::Tab> &fromMargin, qreal leftIndent);
    static QList<QTextOption::Tab> marginTabs(const QList<QTextOption::Tab> &layoutTabs, qreal leftIndent);

    // Lays the document out for pages of the given width and height in points (a
    // document laid out for them already is left as it is).
    static void layOut(QTextDocument &document, qreal width, qreal height);
    // The tallest text the layout can place: 2^31 64ths of a point.
    static constexpr qreal MaximumTextHeight = 33554432;
    // The most pages of the height that a text can fill.
    static int maximumPages(qreal pageHeight);
    // Why a text taller than MaximumTextHeight is refused, for pages of the height.
    static QString tooTallReason(qreal pageHeight);
    // The device layOut() measures on: one unit a point. A paragraph laid out on it in
    // a QTextLayout of the document's font, text option and the block's tabs takes the
    // lines it takes in the document.
    static QPaintDevice *layoutDevice();
    // Lays the whole document out for pages of the given width and height in points,
    // now, a stretch of paragraphs at a time, telling the progress (0 to 1) after each.
    // Answers false with the reason for a text taller than MaximumTextHeight (found
    // as soon as the layout passes it), false without one when the progress stopped
    // it. Laid out, the text leaves nothing of Qt's layout waiting on the thread (no
    // timer of its own), so it may be handed to another thread as it is.
    static bool layOutWhole(QTextDocument &document, qreal width, qreal height,
                            const std::function<bool(double done)> &progress = {}, QString *errorReason = nullptr);
    // Told before each page is painted (0-based) how many pages there are; answers
    // whether to go on.
    using PageProgress = std::function<bool(int page, int pages)>;

    // The pages of a text laid out for pages of the given height: one at least.
    static int pageCount(const QTextDocument &document, qreal pageHeight);
    // Paints one page (0-based) of the text laid out (layOut()) for pages of the given
    // size, in points from the painter's origin, the top left corner of the page's
    // paintable area; the same on any device, and as long for the last page of a long
    // text as for its first. The painter's state is left as it was.
    static void drawPage(const QTextDocument &document, QPainter &painter, const PrintInfo &info, QSizeF page,
                         int number);

    // Applies the print info to the device, lays the document out for its page and
    // paints every page. A device that already has a page layout of its own (a
    // printer set up in its dialog) keeps it when keepDeviceLayout is set. A progress
    // that answers false ends the output after the pages painted so far.
    static bool print(QTextDocument &document, QPagedPaintDevice &device, const PrintInfo &info,
                      bool keepDeviceLayout = false, QString *errorReason = nullptr,
                      const PageProgress &progress = {});

    // Prints a text that comes in stretches, the paragraphs of each following those of
    // the one before (each stretch a document of its own, in the text's font), and
    // paints the pages print() paints for the whole text: each stretch is laid out as
    // it comes, a page is painted once the text has passed its end, and a stretch goes
    // once its pages are painted. Only the stretches of the page under way are held,
    // so the memory does not grow with the text. A stretch ends with its last
    // paragraph (no empty paragraph after it) unless it is the text's last.
    // Sets a stretch of such a text where it stands when the text before it is `above`
    // points tall, and lays it out for pages of the given width and height: a spacer
    // paragraph goes before its first one, so that its lines meet the page ends they
    // meet in the whole text. Answers the stretch's top in the text (its spacer's top),
    // or nothing with the reason when the text would pass MaximumTextHeight. A stretch
    // set so again (the same text after the same height) stands the same.
    static std::optional<qreal> placeStretch(QTextDocument &stretch, qreal above, qreal width, qreal pageHeight,
                                             QString *errorReason = nullptr);
    // A stretch placed with placeStretch(), at its top.
    struct PlacedStretch
    {
        const QTextDocument *text = nullptr;
        qreal top = 0;
    };
    // Paints page `number` (0-based) of a text of the given height, of which the
    // stretches hold (at least) every paragraph on that page, as drawPage() paints the
    // whole text's page: in points from the painter's origin, the last page centred as
    // print() centres it. The painter's state is left as it was.
    static void drawStretchesPage(const std::vector<PlacedStretch> &stretches, qreal height, QPainter &painter,
                                  const PrintInfo &info, QSizeF page, int number);
    // The pages of a text of the height, on pages of the given height: one at least.
    static int pageCount(qreal height, qreal pageHeight);

    class Stretches
    {
    public:
        // The print info is applied to the device unless keepDeviceLayout is set.
        Stretches(QPagedPaintDevice &device, const PrintInfo &info, bool keepDeviceLayout = false);
        ~Stretches();
        Stretches(const Stretches &) = delete;
        Stretches &operator=(const Stretches &) = delete;

        // The width and height of the text on a page, in points.
        QSizeF page() const;
        // Lays the stretch out and paints the pages it completes. False with the
        // reason when the output could not begin or the text passes
        // MaximumTextHeight (the pages painted so far are then not a print).
        bool add(std::unique_ptr<QTextDocument> stretch, QString *errorReason = nullptr);
        // Paints the pages left (the last one centred as print() centres it) and ends
        // the output. A text that never had a stretch is one empty page.
        bool finish(QString *errorReason = nullptr);

    private:
        struct Held
        {
            std::unique_ptr<QTextDocument> text;
            qreal top = 0;
        };
        bool begin(QString *errorReason);
        void paint(int number);

        QPagedPaintDevice &m_device;
        const PrintInfo &m_info;
        QRectF m_paintRect;
        std::unique_ptr<QPainter> m_painter;
        std::vector<Held> m_held;
        qreal m_height = 0;
        int m_page = 0;
        bool m_failed = false;
    };
};

} // namespace platform
