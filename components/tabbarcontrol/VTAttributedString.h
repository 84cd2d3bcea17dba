#pragma once
// A text of the tab bar control as a style draws it: the string and the attributes
// of the framework's string drawing (font, colour, shadow), on one line, cut at the
// tail when it does not fit. A value type; any thread (drawing: GUI thread).
#include "FoundationExtensions/NTXNSStringExtension.h"

#include <QPainter>
#include <QSizeF>
#include <QString>

struct VTAttributedString
{
    QString string;
    NTXNSStringExtension::TextAttributes attributes;
    int alignment = NTXNSStringExtension::LeftTextAlignment;

    qsizetype length() const { return string.size(); }
    QSizeF size() const { return string.isEmpty() ? QSizeF(0, 0) : NTXNSStringExtension::sizeWithAttributes(string, attributes); }
    void drawInRect(QPainter &painter, const QRectF &rect) const
    {
        NTXNSStringExtension::drawWithFontAttributes(string, painter, attributes, alignment, false, rect);
    }
};
