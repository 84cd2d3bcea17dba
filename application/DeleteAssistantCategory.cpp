// The delete assistant: removes, in one undoable step, the nodes of a kind that meet
// a creation-date condition (and, when asked, belong to executed jobs), then the day
// entries left empty.
#include "application/DeleteAssistantSheet.h"
#include "application/DocumentWindow.h"
#include "application/MyDocument.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/UndoManager.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDateTimeEdit>
#include <QPushButton>

void MyDocument::deleteAssistant(QObject *)
{
    if (!m_window || hasOpenSheet())
        return;
    auto *sheet = new DeleteAssistantSheet(m_window);
    m_deleteWindow = sheet;
    sheet->deleteDate->setDateTime(platform::Clock::now());
    deleteAssistantValueChanged(sheet->deleteValue);
    connect(sheet->deleteOkButton, &QPushButton::clicked, this,
            [this, button = sheet->deleteOkButton] { okDeleteAssistant(button); });
    connect(sheet->deleteCancelButton, &QPushButton::clicked, this,
            [this, button = sheet->deleteCancelButton] { okDeleteAssistant(button); });
    connect(sheet->deleteValue, &QButtonGroup::idClicked, this,
            [this, group = sheet->deleteValue] { deleteAssistantValueChanged(group); });
    connect(sheet, &QDialog::finished, this, [this, sheet](int returnCode) {
        sheetDidEndDeleteAssistant(sheet, returnCode);
        sheet->deleteLater();
    });
    sheet->open();
}

void MyDocument::deleteAssistantValueChanged(QObject *)
{
    // The date stays editable whatever the condition: the user may set it first.
}

void MyDocument::okDeleteAssistant(QObject *sender)
{
    DeleteAssistantSheet *sheet = m_deleteWindow;
    if (!sheet)
        return;
    // A date being typed counts as entered.
    if (QWidget *focused = sheet->focusWidget())
        focused->clearFocus();
    sheet->deleteDate->interpretText();
    sheet->done(sender && sender == sheet->deleteOkButton ? 1 : 0);
}

void MyDocument::sheetDidEndDeleteAssistant(DeleteAssistantSheet *sheet, int returnCode)
{
    if (returnCode != 1 || !sheet)
        return;
    const QDateTime picked = sheet->deleteDate->dateTime();
    m_deleteDateValue = picked.toOffsetFromUtc(picked.offsetFromUtc());
    DeleteAssistantSettings settings;
    settings.kind = sheet->kindTag();
    settings.condition = sheet->conditionTag();
    settings.onlyExecuted = sheet->deleteOnlyExecutedEntys->isChecked();
    settings.date = m_deleteDateValue;
    const DocumentOutlineModel::EditBatch batch(m_outlineModel);
    if (deleteAssistantActionForNode(m_jobList, settings) > 0)
        undoManager()->setActionName(platform::localized(QStringLiteral("LSUDDeleteAss")));
    reloadOutline();
    updateUI();
    rebuildApplicationMenus();
}

int MyDocument::deleteAssistantActionForNode(const NodePtr &node, const DeleteAssistantSettings &settings)
{
    if (!node)
        return 0;
    const int type = node->type();
    const bool candidate = settings.kind == 0 || (settings.kind == 1 && type == Node::Group)
                           || (settings.kind == 2 && type == Node::Job)
                           || (settings.kind == 3 && type == Node::TimeEntry);
    if (candidate && node != m_jobList && type != Node::Root) {
        const Node *job = node->getRootObject();
        const bool blocked = settings.onlyExecuted && !(job && job->executed());
        bool match = true;
        if (settings.condition > 0) {
            // Whole minutes from the creation to the date; seconds left over count not.
            const qint64 minutes = node->cDate().isValid() && settings.date.isValid()
                                       ? node->cDate().secsTo(settings.date) / 60
                                       : 0;
            match = settings.condition == 1 ? minutes > 0 : (settings.condition == 2 ? minutes < 0 : false);
        }
        const NodePtr parent = node->parent() ? node->parent()->weak_from_this().lock() : NodePtr();
        if (!blocked && match && parent) {
            deleteNode(node, parent);
            return 1;
        }
    }
    if (type == Node::TimeEntry)
        return 0;
    int deleted = 0;
    // The children as they are now: deletions do not disturb the walk.
    for (const NodePtr &child : node->childEnumerator())
        deleted += deleteAssistantActionForNode(child, settings);
    if (type == Node::Job || type == Node::Group) {
        node->recalcTotalWorkTime();
    } else if (type == Node::Day && node->childrenCount() == 0) {
        if (const NodePtr job = node->parent() ? node->parent()->weak_from_this().lock() : NodePtr()) {
            deleteNode(node, job);
            ++deleted;
        }
    }
    return deleted;
}

DeleteAssistantSheet *MyDocument::deleteWindow() const
{
    return m_deleteWindow.data();
}
