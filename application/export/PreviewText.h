#pragma once
// The printed text of an export as the print preview shows it, without holding the
// text laid out: it keeps the export (over its own copy of the nodes) and, for each
// stretch the text is printed in (DocumentExporter::printedStretches()), the node it
// begins with and its top and height on the pages. A page is painted from the stretches
// that stand on it, built and laid out again as a print places them
// (PagedTextPrinter::placeStretch()); the last few are kept, so paging to and fro costs
// no rebuild. So a page shows exactly what a PDF or a print of the export paints on it,
// and the memory held stays that of the copy and a few stretches, whatever the length.
//
// Owned by whoever made it (ExportJob::layOut(), then the print panel). Made on any
// thread; once made, used by one thread at a time (painting fills its cache). Failure:
// make() answers null with the reason for a text taller than the layout can place, and
// null without one when the progress stopped it; a stretch built again is the one
// measured (the copy does not change).
#include "application/export/DocumentExporter.h"

#include <QSizeF>
#include <QString>
#include <memory>
#include <vector>

class QPainter;
class QTextDocument;

class PreviewText
{
public:
    // The stretches kept once painted.
    static constexpr int CachedStretches = 3;

    // The text of the export (a copy of its own), measured on pages of the size in
    // points; the walk tells the progress.
    static std::unique_ptr<PreviewText> make(const DocumentExporter &exporter, QSizeF page,
                                             const DocumentExporter::Progress &progress = {},
                                             QString *errorReason = nullptr);
    ~PreviewText();

    // The size of the text on a page, and the height of the whole text, in points.
    QSizeF pageSize() const { return m_page; }
    qreal height() const { return m_height; }
    int pageCount() const;
    int stretchCount() const { return int(m_stretches.size()); }
    // Where a stretch's text begins on the pages (its spacer's top), in points.
    qreal stretchTop(int index) const { return m_stretches.at(size_t(index)).top; }
    // Paints page `number` (0-based) as PagedTextPrinter paints the whole text's page.
    void drawPage(QPainter &painter, const platform::PrintInfo &info, int number) const;
    // The text's paragraphs, built now (not kept).
    QString toPlainText() const;
    // Frees the stretches kept for painting, on the thread that painted them (before
    // the rest goes to another thread to be freed).
    void dropKept() const { m_built.clear(); }

private:
    struct Stretch
    {
        qsizetype firstNode = 0;
        qreal top = 0;
        qreal height = 0;
    };
    struct Built
    {
        int index = 0;
        std::unique_ptr<QTextDocument> text;
    };
    PreviewText(const DocumentExporter &exporter, QSizeF page);
    // The stretch built and placed again, from the cache when it is there.
    const QTextDocument &stretch(int index) const;

    DocumentExporter m_exporter;
    QSizeF m_page;
    qreal m_height = 0;
    std::vector<Stretch> m_stretches;
    // The stretches built last, the latest at the end.
    mutable std::vector<Built> m_built;
};
