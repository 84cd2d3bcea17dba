#include "FoundationExtensions/NTXNSAttributedStringExtension.h"

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QTextCharFormat>
#include <QTextLayout>
#include <algorithm>
#include <memory>

namespace NTXNSAttributedStringExtension {

namespace {

constexpr qreal ContainerWidth = 10000000;
const QChar Ellipsis(0x2026);

QTextCharFormat formatOf(const AttributedString::Attributes &attributes)
{
    QTextCharFormat format;
    if (attributes.contains(AttributedString::FontAttribute))
        format.setFont(attributes.value(AttributedString::FontAttribute).value<QFont>());
    if (attributes.contains(AttributedString::ForegroundColorAttribute))
        format.setForeground(attributes.value(AttributedString::ForegroundColorAttribute).value<QColor>());
    if (attributes.value(AttributedString::UnderlineStyleAttribute).toInt() != 0)
        format.setFontUnderline(true);
    return format;
}

// A laid-out text: hard line breaks end a line, nothing else does.
struct Laid
{
    std::unique_ptr<QTextLayout> layout;
    QTextLine line;
};

Laid layOut(const QString &text, const QList<QTextLayout::FormatRange> &formats, const QFont &font)
{
    QString shown = text;
    for (QChar &c : shown) {
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QChar::ParagraphSeparator)
            c = QChar::LineSeparator;
    }
    Laid laid;
    laid.layout = std::make_unique<QTextLayout>(shown, font);
    QTextOption option(Qt::AlignLeft | Qt::AlignAbsolute);
    option.setWrapMode(QTextOption::ManualWrap);
    laid.layout->setTextOption(option);
    laid.layout->setFormats(formats);
    laid.layout->beginLayout();
    laid.line = laid.layout->createLine();
    if (laid.line.isValid())
        laid.line.setLineWidth(ContainerWidth);
    laid.layout->endLayout();
    return laid;
}

QList<QTextLayout::FormatRange> formatRanges(const AttributedString &text)
{
    QList<QTextLayout::FormatRange> ranges;
    qsizetype start = 0;
    for (const AttributedString::Run &run : text.runs()) {
        ranges.append({int(start), int(run.length), formatOf(run.attributes)});
        start += run.length;
    }
    return ranges;
}

bool runsRightToLeft(const QString &text, qsizetype begin, qsizetype end)
{
    for (qsizetype i = end - 1; i >= begin; --i) {
        switch (text.at(i).direction()) {
        case QChar::DirR:
        case QChar::DirAL:
            return true;
        case QChar::DirL:
            return false;
        default:
            break;
        }
    }
    return text.isRightToLeft();
}

struct Plan
{
    LineDrawing drawing;
    qreal cutX = 0;  // layout x where the drawn part ends (LTR) or begins (RTL)
    qreal lineWidth = 0;
    AttributedString::Attributes ellipsisAttributes;
};

Plan plan(const AttributedString &text, const QRectF &rect, int alignment, bool centred, const Laid &laid)
{
    Plan p;
    LineDrawing &d = p.drawing;
    const QTextLine &line = laid.line;
    if (text.isEmpty() || !line.isValid())
        return p;
    const qreal W = rect.width();
    const qreal w = line.naturalTextWidth();
    const qreal h = line.height();
    const qsizetype cStart = line.textStart();
    qsizetype cLength = line.textLength();
    // The line break itself is no glyph to draw.
    while (cLength > 0 && text.string().at(cStart + cLength - 1).category() == QChar::Separator_Line)
        --cLength;
    while (cLength > 0 && (text.string().at(cStart + cLength - 1) == QLatin1Char('\n')
                           || text.string().at(cStart + cLength - 1) == QLatin1Char('\r')))
        --cLength;
    const bool wholeText = cStart + line.textLength() >= text.length();
    d.lineHeight = h;
    p.lineWidth = w;

    qreal drawnWidth = 0;
    if (w <= W && wholeText) {
        d.charactersDrawn = cLength;
        drawnWidth = w;
        p.cutX = d.rightToLeft ? 0 : w;
    } else {
        d.rightToLeft = runsRightToLeft(text.string(), cStart, cStart + cLength);
        p.ellipsisAttributes = text.attributesAt(cLength > 0 ? cStart + cLength - 1 : 0);
        const Laid ellipsis = layOut(QString(Ellipsis), {{0, 1, formatOf(p.ellipsisAttributes)}}, QFont());
        const qreal e = ellipsis.line.isValid() ? ellipsis.line.naturalTextWidth() : 0;
        if (w <= W && w + e <= W) {
            d.charactersDrawn = cLength;
            d.ellipsis = true;
            drawnWidth = w + e;
            p.cutX = d.rightToLeft ? 0 : w;
        } else {
            auto cutAt = [&](qreal visibleWidth) {
                const qreal x = d.rightToLeft ? w - visibleWidth : visibleWidth;
                const int cursor = line.xToCursor(x, QTextLine::CursorOnCharacter);
                return std::clamp<qsizetype>(cursor - cStart, 0, cLength);
            };
            qsizetype n = cutAt(W - e);
            d.ellipsis = n > 0;
            if (n == 0)
                n = cutAt(W);
            d.charactersDrawn = n;
            const qreal edge = line.cursorToX(int(cStart + n));
            p.cutX = edge;
            drawnWidth = (d.rightToLeft ? w - edge : edge) + (d.ellipsis ? e : 0);
        }
    }
    d.drawnWidth = drawnWidth;
    qreal x = rect.x();
    if (alignment == AlignRight)
        x = rect.x() + W - drawnWidth;
    else if (alignment == AlignCenter)
        x = rect.x() + W / 2 - drawnWidth / 2;
    const qreal y = centred ? rect.y() + rect.height() / 2 - h / 2 : rect.y();
    d.point = QPointF(x, y);
    return p;
}

} // namespace

