#include "FoundationExtensions/NTXNSMutableAttributedStringExtensions.h"

#include "platform/foundation/AssertionHandler.h"

#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>
#include <algorithm>

namespace NTXNSMutableAttributedStringExtensions {

void appendString(AttributedString &receiver, const QString &text, const AttributedString::Attributes &attributes)
{
    receiver.append(text, attributes);
}

void appendString(AttributedString &receiver, const QString &text)
{
    receiver.append(text, receiver.isEmpty() ? AttributedString::Attributes()
                                             : receiver.attributesAt(receiver.length() - 1));
}

namespace {

[[noreturn]] void rangeFailure(qsizetype line)
{
    platform::AssertionHandler::current().handleFailureInFunction(
        QStringLiteral("mutateRanges"), QStringLiteral("NTXNSMutableAttributedStringExtensions.cpp"), line,
        QStringLiteral("NTXNSMutableAttributedStringExtensions:cannot not mutate ranges"));
    Q_UNREACHABLE(); // the handler raises
}

// Closes the editing batch the walk opened, however the walk ends.
struct BatchGuard
{
    AttributedString &text;
    bool open = false;
    void begin()
    {
        if (!open) {
            text.beginEditing();
            open = true;
        }
    }
    ~BatchGuard()
    {
        if (open)
            text.endEditing();
    }
};

} // namespace

bool mutateRanges(AttributedString &receiver, const RangeMutator &mutator, Range range, const QString &matching,
                  void *context)
{
    BatchGuard batch{receiver};
    bool changed = false;
    qsizetype position = range.location;
    qsizetype end = range.max();
    while (position < end) {
        Range handled;
        Range effective;
        AttributedString::Attributes attributes;
        if (position < 0 || position >= receiver.length())
            rangeFailure(__LINE__);
        if (!matching.isEmpty()) {
            const qsizetype found = QStringView(receiver.string()).left(end).indexOf(matching, position);
            if (found < 0)
                break;
            handled = Range(found, matching.size());
            attributes = receiver.attributesAt(found, &effective);
            const qsizetype from = std::max({effective.location, position, found});
            const qsizetype to = std::min({effective.max(), end, handled.max()});
            effective = Range(from, std::max<qsizetype>(0, to - from));
        } else {
            attributes = receiver.attributesAt(position, &effective);
            const qsizetype from = std::max(effective.location, position);
            const qsizetype to = std::min(effective.max(), end);
            effective = Range(from, std::max<qsizetype>(0, to - from));
            handled = effective;
        }
        if (effective.length == 0)
            rangeFailure(__LINE__);
        std::optional<AttributedString> answer = mutator(receiver, attributes, handled, effective, &changed, context);
        if (answer) {
            if (!changed)
                batch.begin();
            changed = true;
            receiver.replaceCharacters(handled, *answer);
            end += answer->length() - handled.length;
            position = handled.location + answer->length();
        } else {
            position = handled.max();
        }
    }
    return changed;
}

bool mutateRanges(AttributedString &receiver, const RangeMutator &mutator, const QString &matching, void *context)
{
    return mutateRanges(receiver, mutator, Range(0, receiver.length()), matching, context);
}

std::optional<QUrl> addressForWord(const QString &word)
{
    QString address;
    if (word.contains(QLatin1String("://")))
        address = word;
    else if (word.startsWith(QLatin1String("www.")))
        address = QStringLiteral("http://") + word;
    else if (word.startsWith(QLatin1String("ftp.")))
        address = QStringLiteral("ftp://") + word;
    else if (word.startsWith(QLatin1String("gopher.")))
        address = QStringLiteral("gopher://") + word;
    else if (word.startsWith(QLatin1String("mailto:")))
        address = word;
    else
        return std::nullopt;
    const QUrl url(address, QUrl::StrictMode);
    if (!url.isValid() || url.scheme().isEmpty())
        return std::nullopt;
    return url;
}

void forEachAddress(const QString &text, const std::function<void(Range word, const QUrl &url)> &found)
{
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        while (i < n && text.at(i).isSpace())
            ++i;
        const qsizetype start = i;
        while (i < n && !text.at(i).isSpace())
            ++i;
        if (i == start)
            continue;
        if (const std::optional<QUrl> url = addressForWord(text.mid(start, i - start)))
            found(Range(start, i - start), *url);
    }
}

void detectURLs(AttributedString &receiver, const std::optional<QColor> &color)
{
    receiver.beginEditing();
    forEachAddress(receiver.string(), [&](Range word, const QUrl &url) {
        receiver.addAttribute(AttributedString::LinkAttribute, url, word);
        receiver.addAttribute(AttributedString::UnderlineStyleAttribute, 1, word);
        if (color)
            receiver.addAttribute(AttributedString::ForegroundColorAttribute, *color, word);
    });
    receiver.endEditing();
}

void detectURLs(QTextDocument &document, const std::optional<QColor> &color)
{
    // The plain text has one character per document position (block breaks too).
    forEachAddress(document.toPlainText(), [&](Range word, const QUrl &url) {
        QTextCursor cursor(&document);
        cursor.setPosition(int(word.location));
        cursor.setPosition(int(word.max()), QTextCursor::KeepAnchor);
        QTextCharFormat format;
        format.setAnchor(true);
        format.setAnchorHref(url.toString());
        format.setFontUnderline(true);
        if (color)
            format.setForeground(*color);
        cursor.mergeCharFormat(format);
    });
}

} // namespace NTXNSMutableAttributedStringExtensions
