#pragma once
// Reads documents of the older kind: the platform's sequential archive of the node
// tree and the window state. Two layouts exist:
//   - the top object is the root `Node`, whose list of children starts with the
//     `DocumentValuesStore` (which becomes the result's window state, not a child);
//   - the oldest files hold a list of nodes, which a new root of type 4 receives.
// Only the classes a document holds are accepted: Node, DocumentValuesStore,
// TableColumnData and the Foundation classes of their fields (strings, lists,
// dates, time zones, numbers, data); objects of other classes only inside those
// Foundation objects, and in the document's lists (children, columns, the oldest
// layout's list) nodes, the window state and columns alone, each refused where it
// begins. Anything else makes the file unreadable.
//
// The stream is read once, each object decoded as soon as its end is read; what a
// finished object held is dropped once it has its value, so that a read holds the
// decoded values and little more (Hold::DecodedValues). Hold::WholeArchive keeps the
// whole archive until the end, as a walk of it would need; both answer alike for
// every stream, the same document or the same refusal. Every record, value and node
// the read holds is charged against a budget of memory
// (DocumentFileFormat::ArchiveMemoryPerByte, derived there from what the records of
// a valid document cost at worst), so that a stream expanding into far
// more than its size (millions of tiny objects or numbers, one object referred back
// to millions of times) is refused as too large. A shared object is charged once,
// when it is decoded; a back-reference to it costs only its own place, so that the
// archives the platform's writer made, sharing a zone, a format or any other object
// among many dates and entries, are held at what their values take.
// Threads: reentrant; no shared state.
#include "application/tree/DocumentFileFormat.h"

#include <QByteArray>
#include <QString>

class DocumentArchiveDecoder
{
public:
    // The document in `bytes`, with parents set, running entries closed and sums
    // recomputed as for the XML form. On failure `out` is untouched.
    static bool decode(const QByteArray &bytes, DocumentFileFormat::ReadResult &out);
    // The same, telling why it failed.
    static bool decode(const QByteArray &bytes, DocumentFileFormat::ReadResult &out, QString *error);

    enum class Hold { DecodedValues, WholeArchive };
    // The most the read held at once, as charged against the bound, goes to *peakHeld
    // when given (for measurements; with or without success).
    static bool decode(const QByteArray &bytes, DocumentFileFormat::ReadResult &out, QString *error, Hold hold,
                       qsizetype *peakHeld = nullptr);
    // The bound of what a read of `size` bytes may hold, as charged.
    static qsizetype memoryBound(qsizetype size);
};
