#pragma once
// Reads documents of the older kind: the platform's sequential archive of the node
// tree and the window state. Two layouts exist:
//   - the top object is the root `Node`, whose list of children starts with the
//     `DocumentValuesStore` (which becomes the result's window state, not a child);
//   - the oldest files hold a list of nodes, which a new root of type 4 receives.
// Only the classes a document holds are accepted: Node, DocumentValuesStore,
// TableColumnData and the Foundation classes of their fields (strings, lists,
// dates, time zones, numbers, data); objects of other classes only inside those
// Foundation objects. Anything else makes the file unreadable.
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
};
