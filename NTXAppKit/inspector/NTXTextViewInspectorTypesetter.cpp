#include "NTXAppKit/inspector/NTXTextViewInspectorTypesetter.h"

#include "NTXAppKit/inspector/NTXTextViewInspectorCompoundField.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorText.h"

#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>

namespace Text = NTXTextViewInspectorText;

namespace {

qsizetype indexOfField(const QList<NTXTextViewInspectorFieldPtr> &fields, const QObject *field)
{
    for (qsizetype i = 0; i < fields.size(); ++i)
        if (fields.at(i).get() == field)
            return i;
    return -1;
}

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

bool NTXTextViewInspectorTypesetter::layOutLines(QTextDocument &document,
                                                 const QList<NTXTextViewInspectorFieldPtr> &visibleFields,
                                                 qreal labelColumnWidth) const
{
    QAbstractTextDocumentLayout *layout = document.documentLayout();
    bool changed = false;
    QRectF previousBlock;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const qsizetype i =
            indexOfField(visibleFields, Text::fieldOf(Text::valueAt(document, Text::FieldProperty, block.position())));
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
        if (format.topMargin() != top || format.leftMargin() != left) {
            format.setTopMargin(top);
            format.setLeftMargin(left);
            QTextCursor(block).setBlockFormat(format);
            changed = true;
        }
        previousBlock = layout->blockBoundingRect(block);
        const QTextLayout *lines = block.layout();
        if (!lines)
            continue;
        const QPointF origin = lines->position();
        for (int n = 0; n < lines->lineCount(); ++n) {
            const QTextLine line = lines->lineAt(n);
            auto *owner = Text::fieldOf(Text::valueAt(document, Text::FieldProperty, block.position() + line.textStart()));
            const qsizetype at = indexOfField(visibleFields, owner);
            if (at >= 0)
                visibleFields.at(at)->setLineFragmentRect(line.rect().translated(origin));
        }
    }
    return changed;
}
