// The job-name and group sheets (see NodeNameSheets.h).
#include "application/document/NodeNameSheets.h"

#include "application/document/DocumentWindow.h"
#include "application/sheets/GroupNameSheet.h"
#include "application/sheets/JobNameSheet.h"
#include "application/document/DocumentEdits.h"
#include "application/document/DocumentWindowController.h"
#include "application/document/HeldNodes.h"
#include "application/document/DocumentContext.h"
#include "application/tree/CurrencyFormatter.h"
#include "application/document/DocumentOutlineModel.h"
#include "application/document/DocumentServices.h"
#include "platform/document/Document.h"
#include "platform/drawing/Sheet.h"
#include "platform/foundation/Bundle.h"
#include "platform/drawing/WholeTextDialog.h"
#include "platform/drawing/WholeTextLineEdit.h"
#include "platform/foundation/ExceptionBoundary.h"
#include "platform/foundation/UndoManager.h"

#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>

namespace {

QString text(const char *key)
{
    return platform::localized(QString::fromLatin1(key));
}

// Fills a sheet's name field: a name too long for one line is shown cut, so that the
// sheet opens at once, and edited whole in a dialog named after the label and the
// node.
void showName(platform::WholeTextLineEdit *field, const QString &label, const Node &node)
{
    field->setWholeText(node.itemName());
    QString kind = label;
    if (kind.endsWith(QLatin1Char(':')))
        kind.chop(1);
    field->setWholeTextTitle(platform::WholeTextDialog::titleFor(kind, node.itemName()));
    field->selectAll();
}

} // namespace

NodeNameSheets::NodeNameSheets(const DocumentContext &context, DocumentWindowController &windowController, DocumentEdits &edits)
    : QObject(&context.platformDocument())
    , m_context(context)
    , m_windowController(windowController)
    , m_edits(edits)
{
}

NodeNameSheets::~NodeNameSheets() = default;

void NodeNameSheets::newJobEntry(QObject *)
{
    NodePtr job = Node::create(Node::Job);
    job->setItemName(text("LSjobName"));
    funcJobName(job, 0);
}

void NodeNameSheets::funcJobName(QObject *sender, int function)
{
    if (function == 0) {
        newJobEntry(sender);
        return;
    }
    // The clicked row (or the menu item's node), else the selected one.
    NodePtr node = m_windowController.nodeForSender(sender, true);
    if (!node)
        node = m_windowController.nodeForSender(sender, false);
    if (node && node->type() == Node::Job)
        funcJobName(node, function);
}

void NodeNameSheets::funcJobName(const NodePtr &node, int function)
{
    if (!m_context.documentWindow() || !node || platform::Sheet::sheetOfWindow(m_context.documentWindow()))
        return;
    if (function == 1 && (node->type() != Node::Job || !m_context.outlineModel()->indexForNode(node.get()).isValid()))
        return;
    auto *sheet = new JobNameSheet(m_context.documentWindow());
    m_jobNameWindow = sheet;
    sheet->setWindowTitle(text(function == 1 ? "LSeditJob" : "LSnewJob"));
    sheet->jobTitle->setText(text(function == 1 ? "LSeditJob" : "LSnewJob"));
    showName(sheet->jobName, text("LSJobNameLabel"), *node);
    sheet->jobWage->setValue(double(node->wage()));
    sheet->jobCurrencySymbol->setText(m_context.formatter().currencySymbol());
    QObject::connect(sheet->jobOkButton, &QPushButton::clicked, this,
            platform::ExceptionBoundary::guarded(this, "OK", [this, button = sheet->jobOkButton] {
                endJobNameWindow(button);
            }));
    QObject::connect(sheet->jobCancelButton, &QPushButton::clicked, this,
            platform::ExceptionBoundary::guarded(this, "Cancel", [this, button = sheet->jobCancelButton] {
                endJobNameWindow(button);
            }));
    // The sheet keeps its own node and function until it ends; a new job goes to the
    // top level of the tree it was begun on.
    auto *held = new HeldNodes(m_context, {function == 1 ? node : m_context.jobList()}, sheet, sheet->jobOkButton);
    platform::Sheet::begin(sheet, m_context.documentWindow(),
                           [self = QPointer(this), sheet = QPointer(sheet), node, function,
                            held = QPointer(held)](int returnCode) {
                               if (self)
                                   self->sheetDidEndJobName(sheet, held && held->present() ? returnCode : 0, node,
                                                            function);
                               if (sheet)
                                   sheet->deleteLater();
                           });
}

void NodeNameSheets::endJobNameWindow(QObject *sender)
{
    auto *widget = qobject_cast<QWidget *>(sender);
    auto *sheet = widget ? qobject_cast<JobNameSheet *>(widget->window()) : nullptr;
    if (!sheet)
        sheet = m_jobNameWindow;
    if (!sheet)
        return;
    sheet->done(sender && sender == sheet->jobOkButton ? 1 : 0);
}

