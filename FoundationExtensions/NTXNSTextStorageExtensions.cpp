#include "FoundationExtensions/NTXNSTextStorageExtensions.h"

#include <QTextBlock>
#include <QTextDocument>
#include <vector>

namespace NTXNSTextStorageExtensions {

namespace {

struct Fragment
{
    Range range;
    QTextCharFormat format;
};

std::vector<Fragment> fragmentsOf(const QTextDocument &document)
{
    std::vector<Fragment> fragments;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            fragments.push_back({Range(fragment.position(), fragment.length()), fragment.charFormat()});
        }
    }
    return fragments;
}

qsizetype textLength(const QTextDocument &document)
{
    return std::max(0, document.characterCount() - 1);
}

bool holds(const QTextCharFormat &format, int property, const QVariant &value)
{
    return format.hasProperty(property) && format.property(property) == value;
}

Range find(const QTextDocument &document, int property, const QVariant &value, qsizetype start, bool longest)
{
    if (start < 0 || start >= textLength(document))
        return Range();
    const std::vector<Fragment> fragments = fragmentsOf(document);
    for (size_t i = 0; i < fragments.size(); ++i) {
        if (fragments[i].range.max() <= start || !holds(fragments[i].format, property, value))
            continue;
        if (!longest)
            return fragments[i].range;
        size_t first = i;
        size_t last = i;
        while (first > 0 && holds(fragments[first - 1].format, property, value)
               && fragments[first - 1].range.max() == fragments[first].range.location)
            --first;
        while (last + 1 < fragments.size() && holds(fragments[last + 1].format, property, value)
               && fragments[last].range.max() == fragments[last + 1].range.location)
            ++last;
        const qsizetype from = fragments[first].range.location;
        return Range(from, fragments[last].range.max() - from);
    }
    return Range();
}

} // namespace

Range longestRangeForAttribute(const QTextDocument &document, int property, const QVariant &value, qsizetype start)
{
    return find(document, property, value, start, true);
}

Range rangeForAttribute(const QTextDocument &document, int property, const QVariant &value, qsizetype start)
{
    return find(document, property, value, start, false);
}

Range rangeForAttribute(const QTextDocument &document, int property, Range range)
{
    if (range.isNotFound())
        return Range();
    // Only the blocks the range touches are looked at.
    for (QTextBlock block = document.findBlock(int(std::max<qsizetype>(0, range.location)));
         block.isValid() && block.position() < range.max(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const qsizetype from = std::max<qsizetype>(fragment.position(), range.location);
            const qsizetype to = std::min<qsizetype>(fragment.position() + fragment.length(), range.max());
            if (to > from && fragment.charFormat().hasProperty(property))
                return Range(from, to - from);
        }
    }
    return Range();
}

} // namespace NTXNSTextStorageExtensions
