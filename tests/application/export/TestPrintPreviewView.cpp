// The print panel's preview: the pages it draws are those printed into a PDF file
// (both rendered by pdftoppm), the view shows in its viewport the page it names at
// the zoom it names, and seeded zooms, fits, page moves and resizes keep its page,
// count and zoom within their bounds.
#include "application/export/PrintPreviewView.h"
#include "platform/print/PagedTextPrinter.h"
#include "platform/print/PrintInfo.h"
#include "tests/application/export/RenderedPdf.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <cmath>
#include <memory>
#include <random>

namespace {

// Paragraphs of seeded words, some bold, some long enough to wrap, laid out for the
// paintable area of the page.
std::unique_ptr<QTextDocument> seededText(unsigned seed, int paragraphs, const QPageLayout &page)
{
    std::mt19937 random(seed);
    auto text = std::make_unique<QTextDocument>();
    QTextCursor cursor(text.get());
    const QStringList words = {QStringLiteral("Job"), QStringLiteral("Monday"), QStringLiteral("entry"),
                               QStringLiteral("12:30"), QStringLiteral("90.00"), QStringLiteral("Ärger"),
                               QStringLiteral("what"), QStringLiteral("was"), QStringLiteral("done")};
    for (int p = 0; p < paragraphs; ++p) {
        if (p > 0)
            cursor.insertBlock();
        QTextCharFormat format;
        format.setFontPointSize(9 + random() % 6);
        format.setFontWeight(random() % 4 == 0 ? QFont::Bold : QFont::Normal);
        QStringList line;
        const int count = 1 + random() % (random() % 5 == 0 ? 60 : 8);
        for (int w = 0; w < count; ++w)
            line << words.at(random() % words.size()) + QString::number(random() % 100);
        cursor.insertText(line.join(QLatin1Char(' ')), format);
    }
    const QRectF area = page.paintRect(QPageLayout::Point);
    platform::PagedTextPrinter::layOut(*text, area.width(), area.height());
    return text;
}

QPageLayout a4(qreal left, qreal top, qreal right, qreal bottom)
{
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(left, top, right, bottom),
                       QPageLayout::Point);
}

class PrintPreviewViewTest : public ::testing::Test
{
protected:
    QTemporaryDir folder;
    QString path(const QString &name) const { return folder.filePath(name); }
};

} // namespace

// The existing print path writes the pages into a PDF file; the preview draws each of
// its pages on a page of a PDF file of the same paper without margins. Rendered, they
// are the same pixels, for a seeded text, centred or not.
TEST_F(PrintPreviewViewTest, ThePagesThePreviewDrawsAreThePrintedPages)
{
    if (!renderedpdf::havePoppler())
        GTEST_SKIP() << "poppler-utils are not installed (tools/dev setup)";
    for (const bool centred : {false, true}) {
        SCOPED_TRACE(centred);
        // Margins a whole number of the writers' pixels (the PDF writer places its
        // paintable area on whole pixels).
        const QPageLayout page = a4(36, 42, 36, 36);
        platform::PrintInfo info;
        info.setVerticallyCentered(centred);
        const std::unique_ptr<QTextDocument> text = seededText(centred ? 17 : 88, 160, page);

        QPdfWriter printed(path(QStringLiteral("printed.pdf")));
        printed.setResolution(1200);
        printed.setPageLayout(page);
        ASSERT_TRUE(platform::PagedTextPrinter::print(*text, printed, info, true));

        PrintPreviewView view;
        view.setText(text.get(), page, info);
        ASSERT_GE(view.pageCount(), 3);
        {
            // The same paper and margins: the painter's origin, the paintable area's
            // corner, goes back to the paper's.
            QPdfWriter drawn(path(QStringLiteral("drawn.pdf")));
            drawn.setResolution(1200);
            drawn.setPageLayout(page);
            const QRect area = page.paintRectPixels(drawn.resolution());
            QPainter painter(&drawn);
            for (int p = 0; p < view.pageCount(); ++p) {
                if (p > 0) {
                    ASSERT_TRUE(drawn.newPage());
                }
                painter.save();
                painter.translate(-area.topLeft());
                painter.scale(drawn.logicalDpiX() / 72.0, drawn.logicalDpiY() / 72.0);
                view.drawPage(painter, p);
                painter.restore();
            }
        }
        const QList<QByteArray> expected = renderedpdf::pages(path(QStringLiteral("printed.pdf")));
        const QList<QByteArray> shown = renderedpdf::pages(path(QStringLiteral("drawn.pdf")));
        ASSERT_EQ(expected.size(), view.pageCount());
        ASSERT_EQ(shown.size(), expected.size());
        for (int p = 0; p < shown.size(); ++p)
            EXPECT_TRUE(shown.at(p) == expected.at(p)) << "page " << p + 1;
    }
}

