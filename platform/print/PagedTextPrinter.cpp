#include "platform/print/PagedTextPrinter.h"

#include "platform/print/PrintInfo.h"

#include <QAbstractTextDocumentLayout>
#include <QCoreApplication>
#include <QImage>
#include <QLocale>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QPalette>
#include <algorithm>
#include <cmath>

// Qt's default resolution, which the text layout scales tab stops against.
Q_GUI_EXPORT int qt_defaultDpiY();

namespace platform {

namespace {

// A device of 72 dots per inch: the layout measures fonts in points on it.
QPaintDevice *pointDevice()
{
    static QImage device = [] {
        QImage image(1, 1, QImage::Format_RGB32);
        // 72 dpi is 2834.6 dots per metre; QImage answers the rounded inch value.
        image.setDotsPerMeterX(2835);
        image.setDotsPerMeterY(2835);
        return image;
    }();
    return &device;
}

// What the layout multiplies a tab position or a fixed line height by: the layout
// device's resolution against the application's default one.
qreal tabScale()
{
    return qreal(pointDevice()->logicalDpiY()) / qreal(qt_defaultDpiY());
}

QString tr(const char *text)
{
    return QCoreApplication::translate("platform::PagedTextPrinter", text);
}

// Paints the paragraphs of the text that the clip meets, as Qt's layout paints its
// paragraphs of plain text (the text's colour, its formats, the clip), from the first
// one of the clip on: Qt's own drawing looks at every paragraph from the text's start
// on each page, which makes a long text's pages take a time that grows with the square
// of their number. Paragraphs stand one below the other (the text has no tables,
// frames or floats).
void drawBlocks(const QTextDocument &document, QPainter &painter, const QRectF &clip)
{
    const QAbstractTextDocumentLayout *layout = document.documentLayout();
    // The first paragraph that ends below the clip's top.
    int low = 0;
    int high = document.blockCount();
    while (low < high) {
        const int middle = low + (high - low) / 2;
        if (layout->blockBoundingRect(document.findBlockByNumber(middle)).bottom() < clip.top())
            low = middle + 1;
        else
            high = middle;
    }
    painter.setPen(QAbstractTextDocumentLayout::PaintContext().palette.color(QPalette::Text));
    for (QTextBlock block = document.findBlockByNumber(low); block.isValid(); block = block.next()) {
        if (!block.isVisible())
            continue;
        const QTextLayout *text = block.layout();
        QRectF bounds = text->boundingRect();
        bounds.translate(text->position());
        if (bounds.top() > clip.bottom())
            break;
        if (bounds.bottom() < clip.top())
            continue;
        text->draw(&painter, QPointF(), {}, clip);
    }
}

} // namespace

QList<QTextOption::Tab> PagedTextPrinter::layoutTabs(const QList<QTextOption::Tab> &fromMargin, qreal leftIndent)
{
    QList<QTextOption::Tab> tabs = fromMargin;
    for (QTextOption::Tab &tab : tabs)
        tab.position = (tab.position - leftIndent) / tabScale();
    return tabs;
}

QList<QTextOption::Tab> PagedTextPrinter::marginTabs(const QList<QTextOption::Tab> &layoutTabs, qreal leftIndent)
{
    QList<QTextOption::Tab> tabs = layoutTabs;
    for (QTextOption::Tab &tab : tabs)
        tab.position = tab.position * tabScale() + leftIndent;
    return tabs;
}

void PagedTextPrinter::layOut(QTextDocument &document, qreal width, qreal height)
{
    const bool newDevice = document.documentLayout()->paintDevice() != pointDevice();
    if (newDevice)
        document.documentLayout()->setPaintDevice(pointDevice());
    document.setDocumentMargin(0);
    // Setting the page size lays the whole text out anew: text laid out already (on a
    // pool thread) for the page it is printed on is left as it is.
    const QSizeF page(std::max<qreal>(1, width), std::max<qreal>(1, height));
    if (newDevice || document.pageSize() != page)
        document.setPageSize(page);
}

int PagedTextPrinter::maximumPages(qreal pageHeight)
{
    return pageHeight > 0 ? std::max(1, int(std::floor(MaximumTextHeight / pageHeight))) : 1;
}

QString PagedTextPrinter::tooTallReason(qreal pageHeight)
{
    return tr("The text is too long to be laid out on pages: it takes more than %1 pages, the most that "
              "can be printed at once. Print or export fewer jobs, or without time or day entries.")
        .arg(QLocale().toString(maximumPages(pageHeight)));
}

QPaintDevice *PagedTextPrinter::layoutDevice()
{
    return pointDevice();
}

bool PagedTextPrinter::layOutWhole(QTextDocument &document, qreal width, qreal height,
                                   const std::function<bool(double done)> &progress, QString *errorReason)
{
    layOut(document, width, height);
    QAbstractTextDocumentLayout *layout = document.documentLayout();
    // Past the tallest text the layout can place, the positions wrap around to the
    // most negative ones: a paragraph that ends above the one before it, or below the
    // bound, is one the layout could not place.
    qreal reached = 0;
    const auto placed = [&](qreal bottom) {
        if (bottom < reached || bottom > MaximumTextHeight)
            return false;
        reached = bottom;
        return true;
    };
    const auto refuse = [&] {
        if (errorReason)
            *errorReason = tooTallReason(height);
        return false;
    };
    const int blocks = document.blockCount();
    constexpr int BlocksAStep = 2000;
    for (int block = std::min(BlocksAStep, blocks - 1);; block = std::min(block + BlocksAStep, blocks - 1)) {
        if (!placed(layout->blockBoundingRect(document.findBlockByNumber(block)).bottom()))
            return refuse();
        if (block >= blocks - 1)
            break;
        if (progress && !progress(double(block) / double(blocks)))
            return false;
    }
    if (!placed(document.size().height()))
        return refuse();
    // Qt's layout tells its new size through a timer of its own when it ends outside a
    // change of the text (as it just did); a change ended inside stops that timer.
    // Marking the last paragraph changed lays that paragraph out again, within such a
    // change, and leaves no timer behind.
    const QTextBlock last = document.lastBlock();
    document.markContentsDirty(last.position(), last.length());
    if (!placed(document.size().height()))
        return refuse();
    return !progress || progress(1);
}

int PagedTextPrinter::pageCount(const QTextDocument &document, qreal pageHeight)
{
    return pageCount(document.size().height(), pageHeight);
}

int PagedTextPrinter::pageCount(qreal height, qreal pageHeight)
{
    if (pageHeight <= 0)
        return 1;
    return std::max(1, int(std::ceil(height / pageHeight - 1e-6)));
}

std::optional<qreal> PagedTextPrinter::placeStretch(QTextDocument &stretch, qreal above, qreal width, qreal pageHeight,
                                                    QString *errorReason)
{
    // The layout moves a line that would cross the end of a page to the next page, at
    // the pages' places from the text's start (in its 64ths of a point): a stretch is
    // laid out after a spacer as tall as the text before it stands into its last page,
    // so that its lines meet the same page ends as in the whole text.
    const qint64 unit = 64;
    const qint64 pageUnits = qRound64(pageHeight * unit);
    const qint64 into = pageUnits > 0 ? qRound64(above * unit) % pageUnits : 0;
    if (into > 0) {
        QTextCursor cursor(&stretch);
        cursor.insertBlock(cursor.blockFormat(), cursor.blockCharFormat());
        cursor.movePosition(QTextCursor::Start);
        QTextBlockFormat spacer;
        // Scaled by the layout as tab stops are.
        spacer.setLineHeight(qreal(into) / unit / tabScale(), QTextBlockFormat::FixedHeight);
        cursor.setBlockFormat(spacer);
    }
    if (!layOutWhole(stretch, width, pageHeight, {}, errorReason))
        return std::nullopt;
    const qreal top = above - qreal(into) / unit;
    if (top + stretch.size().height() > MaximumTextHeight) {
        if (errorReason)
            *errorReason = tooTallReason(pageHeight);
        return std::nullopt;
    }
    return top;
}

void PagedTextPrinter::drawStretchesPage(const std::vector<PlacedStretch> &stretches, qreal height, QPainter &painter,
                                         const PrintInfo &info, QSizeF page, int number)
{
    const qreal pageHeight = page.height();
    const qreal top = number * pageHeight;
    qreal offset = 0;
    if (info.isVerticallyCentered() && number == pageCount(height, pageHeight) - 1)
        offset = std::max<qreal>(0, (pageHeight - (height - top)) / 2);
    painter.save();
    painter.translate(0, offset - top);
    const QRectF clip(0, top, page.width(), pageHeight);
    painter.setClipRect(clip, Qt::IntersectClip);
    for (const PlacedStretch &stretch : stretches) {
        painter.save();
        painter.translate(0, stretch.top);
        drawBlocks(*stretch.text, painter, clip.translated(0, -stretch.top));
        painter.restore();
    }
    painter.restore();
}

void PagedTextPrinter::drawPage(const QTextDocument &document, QPainter &painter, const PrintInfo &info, QSizeF page,
                                int number)
{
    // The whole text is one stretch at the top.
    drawStretchesPage({{&document, 0}}, document.size().height(), painter, info, page, number);
}

bool PagedTextPrinter::print(QTextDocument &document, QPagedPaintDevice &device, const PrintInfo &info,
                             bool keepDeviceLayout, QString *errorReason, const PageProgress &progress)
{
    if (!keepDeviceLayout)
        info.applyTo(device);
    const QPageLayout layout = device.pageLayout();
    const QRectF paintRect = layout.paintRect(QPageLayout::Point);
    layOut(document, paintRect.width(), paintRect.height());

    QPainter painter;
    if (!painter.begin(&device)) {
        if (errorReason)
            *errorReason = tr("The output could not be started.");
        return false;
    }
    // The painter's origin is the top left corner of the paintable area, in device
    // pixels; the layout is in points.
    const qreal scaleX = device.logicalDpiX() / 72.0;
    const qreal scaleY = device.logicalDpiY() / 72.0;
    const int pages = pageCount(document, paintRect.height());
    for (int page = 0; page < pages; ++page) {
        if (progress && !progress(page, pages)) {
            painter.end();
            return false;
        }
        if (page > 0 && !device.newPage())
            break;
        painter.save();
        painter.scale(scaleX, scaleY);
        drawPage(document, painter, info, paintRect.size(), page);
        painter.restore();
    }
    painter.end();
    return true;
}

PagedTextPrinter::Stretches::Stretches(QPagedPaintDevice &device, const PrintInfo &info, bool keepDeviceLayout)
    : m_device(device), m_info(info)
{
    if (!keepDeviceLayout)
        info.applyTo(device);
    m_paintRect = device.pageLayout().paintRect(QPageLayout::Point);
}

PagedTextPrinter::Stretches::~Stretches()
{
    if (m_painter && m_painter->isActive())
        m_painter->end();
}

QSizeF PagedTextPrinter::Stretches::page() const
{
    return m_paintRect.size();
}

bool PagedTextPrinter::Stretches::begin(QString *errorReason)
{
    if (m_painter)
        return !m_failed;
    m_painter = std::make_unique<QPainter>();
    if (!m_painter->begin(&m_device)) {
        m_failed = true;
        if (errorReason)
            *errorReason = tr("The output could not be started.");
    }
    return !m_failed;
}

void PagedTextPrinter::Stretches::paint(int number)
{
    // A page the device cannot begin ends the output, as print() ends it.
    if (m_failed || (number > 0 && !m_device.newPage())) {
        m_failed = true;
        return;
    }
    std::vector<PlacedStretch> placed;
    for (const Held &held : m_held)
        placed.push_back({held.text.get(), held.top});
    QPainter &painter = *m_painter;
    painter.save();
    painter.scale(m_device.logicalDpiX() / 72.0, m_device.logicalDpiY() / 72.0);
    // Only the last page can be centred, and it is painted once the text is whole.
    drawStretchesPage(placed, m_height, painter, m_info, m_paintRect.size(), number);
    painter.restore();
}

bool PagedTextPrinter::Stretches::add(std::unique_ptr<QTextDocument> stretch, QString *errorReason)
{
    if (!begin(errorReason))
        return false;
    const qreal pageHeight = m_paintRect.height();
    const std::optional<qreal> top = placeStretch(*stretch, m_height, m_paintRect.width(), pageHeight, errorReason);
    if (!top)
        return false;
    m_height = *top + stretch->size().height();
    m_held.push_back({std::move(stretch), *top});
    // The pages the text has passed the end of are whole: nothing that comes later
    // stands on them (a paragraph that begins right at a page's end is drawn on it,
    // clipped, as print() draws it; one that ends right at a page's top on that page).
    while (pageHeight > 0 && (m_page + 1) * pageHeight < m_height) {
        paint(m_page++);
        const qreal done = m_page * pageHeight;
        std::erase_if(m_held, [&](const Held &held) { return held.top + held.text->size().height() < done; });
    }
    return true;
}

bool PagedTextPrinter::Stretches::finish(QString *errorReason)
{
    if (!begin(errorReason))
        return false;
    const int pages = pageCount(m_height, m_paintRect.height());
    for (; m_page < pages; ++m_page)
        paint(m_page);
    m_held.clear();
    m_painter->end();
    return true;
}

} // namespace platform
