#pragma once
// What DocumentTreeReports passes the tree's reports on to besides the outline's rows
// and the undo manager (DocumentContext): the inspector, which follows the values of
// the inspected nodes.
//
// Implemented by the document (MyDocument, privately), which outlives its reports
// object. GUI thread only; a report may re-enter the inspector's fields. Nothing here throws.
class Node;
class QString;

class TreeReportsHost
{
public:
    // A key of a node of the tree changed (after its observers were told): the
    // inspector follows the values of the inspected nodes through this.
    virtual void nodeOfTreeChanged(const Node &node, const QString &key) = 0;

protected:
    ~TreeReportsHost() = default;
};
