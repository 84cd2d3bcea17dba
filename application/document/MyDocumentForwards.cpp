// MyDocument's operations whose work its collaborators do.
#include "application/document/DeleteAssistant.h"
#include "application/document/DocumentEdits.h"
#include "application/document/DocumentTotals.h"
#include "application/document/DocumentWindowController.h"
#include "platform/foundation/Bindings.h"
#include "application/document/MyDocument.h"
#include "application/document/NodeNameSheets.h"

void MyDocument::awakeFromNib() { m_windowController->awakeFromNib(); }
void MyDocument::windowWillTearDown()
{
    m_colorLabelObserver.reset();
    m_windowController->windowWillTearDown();
}
QMenu *MyDocument::outlineMenu() const { return m_windowController->outlineMenu(); }

QHeaderView *MyDocument::tableHeaderView() const { return m_totals->tableHeaderView(); }
void MyDocument::outlineViewColumnDidResize(const QVariantMap &userInfo)
{
    m_totals->outlineViewColumnDidResize(userInfo);
}
void MyDocument::outlineViewColumnDidMove(const QVariantMap &userInfo) { m_totals->outlineViewColumnDidMove(userInfo); }
void MyDocument::updateTotalTime() { m_totals->updateTotalTime(); }
QString MyDocument::selectedNodeWorkTime() const { return m_totals->selectedNodeWorkTime(); }
void MyDocument::setSelectedNodeWorkTime(const QString &text) { m_totals->setSelectedNodeWorkTime(text); }
QString MyDocument::selectedNodeWage() const { return m_totals->selectedNodeWage(); }
void MyDocument::setSelectedNodeWage(const QString &text) { m_totals->setSelectedNodeWage(text); }

void MyDocument::addNode(const NodePtr &node, const NodePtr &parent, qsizetype index) { m_edits->addNode(node, parent, index); }
void MyDocument::deleteNode(const NodePtr &node, const NodePtr &parent) { m_edits->deleteNode(node, parent); }
void MyDocument::doUndoSetActiveJob(const NodePtr &job) { m_edits->doUndoSetActiveJob(job); }
void MyDocument::setColorLabelType(int label, const NodePtr &node) { m_edits->setColorLabelType(label, node); }
void MyDocument::insertNodes(const QList<NodePtr> &nodes, const NodePtr &parent, qsizetype index)
{
    m_edits->insertNodes(nodes, parent, index);
}
void MyDocument::addNewJob(const NodePtr &job, const NodePtr &parent) { m_edits->addNewJob(job, parent); }
void MyDocument::deleteNewJob(const NodePtr &job, const NodePtr &parent, const NodePtr &lastActive)
{
    m_edits->deleteNewJob(job, parent, lastActive);
}
void MyDocument::restoreNodeData(const NodePtr &snapshot, const NodePtr &node) { m_edits->restoreNodeData(snapshot, node); }

void MyDocument::deleteAssistant(QObject *sender) { m_deleteAssistant->deleteAssistant(sender); }

void MyDocument::newJobEntry(QObject *sender) { m_nameSheets->newJobEntry(sender); }
void MyDocument::funcJobName(QObject *sender, int function) { m_nameSheets->funcJobName(sender, function); }
void MyDocument::newGroupEntry(QObject *sender) { m_nameSheets->newGroupEntry(sender); }
void MyDocument::funcGroupName(QObject *sender, int function) { m_nameSheets->funcGroupName(sender, function); }
