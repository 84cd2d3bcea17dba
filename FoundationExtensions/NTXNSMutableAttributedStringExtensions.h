#pragma once
// Editing helpers of attributed strings: appending plain text, rewriting attribute
// runs (or the matches of a text) through a callback, and turning the web and mail
// addresses of a text into links. Stateless free functions.
#include "platform/drawing/AttributedString.h"

#include <QColor>
#include <QString>
#include <QUrl>
#include <functional>
#include <optional>

class QTextDocument;

namespace NTXNSMutableAttributedStringExtensions {

using platform::AttributedString;
using platform::Range;

// Appends the text with the attributes given, or with those of the last character
// (none for an empty receiver).
void appendString(AttributedString &receiver, const QString &text, const AttributedString::Attributes &attributes);
void appendString(AttributedString &receiver, const QString &text);

// The callback of mutateRanges: the receiver, the attributes of the handled range,
// the handled range, the run's effective range clipped to it, the change flag so
// far, and the caller's context. It answers a replacement, or nothing to leave the
// range as it is.
using RangeMutator = std::function<std::optional<AttributedString>(
    AttributedString &receiver, const AttributedString::Attributes &attributes, Range handled,
    Range effective, bool *changed, void *context)>;

// Walks the range run by run (or match by match of a non-empty `matching`) and puts
// the callback's answers in; the first change opens an editing batch that closes at
// the end, also when an exception leaves. A broken range (outside the text, or an
// empty handled range) fails the assertion "NTXNSMutableAttributedStringExtensions:
// cannot not mutate ranges" (an NSInternalInconsistencyException); changes made
// before stay. Answers whether anything changed.
bool mutateRanges(AttributedString &receiver, const RangeMutator &mutator, Range range,
                  const QString &matching = QString(), void *context = nullptr);
bool mutateRanges(AttributedString &receiver, const RangeMutator &mutator, const QString &matching = QString(),
                  void *context = nullptr);

// The address a word stands for: the word with "://" in it; "http://", "ftp://" or
// "gopher://" put before a word beginning with "www.", "ftp." or "gopher."; a
// "mailto:" word as it is; nothing for other words or what QUrl's strict parser
// refuses (or gives no scheme).
std::optional<QUrl> addressForWord(const QString &word);
// Gives every word (white space and line breaks separate words) that stands for an
// address a link, a single underline and, when given, the colour.
void detectURLs(AttributedString &receiver, const std::optional<QColor> &color);
// The same on a rich-text document (its formats otherwise kept).
void detectURLs(QTextDocument &document, const std::optional<QColor> &color);
// Every address word of the text, in order.
void forEachAddress(const QString &text, const std::function<void(Range word, const QUrl &url)> &found);

} // namespace NTXNSMutableAttributedStringExtensions
