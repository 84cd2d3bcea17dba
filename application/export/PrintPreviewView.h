#pragma once
// The print panel's preview: the pages of a text laid out for print (PagedTextPrinter),
// each on its sheet of paper with the page's margins, one under another on a grey
// ground, at a zoom factor or fitted to the view's width or to one whole page. Only the
// pages in view are painted, each when it is painted, from the laid-out text: a page
// costs the same whatever its number, and a text of any length shows at once. A zoom
// of 1 shows a page at its printed size on the screen.
//
// Owned by its parent widget; it only points at the text (a laid-out document or a
// PreviewText), which its owner keeps alive
// while it is shown (setText() again or clear() before dropping it). GUI thread only.
// Painting and the signals do not call back into the owner, so the owner may change
// the text, zoom or page from any of the signals' handlers. Failure: none; without a
// text it shows no page and counts none.
#include <QAbstractScrollArea>
#include <QPageLayout>

#include "platform/print/PrintInfo.h"

class PreviewText;
class QTextDocument;

class PrintPreviewView : public QAbstractScrollArea
{
    Q_OBJECT
public:
    enum ZoomMode { CustomZoom, FitToWidth, FitInView };

    explicit PrintPreviewView(QWidget *parent = nullptr);

    // Shows the text, laid out for the paintable area of the page layout, with the
    // print info's centring; the view keeps its zoom and goes to the first page.
    void setText(const QTextDocument *text, const QPageLayout &page, const platform::PrintInfo &info);
    // The same for an export's printed text, of which only the stretches of the pages
    // painted are laid out (PreviewText).
    void setText(const PreviewText *text, const QPageLayout &page, const platform::PrintInfo &info);
    void clear();
    const QTextDocument *text() const { return m_text; }
    const PreviewText *previewText() const { return m_previewText; }

    int pageCount() const { return m_pages; }
    // The page (1-based) at the top of the view, 0 without pages.
    int currentPage() const;
    void setCurrentPage(int page);

    qreal zoomFactor() const;
    void setZoomFactor(qreal factor);
    ZoomMode zoomMode() const { return m_zoomMode; }
    void setZoomMode(ZoomMode mode);
    void zoomIn(qreal factor = 1.25);
    void zoomOut(qreal factor = 1.25);

    // Paints the text of page (0-based) on its paper, in points from the painter's
    // origin at the paper's top left corner, as the view shows it (on white).
    void drawPage(QPainter &painter, int page) const;

    static constexpr qreal MinimumZoom = 0.1;
    static constexpr qreal MaximumZoom = 10;

Q_SIGNALS:
    // The page count, the current page or the zoom changed.
    void previewChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    // Screen pixels per point at the zoom.
    qreal pixelsPerPoint() const;
    QSizeF paperPixels() const;
    int pageStride() const;
    void updateScrollBars();

    // The change of text: the pages counted, the view at the first page.
    void showText(int pages, const QPageLayout &page, const platform::PrintInfo &info);

    const QTextDocument *m_text = nullptr;
    const PreviewText *m_previewText = nullptr;
    QPageLayout m_page;
    platform::PrintInfo m_info;
    int m_pages = 0;
    qreal m_zoom = 1;
    ZoomMode m_zoomMode = FitToWidth;
};
