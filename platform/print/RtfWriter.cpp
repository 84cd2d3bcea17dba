#include "platform/print/RtfWriter.h"

#include "platform/print/PagedTextPrinter.h"

#include <QColor>
#include <QFont>
#include <QFontInfo>
#include <QGuiApplication>
#include <QHash>
#include <QList>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextOption>
#include <algorithm>
#include <cmath>

namespace platform {

namespace {

int twips(qreal points)
{
    const qreal value = std::round(points * 20);
    // RTF numbers are signed 16-bit in many readers; keep them in range.
    return int(std::clamp<qreal>(value, -32767, 32767));
}

void appendNumber(QByteArray &out, const char *word, long long value)
{
    out += word;
    out += QByteArray::number(value);
}

// Text of a font name or the document: escaped, 7-bit.
void appendText(QByteArray &out, QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i].unicode();
        if (unit == u'\\' || unit == u'{' || unit == u'}') {
            out += '\\';
            out += char(unit);
        } else if (unit == u'\t') {
            out += "\\tab ";
        } else if (unit == 0x2028) {
            out += "\\line ";
        } else if (unit >= 0x20 && unit < 0x7f) {
            out += char(unit);
        } else {
            char16_t written = unit;
            if (QChar::isHighSurrogate(unit)) {
                if (i + 1 < text.size() && QChar::isLowSurrogate(text[i + 1].unicode())) {
                    appendNumber(out, "\\u", qint16(unit));
                    out += '?';
                    written = text[++i].unicode();
                } else {
                    written = 0xfffd;
                }
            } else if (QChar::isLowSurrogate(unit)) {
                written = 0xfffd;
            }
            appendNumber(out, "\\u", qint16(written));
            out += '?';
        }
    }
}

struct CharacterState
{
    int font = -1;
    int halfPoints = -1;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int colour = 0;

    bool operator==(const CharacterState &) const = default;
};

struct Tables
{
    QHash<QString, QString> resolved; // requested family: the family used
    QStringList fonts;
    QList<QRgb> colours; // index 0 is the automatic colour

    // The family the font system uses for the font: a family alias ("Sans Serif")
    // is left to every reader to interpret, while the PDF embeds the family it
    // resolved to. Resolved once per requested family.
    int fontIndex(const QFont &font)
    {
        auto known = resolved.constFind(font.family());
        if (known == resolved.cend()) {
            QString family = QGuiApplication::instance() ? QFontInfo(font).family() : QString();
            if (family.isEmpty())
                family = font.family();
            known = resolved.insert(font.family(), family);
        }
        return fontIndex(*known);
    }
    int fontIndex(const QString &family)
    {
        qsizetype index = fonts.indexOf(family);
        if (index < 0) {
            index = fonts.size();
            fonts.append(family);
        }
        return int(index);
    }
    int colourIndex(const QTextCharFormat &format)
    {
        if (!format.hasProperty(QTextFormat::ForegroundBrush))
            return 0;
        const QRgb rgb = format.foreground().color().rgb();
        qsizetype index = colours.indexOf(rgb);
        if (index < 0) {
            index = colours.size();
            colours.append(rgb);
        }
        return int(index) + 1;
    }
};

CharacterState stateOf(const QTextCharFormat &format, const QFont &defaultFont, Tables &tables)
{
    const QFont font = format.font().resolve(defaultFont);
    CharacterState state;
    state.font = tables.fontIndex(font);
    const qreal points = font.pointSizeF() > 0 ? font.pointSizeF() : font.pixelSize();
    state.halfPoints = int(std::lround(points * 2));
    state.bold = font.bold();
    state.italic = font.italic();
    state.underline = font.underline();
    state.colour = tables.colourIndex(format);
    return state;
}

