#pragma once
// A text of a tab together with how it is drawn: the string and the attributes of
// the framework's string drawing (font, colour, shadow), drawn on one line and cut at
// the tail when it does not fit. A value type; any thread.
#include "FoundationExtensions/NTXNSStringExtension.h"

#include <QSizeF>
#include <QString>

struct KZAttributedString
{
    QString string;
    NTXNSStringExtension::TextAttributes attributes;
    int alignment = NTXNSStringExtension::LeftTextAlignment;

    bool isEmpty() const { return string.isEmpty(); }
    QSizeF size() const { return NTXNSStringExtension::sizeWithAttributes(string, attributes); }
};
