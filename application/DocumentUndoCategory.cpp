// Undoable edits of the node tree. Each one makes its change, registers its opposite
// with the document's undo manager, and keeps the name of the step it belongs to, so
// the name the starting command gave stays through any number of undos and redos.
#include "application/MyDocument.h"
#include "platform/Bundle.h"
#include "platform/UndoManager.h"

#include <algorithm>

void MyDocument::keepUndoActionName()
{
    platform::UndoManager *undo = undoManager();
    // A fresh edit is named by the command that makes it.
    if (undo->isUndoing())
        undo->setActionName(undo->undoActionName());
    else if (undo->isRedoing())
        undo->setActionName(undo->redoActionName());
}

void MyDocument::addNode(const NodePtr &node, const NodePtr &parent, qsizetype index)
{
    if (!node || !parent || node == parent)
        return;
    index = std::clamp<qsizetype>(index, 0, parent->childrenCount());
    parent->addChild(node, index);
    undoManager()->registerUndo([this, node, parent] { deleteNode(node, parent); });
    keepUndoActionName();
    switch (node->type()) {
    case Node::TimeEntry:
        node->refreshWorkTime();
        node->recalcWorkTime();
        break;
    case Node::Job:
    case Node::Group:
        node->recalcTotalWorkTime();
        break;
    default:
        break;
    }
    displayActivatedJob();
    reloadOutline();
}

void MyDocument::deleteNode(const NodePtr &node, const NodePtr &parent)
{
    if (!node || !parent)
        return;
    const qsizetype index = parent->indexOfChild(node.get());
    if (index < 0)
        return;
    parent->delChild(node);
    undoManager()->registerUndo([this, node, parent, index] { addNode(node, parent, index); });
    keepUndoActionName();
    switch (parent->type()) {
    case Node::Job:
    case Node::Group:
        parent->recalcTotalWorkTime();
        break;
    case Node::Day:
        // The day and its job lose the removed entry's time too.
        if (Node *job = parent->getRootObject(); job && job->type() == Node::Job)
            job->recalcTotalWorkTime();
        break;
    default:
        break;
    }
    displayActivatedJob();
    reloadOutline();
}

void MyDocument::doUndoSetActiveJob(const NodePtr &job)
{
    const NodePtr previous = getActiveJob();
    undoManager()->registerUndo([this, previous] { doUndoSetActiveJob(previous); });
    undoManager()->setActionName(platform::localized(QStringLiteral("LSUDActiveJob")));
    if (previous)
        previous->setActive(false);
    if (job)
        job->setActive(true);
    displayActivatedJob();
    reloadOutline();
}

void MyDocument::setColorLabelType(int label, const NodePtr &node)
{
    if (!node)
        return;
    const int previous = node->colorLabel();
    platform::UndoManager *undo = undoManager();
    // Registered first, so that the step is open while the node names it.
    undo->registerUndo([this, node, previous] { setColorLabelType(previous, node); });
    // The node would register a step of its own: this one stands for both.
    undo->disableUndoRegistration();
    node->setColorLabel(label);
    undo->enableUndoRegistration();
    keepUndoActionName();
    reloadOutline();
}
