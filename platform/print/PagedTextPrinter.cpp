#include "platform/print/PagedTextPrinter.h"

#include "platform/print/PrintInfo.h"

#include <QAbstractTextDocumentLayout>
#include <QCoreApplication>
#include <QImage>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QTextDocument>
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

// What the layout multiplies a tab position by: the layout device's resolution
// against the application's default one.
qreal tabScale()
{
    return qreal(pointDevice()->logicalDpiY()) / qreal(qt_defaultDpiY());
}

QString tr(const char *text)
{
    return QCoreApplication::translate("platform::PagedTextPrinter", text);
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
    const qreal pageHeight = paintRect.height();
    const qreal total = document.size().height();
    const int pages = std::max(1, int(std::ceil(total / pageHeight - 1e-6)));
    for (int page = 0; page < pages; ++page) {
        if (progress && !progress(page, pages)) {
            painter.end();
            return false;
        }
        if (page > 0 && !device.newPage())
            break;
        const qreal top = page * pageHeight;
        qreal offset = 0;
        if (info.isVerticallyCentered() && page == pages - 1)
            offset = std::max<qreal>(0, (pageHeight - (total - top)) / 2);
        painter.save();
        painter.scale(scaleX, scaleY);
        painter.translate(0, offset - top);
        QAbstractTextDocumentLayout::PaintContext context;
        context.clip = QRectF(0, top, paintRect.width(), pageHeight);
        painter.setClipRect(context.clip);
        document.documentLayout()->draw(&painter, context);
        painter.restore();
    }
    painter.end();
    return true;
}

} // namespace platform
