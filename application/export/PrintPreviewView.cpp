#include "application/export/PrintPreviewView.h"

#include "application/export/PreviewText.h"
#include "platform/print/PagedTextPrinter.h"

#include <QPainter>
#include <QPaintEvent>
#include <QScrollBar>
#include <QTextDocument>
#include <algorithm>
#include <cmath>

namespace {

// The grey around the pages, in screen pixels.
constexpr int Gap = 10;

} // namespace

PrintPreviewView::PrintPreviewView(QWidget *parent) : QAbstractScrollArea(parent)
{
    setObjectName(QStringLiteral("printPreviewView"));
    viewport()->setBackgroundRole(QPalette::Dark);
    viewport()->setAutoFillBackground(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

void PrintPreviewView::setText(const QTextDocument *text, const QPageLayout &page, const platform::PrintInfo &info)
{
    m_text = text;
    m_previewText = nullptr;
    showText(text ? platform::PagedTextPrinter::pageCount(*text, page.paintRect(QPageLayout::Point).height()) : 0, page,
             info);
}

void PrintPreviewView::setText(const PreviewText *text, const QPageLayout &page, const platform::PrintInfo &info)
{
    m_text = nullptr;
    m_previewText = text;
    showText(text ? text->pageCount() : 0, page, info);
}

void PrintPreviewView::showText(int pages, const QPageLayout &page, const platform::PrintInfo &info)
{
    m_page = page;
    m_info = info;
    m_pages = pages;
    updateScrollBars();
    verticalScrollBar()->setValue(0);
    viewport()->update();
    Q_EMIT previewChanged();
}

void PrintPreviewView::clear()
{
    setText(static_cast<const QTextDocument *>(nullptr), m_page, m_info);
}

qreal PrintPreviewView::pixelsPerPoint() const
{
    return zoomFactor() * logicalDpiY() / 72.0;
}

QSizeF PrintPreviewView::paperPixels() const
{
    return m_page.fullRect(QPageLayout::Point).size() * pixelsPerPoint();
}

int PrintPreviewView::pageStride() const
{
    return std::max(1, int(std::ceil(paperPixels().height())) + Gap);
}

qreal PrintPreviewView::zoomFactor() const
{
    const QSizeF paper = m_page.fullRect(QPageLayout::Point).size() * (logicalDpiY() / 72.0);
    if (m_zoomMode == CustomZoom || paper.isEmpty())
        return m_zoom;
    const QSize room = viewport()->size() - QSize(2 * Gap, 2 * Gap);
    qreal factor = room.width() / paper.width();
    if (m_zoomMode == FitInView)
        factor = std::min(factor, room.height() / paper.height());
    return std::clamp(factor, MinimumZoom, MaximumZoom);
}

void PrintPreviewView::setZoomFactor(qreal factor)
{
    const int page = currentPage();
    m_zoomMode = CustomZoom;
    m_zoom = std::clamp(factor, MinimumZoom, MaximumZoom);
    updateScrollBars();
    setCurrentPage(page);
    viewport()->update();
    Q_EMIT previewChanged();
}

void PrintPreviewView::setZoomMode(ZoomMode mode)
{
    if (mode == CustomZoom) {
        setZoomFactor(zoomFactor());
        return;
    }
    const int page = currentPage();
    m_zoomMode = mode;
    updateScrollBars();
    setCurrentPage(page);
    viewport()->update();
    Q_EMIT previewChanged();
}

void PrintPreviewView::zoomIn(qreal factor)
{
    setZoomFactor(zoomFactor() * factor);
}

void PrintPreviewView::zoomOut(qreal factor)
{
    setZoomFactor(zoomFactor() / factor);
}

int PrintPreviewView::currentPage() const
{
    if (m_pages == 0)
        return 0;
    // The page at the top of the view, until more than half of it is scrolled past.
    const int stride = pageStride();
    return std::clamp((verticalScrollBar()->value() + stride / 2) / stride + 1, 1, m_pages);
}

void PrintPreviewView::setCurrentPage(int page)
{
    if (m_pages == 0)
        return;
    page = std::clamp(page, 1, m_pages);
    verticalScrollBar()->setValue((page - 1) * pageStride());
}

void PrintPreviewView::updateScrollBars()
{
    const QSizeF paper = paperPixels();
    const qint64 height = qint64(m_pages) * pageStride() + Gap;
    const int width = int(std::ceil(paper.width())) + 2 * Gap;
    QScrollBar *vertical = verticalScrollBar();
    vertical->setRange(0, int(std::clamp<qint64>(height - viewport()->height(), 0, INT_MAX)));
    vertical->setPageStep(viewport()->height());
    vertical->setSingleStep(std::max(1, viewport()->height() / 20));
    QScrollBar *horizontal = horizontalScrollBar();
    horizontal->setRange(0, std::max(0, width - viewport()->width()));
    horizontal->setPageStep(viewport()->width());
    horizontal->setSingleStep(std::max(1, viewport()->width() / 20));
}

void PrintPreviewView::drawPage(QPainter &painter, int page) const
{
    if (!m_text && !m_previewText)
        return;
    const QRectF paintRect = m_page.paintRect(QPageLayout::Point);
    painter.save();
    painter.translate(paintRect.topLeft());
    if (m_previewText)
        m_previewText->drawPage(painter, m_info, page);
    else
        platform::PagedTextPrinter::drawPage(*m_text, painter, m_info, paintRect.size(), page);
    painter.restore();
}

void PrintPreviewView::paintEvent(QPaintEvent *event)
{
    if (m_pages == 0)
        return;
    QPainter painter(viewport());
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QSizeF paper = paperPixels();
    const int stride = pageStride();
    const int top = verticalScrollBar()->value();
    const int width = viewport()->width();
    // Centred when the view is wider than the paper.
    const qreal left = paper.width() + 2 * Gap < width ? (width - paper.width()) / 2 : Gap - horizontalScrollBar()->value();
    const QRect exposed = event->rect();
    const int first = std::max(0, (top + exposed.top() - Gap) / stride);
    const qreal scale = pixelsPerPoint();
    for (int page = first; page < m_pages; ++page) {
        const qreal y = qreal(page) * stride + Gap - top;
        if (y > exposed.bottom())
            break;
        const QRectF sheet(QPointF(left, y), paper);
        painter.fillRect(sheet.translated(2, 2), palette().color(QPalette::Shadow));
        painter.fillRect(sheet, Qt::white);
        painter.save();
        painter.translate(sheet.topLeft());
        painter.setClipRect(QRectF(QPointF(), paper));
        painter.scale(scale, scale);
        drawPage(painter, page);
        painter.restore();
    }
}

void PrintPreviewView::resizeEvent(QResizeEvent *event)
{
    const int page = currentPage();
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
    if (m_zoomMode != CustomZoom) {
        setCurrentPage(page);
        Q_EMIT previewChanged();
    }
}

void PrintPreviewView::scrollContentsBy(int dx, int dy)
{
    QAbstractScrollArea::scrollContentsBy(dx, dy);
    viewport()->update();
    Q_EMIT previewChanged();
}
