#pragma once
// What a document's root reports to the document: the outline and the inspector follow
// every change of the tree, and a changed description or colour label registers with the
// document's undo manager, whose count marks the document edited. The document owns one and
// makes it its root's delegate for as long as the root is its tree.
//
// GUI thread only; never throws. Reports that arrive before the outline exists
// change nothing.
#include "application/tree/NodeDelegate.h"

class TreeReportsHost;

class DocumentTreeReports : public NodeDelegate
{
public:
    // The document, seen only through what this uses of it (TreeReportsHost.h).
    explicit DocumentTreeReports(TreeReportsHost &document) : m_document(document) {}

    platform::UndoManager *undoManagerForNode(Node &node) override;
    void attributesChangedOfNode(Node &node) override;
    void nodeValueChanged(Node &node, const QString &key) override;
    void nodeWillInsertEntries(Node &node, qsizetype index, qsizetype count) override;
    void nodeDidAddEntry(Node &node, Node &entry) override;
    void nodeDidInsertEntrysAtIndex(Node &node, const QList<std::shared_ptr<Node>> &entries, qsizetype index) override;
    void nodeWillRemoveEntry(Node &node, qsizetype index) override;
    void nodeDidRemoveEntry(Node &node, Node &entry) override;
    void nodeWillRemoveEntries(Node &node, qsizetype index, qsizetype count) override;
    void nodeDidRemoveEntries(Node &node, qsizetype index, qsizetype count) override;

private:
    TreeReportsHost &m_document;
};
