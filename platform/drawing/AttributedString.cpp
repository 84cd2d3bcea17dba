#include "platform/drawing/AttributedString.h"

#include "platform/foundation/Exception.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>
#include <algorithm>

namespace platform {

AttributedString::AttributedString(const QString &string, const Attributes &attributes) : m_string(string)
{
    if (!string.isEmpty())
        m_runs.append({string.size(), attributes});
}

void AttributedString::check(Range range) const
{
    if (!range.fitsIn(m_string.size()))
        throw Exception(Exception::RangeException,
                        QStringLiteral("range {%1, %2} out of bounds; string length %3")
                            .arg(range.location)
                            .arg(range.length)
                            .arg(m_string.size()));
}

AttributedString::Attributes AttributedString::attributesAt(qsizetype index, Range *effective) const
{
    if (index < 0 || index >= m_string.size())
        check(Range(index, 1));
    qsizetype start = 0;
    for (const Run &run : m_runs) {
        if (index < start + run.length) {
            if (effective)
                *effective = Range(start, run.length);
            return run.attributes;
        }
        start += run.length;
    }
    return {};
}

AttributedString::Attributes AttributedString::attributesAt(qsizetype index, Range *longest, Range within) const
{
    check(within);
    Range range;
    const Attributes attributes = attributesAt(index, &range);
    if (longest) {
        qsizetype begin = range.location;
        qsizetype end = range.max();
        Range other;
        while (begin > within.location && attributesAt(begin - 1, &other) == attributes)
            begin = other.location;
        while (end < within.max() && attributesAt(end, &other) == attributes)
            end = other.max();
        begin = std::max(begin, within.location);
        end = std::min(end, within.max());
        *longest = Range(begin, std::max<qsizetype>(0, end - begin));
    }
    return attributes;
}

QVariant AttributedString::attributeAt(const QString &name, qsizetype index, Range *effective) const
{
    return attributesAt(index, effective).value(name);
}

QVariant AttributedString::attributeAt(const QString &name, qsizetype index, Range *longest, Range within) const
{
    check(within);
    Range range;
    const QVariant value = attributeAt(name, index, &range);
    if (longest) {
        qsizetype begin = range.location;
        qsizetype end = range.max();
        Range other;
        while (begin > within.location && attributeAt(name, begin - 1, &other) == value)
            begin = other.location;
        while (end < within.max() && attributeAt(name, end, &other) == value)
            end = other.max();
        begin = std::max(begin, within.location);
        end = std::min(end, within.max());
        *longest = Range(begin, std::max<qsizetype>(0, end - begin));
    }
    return value;
}

AttributedString AttributedString::substring(Range range) const
{
    check(range);
    AttributedString result;
    result.m_string = m_string.mid(range.location, range.length);
    qsizetype start = 0;
    for (const Run &run : m_runs) {
        const qsizetype from = std::max(start, range.location);
        const qsizetype to = std::min(start + run.length, range.max());
        if (to > from)
            result.m_runs.append({to - from, run.attributes});
        start += run.length;
    }
    return result;
}

qsizetype AttributedString::splitAt(qsizetype index)
{
    qsizetype start = 0;
    for (qsizetype i = 0; i < m_runs.size(); ++i) {
        if (index == start)
            return i;
        if (index < start + m_runs[i].length) {
            Run tail{start + m_runs[i].length - index, m_runs[i].attributes};
            m_runs[i].length = index - start;
            m_runs.insert(i + 1, tail);
            return i + 1;
        }
        start += m_runs[i].length;
    }
    return m_runs.size();
}

void AttributedString::dropEmptyRuns()
{
    m_runs.removeIf([](const Run &run) { return run.length == 0; });
}

void AttributedString::replaceCharacters(Range range, const AttributedString &replacement)
{
    check(range);
    const qsizetype first = splitAt(range.location);
    const qsizetype last = splitAt(range.max());
    m_runs.remove(first, last - first);
    m_runs.insert(first, replacement.m_runs.size(), Run());
    for (qsizetype i = 0; i < replacement.m_runs.size(); ++i)
        m_runs[first + i] = replacement.m_runs[i];
    m_string.replace(range.location, range.length, replacement.m_string);
    dropEmptyRuns();
    changed();
}

void AttributedString::replaceCharacters(Range range, const QString &text)
{
    check(range);
    Attributes attributes;
    if (range.length > 0)
        attributes = attributesAt(range.location);
    else if (range.location > 0)
        attributes = attributesAt(range.location - 1);
    else if (!m_string.isEmpty())
        attributes = attributesAt(0);
    replaceCharacters(range, AttributedString(text, attributes));
}

void AttributedString::append(const AttributedString &other)
{
    replaceCharacters(Range(length(), 0), other);
}

void AttributedString::append(const QString &text, const Attributes &attributes)
{
    append(AttributedString(text, attributes));
}

void AttributedString::setAttributes(const Attributes &attributes, Range range)
{
    check(range);
    const qsizetype first = splitAt(range.location);
    const qsizetype last = splitAt(range.max());
    if (last > first) {
        m_runs.remove(first, last - first);
        m_runs.insert(first, Run{range.length, attributes});
    }
    changed();
}

void AttributedString::addAttribute(const QString &name, const QVariant &value, Range range)
{
    check(range);
    const qsizetype first = splitAt(range.location);
    const qsizetype last = splitAt(range.max());
    for (qsizetype i = first; i < last; ++i)
        m_runs[i].attributes.insert(name, value);
    changed();
}

void AttributedString::removeAttribute(const QString &name, Range range)
{
    check(range);
    const qsizetype first = splitAt(range.location);
    const qsizetype last = splitAt(range.max());
    for (qsizetype i = first; i < last; ++i)
        m_runs[i].attributes.remove(name);
    changed();
}

void AttributedString::beginEditing()
{
    ++m_editingDepth;
}

void AttributedString::endEditing()
{
    if (m_editingDepth == 0)
        return;
    if (--m_editingDepth == 0 && m_pendingChange) {
        m_pendingChange = false;
        if (m_observer)
            m_observer();
    }
}

void AttributedString::changed()
{
    if (m_editingDepth > 0) {
        m_pendingChange = true;
        return;
    }
    if (m_observer)
        m_observer();
}

void AttributedString::writeTo(QTextDocument &document) const
{
    document.clear();
    QTextCursor cursor(&document);
    qsizetype start = 0;
    for (const Run &run : m_runs) {
        QTextCharFormat format;
        const Attributes &a = run.attributes;
        if (a.contains(FontAttribute))
            format.setFont(a.value(FontAttribute).value<QFont>());
        if (a.contains(ForegroundColorAttribute))
            format.setForeground(a.value(ForegroundColorAttribute).value<QColor>());
        if (a.contains(BackgroundColorAttribute))
            format.setBackground(a.value(BackgroundColorAttribute).value<QColor>());
        if (a.contains(LinkAttribute)) {
            format.setAnchor(true);
            format.setAnchorHref(a.value(LinkAttribute).toUrl().toString());
        }
        if (a.value(UnderlineStyleAttribute).toInt() != 0)
            format.setFontUnderline(true);
        cursor.insertText(m_string.mid(start, run.length), format);
        start += run.length;
    }
}

AttributedString AttributedString::fromTextDocument(const QTextDocument &document)
{
    AttributedString result;
    bool firstBlock = true;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (!firstBlock)
            result.append(QStringLiteral("\n"), result.isEmpty() ? Attributes() : result.attributesAt(result.length() - 1));
        firstBlock = false;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat format = fragment.charFormat();
            Attributes attributes;
            if (format.hasProperty(QTextFormat::FontFamilies) || format.hasProperty(QTextFormat::FontPointSize))
                attributes.insert(FontAttribute, format.font());
            if (format.hasProperty(QTextFormat::ForegroundBrush))
                attributes.insert(ForegroundColorAttribute, format.foreground().color());
            if (format.hasProperty(QTextFormat::BackgroundBrush))
                attributes.insert(BackgroundColorAttribute, format.background().color());
            if (format.isAnchor() && !format.anchorHref().isEmpty())
                attributes.insert(LinkAttribute, QUrl(format.anchorHref()));
            if (format.fontUnderline())
                attributes.insert(UnderlineStyleAttribute, 1);
            result.append(fragment.text(), attributes);
        }
    }
    return result;
}

bool operator==(const AttributedString &a, const AttributedString &b)
{
    if (a.m_string != b.m_string)
        return false;
    for (qsizetype i = 0; i < a.length();) {
        Range ra, rb;
        if (a.attributesAt(i, &ra) != b.attributesAt(i, &rb))
            return false;
        i = std::min(ra.max(), rb.max());
    }
    return true;
}

} // namespace platform