void appendCharacterChange(QByteArray &out, const CharacterState &from, const CharacterState &to)
{
    const qsizetype before = out.size();
    if (to.font != from.font)
        appendNumber(out, "\\f", to.font);
    if (to.halfPoints != from.halfPoints)
        appendNumber(out, "\\fs", to.halfPoints);
    if (to.bold != from.bold)
        out += to.bold ? "\\b" : "\\b0";
    if (to.italic != from.italic)
        out += to.italic ? "\\i" : "\\i0";
    if (to.underline != from.underline)
        out += to.underline ? "\\ul" : "\\ulnone";
    if (to.colour != from.colour)
        appendNumber(out, "\\cf", to.colour);
    if (out.size() != before)
        out += ' ';
}

void appendParagraphFormat(QByteArray &out, const QTextBlockFormat &format)
{
    out += "\\pard";
    for (const QTextOption::Tab &tab : PagedTextPrinter::marginTabs(format.tabPositions(), format.leftMargin())) {
        switch (tab.type) {
        case QTextOption::RightTab:
            out += "\\tqr";
            break;
        case QTextOption::CenterTab:
            out += "\\tqc";
            break;
        case QTextOption::DelimiterTab:
            out += "\\tqdec";
            break;
        case QTextOption::LeftTab:
            break;
        }
        appendNumber(out, "\\tx", twips(tab.position));
    }
    appendNumber(out, "\\fi", twips(format.textIndent()));
    appendNumber(out, "\\li", twips(format.leftMargin()));
    appendNumber(out, "\\ri", twips(format.rightMargin()));
    const Qt::Alignment horizontal = format.alignment() & Qt::AlignHorizontal_Mask;
    if (horizontal & Qt::AlignHCenter)
        out += "\\qc";
    else if (horizontal & Qt::AlignRight)
        out += "\\qr";
    else if (horizontal & Qt::AlignJustify)
        out += "\\qj";
    out += ' ';
}

bool sameParagraphFormat(const QTextBlockFormat &a, const QTextBlockFormat &b)
{
    return a.tabPositions() == b.tabPositions() && a.textIndent() == b.textIndent() &&
           a.leftMargin() == b.leftMargin() && a.rightMargin() == b.rightMargin() &&
           (a.alignment() & Qt::AlignHorizontal_Mask) == (b.alignment() & Qt::AlignHorizontal_Mask);
}

} // namespace

QByteArray RtfWriter::write(const QTextDocument &document)
{
    const QFont defaultFont = document.defaultFont();
    Tables tables;
    tables.fontIndex(defaultFont);
    const CharacterState base = stateOf(QTextCharFormat(), defaultFont, tables);

    QByteArray body;
    body.reserve(document.characterCount() + document.blockCount() * 48);
    CharacterState current = base;
    QTextBlockFormat paragraph;
    bool firstBlock = true;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const bool last = !block.next().isValid();
        if (last && block.length() <= 1)
            break;
        const QTextBlockFormat format = block.blockFormat();
        if (firstBlock || !sameParagraphFormat(format, paragraph)) {
            appendParagraphFormat(body, format);
            paragraph = format;
        }
        firstBlock = false;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid())
                continue;
            const CharacterState state = stateOf(fragment.charFormat(), defaultFont, tables);
            appendCharacterChange(body, current, state);
            current = state;
            appendText(body, fragment.text());
        }
        if (!last)
            body += "\\par\n";
    }

    QByteArray out = "{\\rtf1\\ansi\\ansicpg1252\\uc1\\deff0\n{\\fonttbl";
    for (qsizetype i = 0; i < tables.fonts.size(); ++i) {
        appendNumber(out, "{\\f", i);
        out += "\\fnil ";
        appendText(out, tables.fonts[i]);
        out += ";}";
    }
    out += "}\n{\\colortbl;";
    for (QRgb rgb : tables.colours) {
        appendNumber(out, "\\red", qRed(rgb));
        appendNumber(out, "\\green", qGreen(rgb));
        appendNumber(out, "\\blue", qBlue(rgb));
        out += ';';
    }
    out += "}\n";
    appendNumber(out, "\\f", base.font);
    appendNumber(out, "\\fs", base.halfPoints);
    out += ' ';
    out += body;
    out += "}\n";
    return out;
}

} // namespace platform
