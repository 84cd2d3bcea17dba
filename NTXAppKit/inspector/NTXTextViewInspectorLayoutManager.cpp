#include "NTXAppKit/inspector/NTXTextViewInspectorLayoutManager.h"

#include "NTXAppKit/inspector/NTXTextViewInspectorText.h"

#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

namespace Text = NTXTextViewInspectorText;

namespace {

// Calls `visit` with the position and cell number of each attachment character in the range.
template <class Visit>
void forEachAttachment(const QTextDocument &document, platform::Range range, Visit visit)
{
    for (QTextBlock block = document.findBlock(int(range.location)); block.isValid(); block = block.next()) {
        if (block.position() >= range.max())
            break;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat format = fragment.charFormat();
            if (format.objectType() != Text::AttachmentObjectType)
                continue;
            for (int i = 0; i < fragment.length(); ++i) {
                const int position = fragment.position() + i;
                if (range.contains(position))
                    visit(position, format.intProperty(Text::CellProperty));
            }
        }
    }
}

} // namespace

NTXTextViewInspectorLayoutManager::NTXTextViewInspectorLayoutManager(QObject *parent) : QObject(parent) {}

NTXTextViewInspectorLayoutManager::~NTXTextViewInspectorLayoutManager() = default;

int NTXTextViewInspectorLayoutManager::addCell(std::unique_ptr<NTXTextViewInspectorViewTextAttachmentCell> cell)
{
    const int number = m_nextNumber++;
    m_cells[number] = std::move(cell);
    return number;
}

NTXTextViewInspectorViewTextAttachmentCell *NTXTextViewInspectorLayoutManager::cell(int number) const
{
    const auto found = m_cells.find(number);
    return found == m_cells.end() ? nullptr : found->second.get();
}

void NTXTextViewInspectorLayoutManager::removeAllCells()
{
    m_cells.clear();
}

void NTXTextViewInspectorLayoutManager::removeCellsInRange(const QTextDocument &document, platform::Range range)
{
    if (range.isNotFound())
        return;
    forEachAttachment(document, range, [&](int, int number) { m_cells.erase(number); });
}

QList<NTXTextViewInspectorViewTextAttachmentCell *>
NTXTextViewInspectorLayoutManager::cellsInRange(const QTextDocument &document, platform::Range range) const
{
    QList<NTXTextViewInspectorViewTextAttachmentCell *> cells;
    if (range.isNotFound())
        return cells;
    forEachAttachment(document, range, [&](int, int number) {
        if (NTXTextViewInspectorViewTextAttachmentCell *found = cell(number))
            cells.append(found);
    });
    return cells;
}

QSizeF NTXTextViewInspectorLayoutManager::intrinsicSize(QTextDocument *, int, const QTextFormat &format)
{
    const NTXTextViewInspectorViewTextAttachmentCell *found = cell(format.intProperty(Text::CellProperty));
    return found ? found->cellSize() : QSizeF(0, 0);
}

void NTXTextViewInspectorLayoutManager::drawObject(QPainter *, const QRectF &, QTextDocument *, int, const QTextFormat &)
{
    // The control draws itself.
}

QRectF NTXTextViewInspectorLayoutManager::frameOfAttachment(const QTextDocument &document, int position) const
{
    const NTXTextViewInspectorViewTextAttachmentCell *found =
        cell(Text::formatAt(document, position).intProperty(Text::CellProperty));
    const QTextBlock block = document.findBlock(position);
    if (!found || !block.isValid())
        return {};
    document.documentLayout()->blockBoundingRect(block); // lays the block out
    const QTextLayout *layout = block.layout();
    if (!layout)
        return {};
    const int offset = position - block.position();
    const QTextLine line = layout->lineForTextPosition(offset);
    if (!line.isValid())
        return {};
    const QPointF origin = layout->position();
    const QRectF lineRect = line.rect().translated(origin);
    const qreal baseline = origin.y() + line.y() + line.ascent();
    const qreal x = origin.x() + line.cursorToX(offset);
    return found->cellFrame(lineRect, baseline, x, document.documentMargin());
}

void NTXTextViewInspectorLayoutManager::showAttachmentCells(const QTextDocument &document, const QWidget *container,
                                                            const QPointF &offset, platform::Range range)
{
    if (range.isNotFound())
        range = platform::Range(0, Text::length(document));
    forEachAttachment(document, range, [&](int position, int number) {
        const NTXTextViewInspectorViewTextAttachmentCell *found = cell(number);
        QWidget *view = found ? found->view() : nullptr;
        if (!view || view->parentWidget() != container)
            return;
        const QRectF frame = frameOfAttachment(document, position);
        if (frame.isNull() && frame.topLeft().isNull())
            return;
        view->move((frame.topLeft() + offset).toPoint());
        view->setVisible(true);
    });
}
