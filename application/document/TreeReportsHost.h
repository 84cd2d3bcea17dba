#pragma once
// What DocumentTreeReports passes the tree's reports on to: the outline's rows and the
// undo manager the tree's own undoable changes register with.
//
// Implemented by the document (MyDocument, privately), which outlives its reports
// object. GUI thread only; reports may arrive before the outline exists (null) and
// re-enter the outline's views. Nothing here throws.
class DocumentOutlineModel;
class Node;
class QString;
namespace platform {
class Document;
}

class TreeReportsHost
{
public:
    // Null before the window is made.
    virtual DocumentOutlineModel *outlineModel() const = 0;
    // The document object: its undo manager.
    virtual platform::Document &platformDocument() = 0;
    // A key of a node of the tree changed (after its observers were told): the
    // inspector follows the values of the inspected nodes through this.
    virtual void nodeOfTreeChanged(const Node &node, const QString &key) = 0;

protected:
    ~TreeReportsHost() = default;
};
