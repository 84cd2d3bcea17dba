#pragma once
// What DocumentEdits asks of its document besides what every collaborator is given
// (DocumentContext): the inspector reads the inspected nodes' values again after a
// restore the tree reported nothing of.
//
// Implemented by the document that owns the edits (MyDocument, privately); it outlives
// them. GUI thread only; the call re-enters the inspector's fields. Nothing here
// throws.
class EditsHost
{
public:
    // Values of nodes were restored while the tree reported nothing (restoreNodeData):
    // the inspector reads the inspected nodes' values again.
    virtual void inspectedValuesMayHaveChanged() = 0;

protected:
    ~EditsHost() = default;
};
