#pragma once
// A group label with attributes of its own: the text and how it is drawn (font,
// colour, shadow). A plain value; reentrant. Two labels are equal when text, font,
// colour and shadow (offset, blur, colour) are equal.
#include "FoundationExtensions/NTXNSStringExtension.h"

#include <QString>

struct SRAttributedLabel
{
    QString string;
    NTXNSStringExtension::TextAttributes attributes;

    friend bool operator==(const SRAttributedLabel &a, const SRAttributedLabel &b)
    {
        const auto &x = a.attributes;
        const auto &y = b.attributes;
        const bool shadowsEqual = x.shadow.has_value() == y.shadow.has_value()
            && (!x.shadow || (x.shadow->shadowOffset() == y.shadow->shadowOffset()
                              && x.shadow->shadowBlurRadius() == y.shadow->shadowBlurRadius()
                              && x.shadow->shadowColor() == y.shadow->shadowColor()));
        return a.string == b.string && x.font == y.font && x.color == y.color && shadowsEqual;
    }
};
