#include "NTXAppKit/inspector/NTXTextViewInspectorTypesetter.h"

#include "NTXAppKit/inspector/NTXTextViewInspectorCompoundField.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorText.h"

#include <QAbstractTextDocumentLayout>
#include <QHash>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>

namespace Text = NTXTextViewInspectorText;

namespace {

// Finds fields in the visible list: by a scan for the few look-ups of a short pass,
// by an index built on first need once a pass makes more.
class FieldFinder
{
public:
    explicit FieldFinder(const QList<NTXTextViewInspectorFieldPtr> &fields) : m_fields(fields) {}
    qsizetype indexOf(const QObject *field)
    {
        if (!field)
            return -1;
        if (m_index.isEmpty() && ++m_lookups > ScanLimit) {
            m_index.reserve(m_fields.size());
            for (qsizetype i = 0; i < m_fields.size(); ++i)
                m_index.insert(m_fields.at(i).get(), i);
        }
        if (!m_index.isEmpty())
            return m_index.value(field, -1);
        for (qsizetype i = 0; i < m_fields.size(); ++i)
            if (m_fields.at(i).get() == field)
                return i;
        return -1;
    }

private:
    static constexpr int ScanLimit = 8;
    const QList<NTXTextViewInspectorFieldPtr> &m_fields;
    QHash<const QObject *, qsizetype> m_index;
    int m_lookups = 0;
};

// The field whose last line sets the least y of the field at index i (none: null).
NTXTextViewInspectorField *previousHeightField(const QList<NTXTextViewInspectorFieldPtr> &fields, qsizetype i)
{
    if (i <= 0)
        return nullptr;
    NTXTextViewInspectorField *field = fields.at(i).get();
    qsizetype back = i - 1;
    NTXTextViewInspectorField *previous = fields.at(back).get();
    if (NTXTextViewInspectorCompoundField *compound = previous->compoundField())
        if (!field->isSubFieldOf(compound))
            previous = compound;
    if (i - 1 > 0)
        while (previous->suppressMinimumHeight() && back > 0)
            previous = fields.at(--back).get();
    return previous;
}

} // namespace

std::optional<QRectF> NTXTextViewInspectorTypesetter::lastLineOfField(const QTextDocument &document,
                                                                     const QTextBlock &block,
                                                                     const NTXTextViewInspectorField *field)
{
    if (!block.isValid() || !field)
        return std::nullopt;
    document.documentLayout()->blockBoundingRect(block); // lays the block out
    const QTextLayout *lines = block.layout();
    if (!lines)
        return std::nullopt;
    std::optional<QRectF> found;
    const QPointF origin = lines->position();
    for (int n = 0; n < lines->lineCount(); ++n) {
        const QTextLine line = lines->lineAt(n);
        if (Text::fieldOf(Text::valueAt(document, Text::FieldProperty, block.position() + line.textStart())) == field)
            found = line.rect().translated(origin);
    }
    return found;
}

bool NTXTextViewInspectorTypesetter::layOutLines(QTextDocument &document,
                                                 const QList<NTXTextViewInspectorFieldPtr> &visibleFields,
                                                 qreal labelColumnWidth, platform::Range range, qsizetype *end) const
{
    QAbstractTextDocumentLayout *layout = document.documentLayout();
    FieldFinder finder(visibleFields);
    bool changed = false;
    QTextBlock block = document.begin();
    QTextBlock last; // the last block of a ranged pass
    if (!range.isNotFound()) {
        block = document.findBlock(int(range.location));
        last = document.findBlock(int(std::max(range.location, range.max() - 1)));
        if (!block.isValid() || !last.isValid())
            return false;
        if (last.next().isValid())
            last = last.next();
    }
    auto recordLines = [&](const QTextBlock &of) {
        const QTextLayout *lines = of.layout();
        if (!lines)
            return;
        const QPointF origin = lines->position();
        for (int n = 0; n < lines->lineCount(); ++n) {
            const QTextLine line = lines->lineAt(n);
            auto *owner = Text::fieldOf(Text::valueAt(document, Text::FieldProperty, of.position() + line.textStart()));
            const qsizetype at = finder.indexOf(owner);
            if (at >= 0)
                visibleFields.at(at)->setLineFragmentRect(line.rect().translated(origin));
        }
    };
    QRectF previousBlock;
    if (block.previous().isValid()) {
        previousBlock = layout->blockBoundingRect(block.previous());
        recordLines(block.previous()); // the rule of the first block looks back at it
    }
    // The index of the first field of a block (-1: none).
    const auto fieldIndexOf = [&](const QTextBlock &of) {
        return finder.indexOf(Text::fieldOf(Text::valueAt(document, Text::FieldProperty, of.position())));
    };
    // Whether the rule of the block after `of` reads a field before `of` (passing over
    // fields that suppress the minimum height), or a compound field that has one.
    const auto looksBackPast = [&](const QTextBlock &of) {
        const QTextBlock next = of.next();
        const qsizetype n = next.isValid() ? fieldIndexOf(next) : -1;
        const qsizetype own = fieldIndexOf(of);
        if (n < 0 || own < 0)
            return false;
        const NTXTextViewInspectorField *previous = previousHeightField(visibleFields, n);
        if (!previous || previous->minimumHeight() == 0)
            return false;
        const qsizetype p = finder.indexOf(previous);
        return p < 0 || p < own;
    };
    bool pastLast = false;
    for (; block.isValid(); block = block.next()) {
        const qsizetype i = fieldIndexOf(block);
        NTXTextViewInspectorField *field = i >= 0 ? visibleFields.at(i).get() : nullptr;
        QTextBlockFormat format = block.blockFormat();
        qreal top = 0;
        qreal left = format.leftMargin();
        if (field) {
            const NTXTextViewInspectorField *previous = previousHeightField(visibleFields, i);
            if (previous && previous->minimumHeight() != 0 && !field->suppressMinimumHeight() &&
                block.previous().isValid()) {
                const qreal least = previous->lineFragmentRect().y() + previous->minimumHeight();
                const qreal natural = previousBlock.bottom() + block.previous().blockFormat().bottomMargin();
                if (least > natural)
                    top = least - previousBlock.bottom();
            }
            left = labelColumnWidth + std::max<qreal>(0, field->insetValue());
        }
        const bool marginsChanged = format.topMargin() != top || format.leftMargin() != left;
        if (marginsChanged) {
            format.setTopMargin(top);
            format.setLeftMargin(left);
            QTextCursor(block).setBlockFormat(format);
            changed = true;
        }
        previousBlock = layout->blockBoundingRect(block);
        recordLines(block);
        if (last.isValid() && (pastLast || block == last)) {
            pastLast = true;
            if (!marginsChanged && !looksBackPast(block))
                break;
        }
    }
    if (end)
        *end = block.isValid() ? std::min<qsizetype>(block.position() + block.length(), Text::length(document))
                               : Text::length(document);
    return changed;
}