// Seeded steps on the view: after each, its page is one of the text's, the count that
// of the text, the zoom within its bounds, a fitted page as wide as the view (and, fit
// to the page, as high at most), and the viewport shows the named page at the named
// zoom: its pixels are those of that page drawn alone at that scale.
TEST_F(PrintPreviewViewTest, SeededZoomsAndMovesKeepThePageInViewAndItsPixels)
{
    const QPageLayout page = a4(35, 40, 35, 35);
    platform::PrintInfo info;
    const std::unique_ptr<QTextDocument> text = seededText(4242, 400, page);
    const int pages = platform::PagedTextPrinter::pageCount(*text, page.paintRect(QPageLayout::Point).height());
    ASSERT_GE(pages, 5);
    PrintPreviewView view;
    view.resize(500, 600);
    view.show();
    EXPECT_EQ(view.pageCount(), 0);
    EXPECT_EQ(view.currentPage(), 0);
    view.setText(text.get(), page, info);
    EXPECT_EQ(view.pageCount(), pages);
    EXPECT_EQ(view.currentPage(), 1);

    int compared = 0;
    std::mt19937 random(2026);
    for (int step = 0; step < 40; ++step) {
        SCOPED_TRACE(step);
        int named = 0;
        switch (random() % 6) {
        case 0:
            view.zoomIn();
            break;
        case 1:
            view.zoomOut();
            break;
        case 2:
            view.setZoomFactor(qreal(random() % 300 + 5) / 100);
            break;
        case 3:
            view.setZoomMode(random() % 2 ? PrintPreviewView::FitToWidth : PrintPreviewView::FitInView);
            break;
        case 4:
            view.resize(300 + int(random() % 600), 300 + int(random() % 600));
            break;
        default:
            named = int(random() % (pages + 4)) - 2;
            view.setCurrentPage(named);
            break;
        }
        EXPECT_EQ(view.pageCount(), pages);
        EXPECT_GE(view.currentPage(), 1);
        EXPECT_LE(view.currentPage(), pages);
        EXPECT_GE(view.zoomFactor(), PrintPreviewView::MinimumZoom);
        EXPECT_LE(view.zoomFactor(), PrintPreviewView::MaximumZoom);
        const qreal perPoint = view.zoomFactor() * view.logicalDpiY() / 72.0;
        const QSizeF paper = page.fullRect(QPageLayout::Point).size() * perPoint;
        const QSize room = view.viewport()->size();
        if (view.zoomMode() != PrintPreviewView::CustomZoom && view.zoomFactor() > PrintPreviewView::MinimumZoom &&
            view.zoomFactor() < PrintPreviewView::MaximumZoom) {
            EXPECT_LE(paper.width(), room.width());
            if (view.zoomMode() == PrintPreviewView::FitInView) {
                EXPECT_LE(paper.height(), room.height());
                EXPECT_TRUE(paper.width() >= room.width() - 30 || paper.height() >= room.height() - 30);
            } else {
                EXPECT_GE(paper.width(), room.width() - 30);
            }
        }
        // A page named that the view can bring to its top stands there.
        const int scrolled = view.verticalScrollBar()->value();
        if (named >= 1 && named <= pages && scrolled < view.verticalScrollBar()->maximum()) {
            EXPECT_EQ(view.currentPage(), named);
        }

        // The page at the top of the view, as the view shows it, against the page
        // drawn alone at the same scale.
        if (step % 5 != 0 || paper.width() > room.width() || paper.height() > room.height())
            continue;
        const QImage shown = view.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const int stride = int(std::ceil(paper.height())) + 10;
        const int first = scrolled / stride;
        const int y = first * stride + 10 - scrolled;
        // Centred in a view wider than the paper and its grey, else at the grey's edge.
        const qreal left = paper.width() + 20 < room.width() ? (room.width() - paper.width()) / 2
                                                             : 10 - view.horizontalScrollBar()->value();
        if (y < 0 || y + paper.height() > room.height() || left != std::floor(left))
            continue;
        // The paper's last row and column blend into the grey.
        const QSize inner(int(paper.width()) - 1, int(paper.height()) - 1);
        QImage alone(paper.toSize(), QImage::Format_RGB32);
        alone.fill(Qt::white);
        {
            QPainter painter(&alone);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setRenderHint(QPainter::TextAntialiasing);
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.setClipRect(QRectF(QPointF(), paper));
            painter.scale(perPoint, perPoint);
            view.drawPage(painter, first);
        }
        EXPECT_TRUE(shown.copy(QRect(QPoint(int(left), y), inner)) == alone.copy(QRect(QPoint(), inner)))
            << "page " << first + 1;
        ++compared;
    }
    EXPECT_GE(compared, 1);
    view.clear();
    EXPECT_EQ(view.pageCount(), 0);
}

// Scrolled into a page by less than half of it, the view names that page; by more,
// the next one. A zoom, a fit and a resize keep the page named at the view's top.
TEST_F(PrintPreviewViewTest, ThePageNamedIsTheOneLessThanHalfScrolledPastAndAZoomKeepsIt)
{
    const QPageLayout page = a4(35, 40, 35, 35);
    platform::PrintInfo info;
    const std::unique_ptr<QTextDocument> text = seededText(77, 600, page);
    PrintPreviewView view;
    view.resize(500, 600);
    view.show();
    view.setText(text.get(), page, info);
    ASSERT_GE(view.pageCount(), 8);
    std::mt19937 random(4711);
    for (int step = 0; step < 24; ++step) {
        SCOPED_TRACE(step);
        // The distance from one page's top to the next one's, on the screen.
        view.setCurrentPage(1);
        view.setCurrentPage(2);
        const int stride = view.verticalScrollBar()->value();
        ASSERT_GT(stride, 10);
        const int top = int(random() % (view.pageCount() - 3));
        const bool pastHalf = step % 2 == 1;
        // A third of the page or less, two thirds or more: clear of the half.
        const int into = pastHalf ? stride - 1 - int(random() % (stride / 3)) : int(random() % (stride / 3));
        view.verticalScrollBar()->setValue(top * stride + into);
        const int expected = top + 1 + (pastHalf ? 1 : 0);
        EXPECT_EQ(view.currentPage(), expected);
        switch (step % 4) {
        case 0:
            view.zoomIn();
            break;
        case 1:
            view.zoomOut();
            break;
        case 2:
            view.setZoomMode(step % 8 == 2 ? PrintPreviewView::FitInView : PrintPreviewView::FitToWidth);
            break;
        default:
            view.setZoomFactor(qreal(50 + random() % 100) / 100);
            break;
        }
        EXPECT_EQ(view.currentPage(), expected);
        view.setZoomMode(PrintPreviewView::FitToWidth);
    }
}
