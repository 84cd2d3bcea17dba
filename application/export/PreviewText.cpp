#include "application/export/PreviewText.h"

#include "platform/print/PagedTextPrinter.h"

#include <QPainter>
#include <QTextDocument>
#include <algorithm>

PreviewText::PreviewText(const DocumentExporter &exporter, QSizeF page) : m_exporter(exporter), m_page(page)
{
}

PreviewText::~PreviewText() = default;

std::unique_ptr<PreviewText> PreviewText::make(const DocumentExporter &exporter, QSizeF page,
                                               const DocumentExporter::Progress &progress, QString *errorReason)
{
    // A text certainly too tall is refused before it is built.
    const std::optional<qreal> least = exporter.minimumTextHeight(page.width(), progress);
    if (!least)
        return nullptr;
    if (*least > platform::PagedTextPrinter::MaximumTextHeight) {
        if (errorReason)
            *errorReason = platform::PagedTextPrinter::tooTallReason(page.height());
        return nullptr;
    }
    std::unique_ptr<PreviewText> text(new PreviewText(exporter, page));
    QString reason;
    const bool measured = exporter.printedStretches(
        page.width(), 0,
        [&](std::unique_ptr<QTextDocument> stretch, qsizetype firstNode) {
            const std::optional<qreal> top = platform::PagedTextPrinter::placeStretch(
                *stretch, text->m_height, page.width(), page.height(), &reason);
            if (!top)
                return false;
            const qreal height = stretch->size().height();
            text->m_stretches.push_back({firstNode, *top, height});
            text->m_height = *top + height;
            return true;
        },
        progress);
    if (!measured) {
        if (errorReason && !reason.isEmpty())
            *errorReason = reason;
        return nullptr;
    }
    return text;
}

int PreviewText::pageCount() const
{
    return platform::PagedTextPrinter::pageCount(m_height, m_page.height());
}

const QTextDocument &PreviewText::stretch(int index) const
{
    const auto cached = std::find_if(m_built.begin(), m_built.end(), [index](const Built &built) { return built.index == index; });
    if (cached != m_built.end()) {
        std::rotate(cached, cached + 1, m_built.end());
        return *m_built.back().text;
    }
    const Stretch &measured = m_stretches[size_t(index)];
    std::unique_ptr<QTextDocument> text;
    m_exporter.printedStretches(m_page.width(), measured.firstNode,
                                [&](std::unique_ptr<QTextDocument> stretch, qsizetype) {
                                    text = std::move(stretch);
                                    return false;
                                });
    // Placed after the text before it, it stands where it was measured.
    const qreal above = index > 0 ? m_stretches[size_t(index) - 1].top + m_stretches[size_t(index) - 1].height : 0;
    if (!text)
        text = std::make_unique<QTextDocument>();
    platform::PagedTextPrinter::placeStretch(*text, above, m_page.width(), m_page.height());
    m_built.push_back({index, std::move(text)});
    return *m_built.back().text;
}

void PreviewText::drawPage(QPainter &painter, const platform::PrintInfo &info, int number) const
{
    const qreal pageHeight = m_page.height();
    const qreal top = number * pageHeight;
    const qreal bottom = top + pageHeight;
    // The stretches that meet the page: the first one that ends below its top, on.
    auto from = std::lower_bound(m_stretches.begin(), m_stretches.end(), top,
                                 [](const Stretch &stretch, qreal y) { return stretch.top + stretch.height < y; });
    std::vector<platform::PagedTextPrinter::PlacedStretch> placed;
    for (auto at = from; at != m_stretches.end() && at->top <= bottom; ++at)
        placed.push_back({&stretch(int(at - m_stretches.begin())), at->top});
    platform::PagedTextPrinter::drawStretchesPage(placed, m_height, painter, info, m_page, number);
    // The latest kept; those the page used were all built or used last.
    const size_t keep = std::max<size_t>(CachedStretches, placed.size());
    if (m_built.size() > keep)
        m_built.erase(m_built.begin(), m_built.end() - qsizetype(keep));
}

QString PreviewText::toPlainText() const
{
    // A stretch ends with its last paragraph: the next one follows on a line of its own.
    QStringList stretches;
    m_exporter.printedStretches(m_page.width(), 0, [&](std::unique_ptr<QTextDocument> stretch, qsizetype) {
        stretches.append(stretch->toPlainText());
        return true;
    });
    return stretches.join(QLatin1Char('\n'));
}
