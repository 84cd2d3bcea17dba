// The job-name sheet: the name and wage of a new job, or of an existing one.
#include "application/DocumentWindow.h"
#include "application/JobNameSheet.h"
#include "application/MyDocument.h"
#include "platform/foundation/Bundle.h"
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


} // namespace

void MyDocument::newJobEntry(QObject *)
{
    NodePtr job = Node::create(Node::Job);
    job->setItemName(text("LSjobName"));
    funcJobName(job, 0);
}

void MyDocument::funcJobName(QObject *sender, int function)
{
    if (function == 0) {
        newJobEntry(sender);
        return;
    }
    // The clicked row (or the menu item's node), else the selected one.
    NodePtr node = nodeForSender(sender, true);
    if (!node)
        node = nodeForSender(sender, false);
    if (node && node->type() == Node::Job)
        funcJobName(node, function);
}

void MyDocument::funcJobName(const NodePtr &node, int function)
{
    if (!m_window || !node || hasOpenSheet())
        return;
    if (function == 1 && (node->type() != Node::Job || !m_outlineModel->indexForNode(node.get()).isValid()))
        return;
    auto *sheet = new JobNameSheet(m_window);
    m_jobNameWindow = sheet;
    sheet->setWindowTitle(text(function == 1 ? "LSeditJob" : "LSnewJob"));
    sheet->jobTitle->setText(text(function == 1 ? "LSeditJob" : "LSnewJob"));
    sheet->jobName->setText(node->itemName());
    sheet->jobName->selectAll();
    sheet->jobWage->setValue(double(node->wage()));
    sheet->jobCurrencySymbol->setText(m_formatter.currencySymbol());
    connect(sheet->jobOkButton, &QPushButton::clicked, this,
            [this, button = sheet->jobOkButton] { endJobNameWindow(button); });
    connect(sheet->jobCancelButton, &QPushButton::clicked, this,
            [this, button = sheet->jobCancelButton] { endJobNameWindow(button); });
    // The sheet keeps its own node and function until it ends.
    connect(sheet, &QDialog::finished, this, [this, sheet, node, function](int returnCode) {
        sheetDidEndJobName(sheet, returnCode, node, function);
        sheet->deleteLater();
    });
    sheet->open();
}

void MyDocument::endJobNameWindow(QObject *sender)
{
    auto *widget = qobject_cast<QWidget *>(sender);
    auto *sheet = widget ? qobject_cast<JobNameSheet *>(widget->window()) : nullptr;
    if (!sheet)
        sheet = m_jobNameWindow;
    if (!sheet)
        return;
    sheet->done(sender && sender == sheet->jobOkButton ? 1 : 0);
}

void MyDocument::sheetDidEndJobName(JobNameSheet *sheet, int returnCode, const NodePtr &node, int function)
{
    if (returnCode == 1 && sheet && node) {
        const QString name = sheet->jobName->text();
        const float wage = float(sheet->jobWage->value());
        if (function == 1) {
            if (m_outlineModel->indexForNode(node.get()).isValid()) {
                // Only what the user changed: an untouched wage is not pushed down
                // the subtree (its days and entries may have wages of their own).
                if (name != node->itemName())
                    setNameForNode(name, node);
                if (wage != node->wage())
                    setWageForNode(wage, node);
                undoManager()->setActionName(text("LSUDJobEdit"));
                reloadOutline();
            }
        } else if (function == 0) {
            node->setItemName(name);
            node->setWage(wage);
            node->setWageForTree(wage);
            // At the end of the top level, as the active job.
            addNewJob(node, m_jobList);
            node->recalcTotalWorkTime();
            undoManager()->setActionName(text("LSUDaddEntry"));
            reloadOutline();
            if (QTreeView *outline = outlineView())
                outline->scrollTo(m_outlineModel->indexForNode(node.get()));
        }
    }
    setAutoLoadFileName();
    updateUI();
    rebuildApplicationMenus();
    displayActivatedJob();
}

JobNameSheet *MyDocument::jobNameWindow() const
{
    return m_jobNameWindow.data();
}