LineDrawing layoutInRectangle(const AttributedString &text, const QRectF &rectangle, int alignment,
                              bool verticallyCentered)
{
    if (text.isEmpty())
        return {};
    const Laid laid = layOut(text.string(), formatRanges(text), QFont());
    return plan(text, rectangle, alignment, verticallyCentered, laid).drawing;
}

LineDrawing drawInRectangle(const AttributedString &text, QPainter &painter, const QRectF &rectangle,
                            int alignment, bool verticallyCentered)
{
    if (text.isEmpty())
        return {};
    const Laid laid = layOut(text.string(), formatRanges(text), painter.font());
    const Plan p = plan(text, rectangle, alignment, verticallyCentered, laid);
    const LineDrawing &d = p.drawing;
    if (d.charactersDrawn == 0)
        return d;

    const QTextCharFormat ellipsisFormat = formatOf(p.ellipsisAttributes);
    const Laid ellipsis = layOut(QString(Ellipsis), {{0, 1, ellipsisFormat}}, painter.font());
    const qreal e = d.ellipsis && ellipsis.line.isValid() ? ellipsis.line.naturalTextWidth() : 0;
    const qreal textWidth = d.drawnWidth - e;

    painter.save();
    if (d.rightToLeft) {
        const qreal left = d.point.x() + e;
        painter.setClipRect(QRectF(left, d.point.y(), textWidth, d.lineHeight), Qt::IntersectClip);
        laid.line.draw(&painter, QPointF(left - p.cutX, d.point.y()));
        painter.setClipping(false);
        if (d.ellipsis)
            ellipsis.line.draw(&painter, d.point);
    } else {
        painter.setClipRect(QRectF(d.point.x(), d.point.y(), textWidth, d.lineHeight), Qt::IntersectClip);
        laid.line.draw(&painter, d.point);
        painter.setClipping(false);
        if (d.ellipsis)
            ellipsis.line.draw(&painter, QPointF(d.point.x() + textWidth, d.point.y()));
    }
    painter.restore();
    return d;
}

int caseInsensitiveCompare(const AttributedString &a, const AttributedString &b)
{
    const int c = a.string().compare(b.string(), Qt::CaseInsensitive);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

int localizedCaseInsensitiveCompare(const AttributedString &a, const AttributedString &b)
{
    const int c = QString::localeAwareCompare(a.string().toCaseFolded(), b.string().toCaseFolded());
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

QString humanReadableDescriptionForAttributes(const AttributedString::Attributes &attributes)
{
    const QVariant value = attributes.value(AttributedString::FontAttribute);
    if (!value.canConvert<QFont>() || value.typeId() != QMetaType::QFont)
        return QString();
    const QFont font = value.value<QFont>();
    return QStringLiteral("%1, %2 pt").arg(font.family()).arg(font.pointSizeF(), 0, 'f', 2);
}

} // namespace NTXNSAttributedStringExtension