void NodeNameSheets::sheetDidEndJobName(JobNameSheet *sheet, int returnCode, const NodePtr &node, int function)
{
    if (returnCode == 1 && sheet && node) {
        const QString name = sheet->jobName->wholeText();
        const float wage = float(sheet->jobWage->value());
        if (function == 1) {
            if (m_context.outlineModel()->indexForNode(node.get()).isValid()) {
                // Only what the user changed: an untouched wage is not pushed down
                // the subtree (its days and entries may have wages of their own).
                if (name != node->itemName())
                    m_edits.setNameForNode(name, node);
                if (wage != node->wage())
                    m_edits.setWageForNode(wage, node);
                m_context.platformDocument().undoManager()->setActionName(text("LSUDJobEdit"));
                m_context.reloadOutline();
            }
        } else if (function == 0) {
            node->setItemName(name);
            node->setWage(wage);
            node->setWageForTree(wage);
            // At the end of the top level, as the active job.
            m_edits.addNewJob(node, m_context.jobList());
            node->recalcTotalWorkTime();
            m_context.platformDocument().undoManager()->setActionName(text("LSUDaddEntry"));
            m_context.reloadOutline();
            m_windowController.selectNode(node);
        }
    }
    m_context.setAutoLoadFileName();
    m_context.updateUI();
    m_context.services().rebuildMenus();
    m_context.displayActivatedJob();
}



void NodeNameSheets::newGroupEntry(QObject *)
{
    NodePtr group = Node::create(Node::Group);
    group->setItemName(text("LSaddGroup"));
    funcGroupName(group, 0);
}

void NodeNameSheets::funcGroupName(QObject *sender, int function)
{
    if (function == 0) {
        newGroupEntry(sender);
        return;
    }
    NodePtr node = m_windowController.nodeForSender(sender, true);
    if (!node)
        node = m_windowController.nodeForSender(sender, false);
    if (node && node->type() == Node::Group)
        funcGroupName(node, function);
}

void NodeNameSheets::funcGroupName(const NodePtr &node, int function)
{
    if (!m_context.documentWindow() || !node || platform::Sheet::sheetOfWindow(m_context.documentWindow()))
        return;
    if (function == 1 && (node->type() != Node::Group || !m_context.outlineModel()->indexForNode(node.get()).isValid()))
        return;
    auto *sheet = new GroupNameSheet(m_context.documentWindow());
    m_groupNameWindow = sheet;
    sheet->setWindowTitle(text(function == 1 ? "LSeditGroup" : "LSnewGroup"));
    sheet->groupTitle->setText(text(function == 1 ? "LSeditGroup" : "LSnewGroup"));
    showName(sheet->groupName, text("LSGroupNameLabel"), *node);
    QObject::connect(sheet->groupOkButton, &QPushButton::clicked, this,
            platform::ExceptionBoundary::guarded(this, "OK", [this, button = sheet->groupOkButton] {
                endGroupNameWindow(button);
            }));
    QObject::connect(sheet->groupCancelButton, &QPushButton::clicked, this,
            platform::ExceptionBoundary::guarded(this, "Cancel", [this, button = sheet->groupCancelButton] {
                endGroupNameWindow(button);
            }));
    auto *held = new HeldNodes(m_context, {function == 1 ? node : m_context.jobList()}, sheet, sheet->groupOkButton);
    platform::Sheet::begin(sheet, m_context.documentWindow(),
                           [self = QPointer(this), sheet = QPointer(sheet), node, function,
                            held = QPointer(held)](int returnCode) {
                               if (self)
                                   self->sheetDidEndGroupName(sheet, held && held->present() ? returnCode : 0, node,
                                                              function);
                               if (sheet)
                                   sheet->deleteLater();
                           });
}

void NodeNameSheets::endGroupNameWindow(QObject *sender)
{
    auto *widget = qobject_cast<QWidget *>(sender);
    auto *sheet = widget ? qobject_cast<GroupNameSheet *>(widget->window()) : nullptr;
    if (!sheet)
        sheet = m_groupNameWindow;
    if (!sheet)
        return;
    sheet->done(sender && sender == sheet->groupOkButton ? 1 : 0);
}

void NodeNameSheets::sheetDidEndGroupName(GroupNameSheet *sheet, int returnCode, const NodePtr &node, int function)
{
    if (returnCode == 1 && sheet && node) {
        const QString name = sheet->groupName->wholeText();
        if (function == 1 && m_context.outlineModel()->indexForNode(node.get()).isValid()) {
            // A name left as it was changes nothing and records no step. Undo and
            // redo give back the name alone: what the group holds (a running
            // counter's entry among it) goes on as it is.
            if (name != node->itemName()) {
                m_edits.setNameForNode(name, node);
                m_context.platformDocument().undoManager()->setActionName(text("LSUDGroupEdit"));
            }
            m_context.displayActivatedJob();
            m_context.reloadOutline();
        } else if (function == 0) {
            node->setItemName(name);
            node->setActive(false);
            node->setType(Node::Group);
            m_edits.addNode(node, m_context.jobList(), m_context.jobList()->childrenCount());
            m_context.platformDocument().undoManager()->setActionName(text("LSUDaddGroup"));
            m_windowController.selectNode(node);
        }
    }
    // What was applied went through the undo manager, which marks the document as
    // edited; a cancelled sheet leaves it as it was.
    m_context.setAutoLoadFileName();
    m_context.updateUI();
    m_context.services().rebuildMenus();
}

JobNameSheet *NodeNameSheets::jobNameWindow() const
{
    return m_jobNameWindow.data();
}

GroupNameSheet *NodeNameSheets::groupNameWindow() const
{
    return m_groupNameWindow.data();
}
