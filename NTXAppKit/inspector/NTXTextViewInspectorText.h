#pragma once
// The attributes that carry an inspector's structure in its QTextDocument, and the
// runs of them. A character index is a document position: a block break counts one
// character (it stands for "\n") and carries no attribute; U+2028 breaks a line
// inside a block. Properties:
//   FieldProperty        the field (a QObject*) on every character a field contributes
//   FieldKeyProperty     beside it, a number made from the field's address: the
//                        document's table of formats hashes a QObject* by its type
//                        alone, so without it the formats of all fields would share
//                        one hash and each new format would be compared with all of
//                        them (setField() sets both)
//   PlaceholderProperty  the field's placeholder (QString) on a text field's value
//   PlaceholderShownProperty  true on a value that shows the field's placeholder, the
//                        multiple-values or the no-selection text (gray), false on
//                        a value or typed text (black): text typed that reads as one
//                        of those is a value still
//   LabelProperty        "" on label text
//   CellProperty         the attachment cell's number on an attachment character,
//                        whose object type is AttachmentObjectType
// A run is the longest range of characters with equal values of one property
// (characters without it form runs too). Stateless; the document's thread.
#include "platform/foundation/Range.h"

#include <QString>
#include <QTextFormat>
#include <QVariant>

class QObject;
class QTextDocument;

namespace NTXTextViewInspectorText {

using platform::Range;

constexpr int FieldProperty = QTextFormat::UserProperty + 0x4e01;
constexpr int PlaceholderProperty = QTextFormat::UserProperty + 0x4e02;
constexpr int LabelProperty = QTextFormat::UserProperty + 0x4e03;
constexpr int CellProperty = QTextFormat::UserProperty + 0x4e04;
constexpr int FieldKeyProperty = QTextFormat::UserProperty + 0x4e05;
constexpr int PlaceholderShownProperty = QTextFormat::UserProperty + 0x4e06;
constexpr int AttachmentObjectType = QTextFormat::UserObject + 0x4e;

constexpr char16_t AttachmentCharacter = 0xfffc;
constexpr char16_t LineSeparator = 0x2028;

// Characters of the text, block breaks excluded at the end.
qsizetype length(const QTextDocument &document);
// The text with "\n" for block breaks.
QString plainText(const QTextDocument &document);
QString text(const QTextDocument &document, Range range);
// The format of the character at the index (an empty one for a block break or an
// index outside the text).
QTextCharFormat formatAt(const QTextDocument &document, qsizetype index);
QVariant valueAt(const QTextDocument &document, int property, qsizetype index);
// The run of the property at the index within the whole text; NotFound outside the text.
Range runAt(const QTextDocument &document, int property, qsizetype index);

QVariant fieldValue(const QObject *field);
// Marks the format as the field's (FieldProperty and FieldKeyProperty).
void setField(QTextFormat &format, const QObject *field);
QObject *fieldOf(const QVariant &value);

} // namespace NTXTextViewInspectorText
