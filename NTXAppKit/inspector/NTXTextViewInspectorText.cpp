#include "NTXAppKit/inspector/NTXTextViewInspectorText.h"

#include <QTextBlock>
#include <QTextDocument>

namespace NTXTextViewInspectorText {

namespace {

// The value of the property over the fragment or block break at the index, and its extent.
QVariant valueAndExtent(const QTextDocument &document, int property, qsizetype index, Range &extent)
{
    const QTextBlock block = document.findBlock(int(index));
    if (!block.isValid())
        return {};
    const qsizetype breakAt = block.position() + block.length() - 1;
    if (index >= breakAt) {
        extent = Range(breakAt, 1);
        return {};
    }
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (index < fragment.position() + fragment.length()) {
            extent = Range(fragment.position(), fragment.length());
            const QTextCharFormat format = fragment.charFormat();
            return format.hasProperty(property) ? format.property(property) : QVariant();
        }
    }
    extent = Range(breakAt, 1);
    return {};
}

} // namespace

qsizetype length(const QTextDocument &document)
{
    return std::max(0, document.characterCount() - 1);
}

QString plainText(const QTextDocument &document)
{
    QString text = document.toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return text.left(length(document));
}

QString text(const QTextDocument &document, Range range)
{
    const qsizetype size = length(document);
    if (range.isNotFound() || !range.fitsIn(size))
        return QString();
    QString raw = document.toRawText().mid(range.location, range.length);
    raw.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return raw;
}

QTextCharFormat formatAt(const QTextDocument &document, qsizetype index)
{
    if (index < 0 || index >= length(document))
        return {};
    const QTextBlock block = document.findBlock(int(index));
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (index >= fragment.position() && index < fragment.position() + fragment.length())
            return fragment.charFormat();
    }
    return {};
}

QVariant valueAt(const QTextDocument &document, int property, qsizetype index)
{
    const QTextCharFormat format = formatAt(document, index);
    return format.hasProperty(property) ? format.property(property) : QVariant();
}

Range runAt(const QTextDocument &document, int property, qsizetype index)
{
    const qsizetype size = length(document);
    if (index < 0 || index >= size)
        return Range();
    Range extent;
    const QVariant value = valueAndExtent(document, property, index, extent);
    qsizetype from = extent.location;
    qsizetype to = extent.max();
    while (from > 0) {
        Range before;
        const QVariant other = valueAndExtent(document, property, from - 1, before);
        if (other.isValid() != value.isValid() || (value.isValid() && other != value))
            break;
        from = before.location;
    }
    while (to < size) {
        Range after;
        const QVariant other = valueAndExtent(document, property, to, after);
        if (other.isValid() != value.isValid() || (value.isValid() && other != value))
            break;
        to = after.max();
    }
    return Range(from, std::min(to, size) - from);
}

QVariant fieldValue(const QObject *field)
{
    return QVariant::fromValue(const_cast<QObject *>(field));
}

void setField(QTextFormat &format, const QObject *field)
{
    format.setProperty(FieldProperty, fieldValue(field));
    // An int is hashed by its value: the address's low bits tell fields apart.
    format.setProperty(FieldKeyProperty, int(quintptr(field) >> 3));
}

QObject *fieldOf(const QVariant &value)
{
    return value.isValid() ? value.value<QObject *>() : nullptr;
}

} // namespace NTXTextViewInspectorText
