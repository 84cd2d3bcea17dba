#pragma once
// What HeldNodes looks at in its document: the tree its nodes must still be in, the
// outline whose row changes say when to look again, and the document object, whose
// end ends the holding.
//
// Implemented by the document (MyDocument, privately); the editors' owners hand it on.
// HeldNodes keeps it only while the document object lives (it follows
// platformDocument() with a guarded pointer). GUI thread only; nothing here throws.
#include "application/tree/Node.h"

class DocumentOutlineModel;
namespace platform {
class Document;
}

class HeldNodesHost
{
public:
    // The root of the document's tree (it changes when the file is read again).
    virtual const NodePtr &jobList() const = 0;
    // The outline's rows (null before the window is made).
    virtual DocumentOutlineModel *outlineModel() const = 0;
    // The document object itself.
    virtual platform::Document &platformDocument() = 0;

protected:
    ~HeldNodesHost() = default;
};
