// The group sheet: names a new group, which goes to the end of the top level, or
// renames an existing one. Every open sheet keeps its own node and function, so the
// sheets of two documents never mix them up.
#include "application/DocumentWindow.h"
#include "application/GroupNameSheet.h"
#include "application/MyDocument.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/UndoManager.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

QString text(const char *key)
{
    return platform::localized(QString::fromLatin1(key));
}


} // namespace

void MyDocument::newGroupEntry(QObject *)
{
    NodePtr group = Node::create(Node::Group);
    group->setItemName(text("LSaddGroup"));
    funcGroupName(group, 0);
}

void MyDocument::funcGroupName(QObject *sender, int function)
{
    if (function == 0) {
        newGroupEntry(sender);
        return;
    }
    NodePtr node = nodeForSender(sender, true);
    if (!node)
        node = nodeForSender(sender, false);
    if (node && node->type() == Node::Group)
        funcGroupName(node, function);
}

void MyDocument::funcGroupName(const NodePtr &node, int function)
{
    if (!m_window || !node || hasOpenSheet())
        return;
    if (function == 1 && (node->type() != Node::Group || !m_outlineModel->indexForNode(node.get()).isValid()))
        return;
    auto *sheet = new GroupNameSheet(m_window);
    m_groupNameWindow = sheet;
    sheet->setWindowTitle(text(function == 1 ? "LSeditGroup" : "LSnewGroup"));
    sheet->groupTitle->setText(text(function == 1 ? "LSeditGroup" : "LSnewGroup"));
    sheet->groupName->setText(node->itemName());
    sheet->groupName->selectAll();
    connect(sheet->groupOkButton, &QPushButton::clicked, this,
            [this, button = sheet->groupOkButton] { endGroupNameWindow(button); });
    connect(sheet->groupCancelButton, &QPushButton::clicked, this,
            [this, button = sheet->groupCancelButton] { endGroupNameWindow(button); });
    connect(sheet, &QDialog::finished, this, [this, sheet, node, function](int returnCode) {
        sheetDidEndGroupName(sheet, returnCode, node, function);
        sheet->deleteLater();
    });
    sheet->open();
}

void MyDocument::endGroupNameWindow(QObject *sender)
{
    auto *widget = qobject_cast<QWidget *>(sender);
    auto *sheet = widget ? qobject_cast<GroupNameSheet *>(widget->window()) : nullptr;
    if (!sheet)
        sheet = m_groupNameWindow;
    if (!sheet)
        return;
    sheet->done(sender && sender == sheet->groupOkButton ? 1 : 0);
}

void MyDocument::sheetDidEndGroupName(GroupNameSheet *sheet, int returnCode, const NodePtr &node, int function)
{
    if (returnCode == 1 && sheet && node) {
        const QString name = sheet->groupName->text();
        if (function == 1 && m_outlineModel->indexForNode(node.get()).isValid()) {
            // Undo puts the group back as it is now.
            const NodePtr snapshot = node->clone();
            undoManager()->registerUndo([this, snapshot, node] { restoreNodeData(snapshot, node); });
            undoManager()->setActionName(text("LSUDGroupEdit"));
            node->setItemName(name);
            displayActivatedJob();
            reloadOutline();
        } else if (function == 0) {
            node->setItemName(name);
            node->setActive(false);
            node->setType(Node::Group);
            addNode(node, m_jobList, m_jobList->childrenCount());
            undoManager()->setActionName(text("LSUDaddGroup"));
        }
    }
    // What was applied went through the undo manager, which marks the document as
    // edited; a cancelled sheet leaves it as it was.
    setAutoLoadFileName();
    updateUI();
    rebuildApplicationMenus();
}

GroupNameSheet *MyDocument::groupNameWindow() const
{
    return m_groupNameWindow.data();
}
