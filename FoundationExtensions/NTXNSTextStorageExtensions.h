#pragma once
// Finding the range of a character-format property in a rich-text document. The
// runs are the document's fragments (characters of one format); the longest range
// joins neighbouring fragments whose property has the same value. Positions are
// the document's (a block break counts one). Stateless; the document's thread.
#include "platform/foundation/Range.h"

#include <QTextFormat>
#include <QVariant>

class QTextDocument;

namespace NTXNSTextStorageExtensions {

using platform::Range;

// From the run holding `start` on, the first run whose property equals the value,
// as its longest range over the whole text; NotFound when `start` lies outside the
// text or no run has it.
Range longestRangeForAttribute(const QTextDocument &document, int property, const QVariant &value, qsizetype start);
// The same with the runs themselves.
Range rangeForAttribute(const QTextDocument &document, int property, const QVariant &value, qsizetype start);
// The run of the first character of the range that carries the property at all,
// clipped to the range; NotFound when none does.
Range rangeForAttribute(const QTextDocument &document, int property, Range range);

} // namespace NTXNSTextStorageExtensions
