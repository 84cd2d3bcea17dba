#pragma once
// What a document's root reports to the document: the outline and the inspector follow
// every change of the tree, and a changed description or colour label registers with the
// document's undo manager, whose count marks the document edited. The document owns one and
// makes it its root's delegate for as long as the root is its tree.
//
// GUI thread only; never throws. Reports that arrive before the outline exists
// change nothing.
#include "application/tree/NodeDelegate.h"

class DocumentContext;
class TreeReportsHost;

class DocumentTreeReports : public NodeDelegate
{
public:
    // The document, seen through what its collaborators are given (DocumentContext.h),
    // and what the inspector asks of the tree's reports (TreeReportsHost.h).
    DocumentTreeReports(const DocumentContext &context, TreeReportsHost &document)
        : m_context(context)
        , m_document(document)
    {
    }

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
    const DocumentContext &m_context;
    TreeReportsHost &m_document;
};
