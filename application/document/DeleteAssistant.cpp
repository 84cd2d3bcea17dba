// The delete assistant (see DeleteAssistant.h).
#include "application/sheets/DeleteAssistantSheet.h"
#include "application/document/DocumentWindow.h"
#include "application/document/DeleteAssistant.h"
#include "application/document/HeldNodes.h"
#include "application/document/DocumentContext.h"
#include "application/document/DocumentEdits.h"
#include "application/document/DocumentOutlineModel.h"
#include "application/document/DocumentServices.h"
#include "platform/document/Document.h"
#include "platform/drawing/Sheet.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/ExceptionBoundary.h"
#include "platform/foundation/UndoManager.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDateTimeEdit>
#include <QPushButton>

DeleteAssistant::DeleteAssistant(const DocumentContext &context, DocumentEdits &edits)
    : QObject(&context.platformDocument())
    , m_context(context)
    , m_edits(edits)
{
}

DeleteAssistant::~DeleteAssistant() = default;

void DeleteAssistant::deleteAssistant(QObject *)
{
    if (!m_context.documentWindow() || platform::Sheet::sheetOfWindow(m_context.documentWindow()))
        return;
    auto *sheet = new DeleteAssistantSheet(m_context.documentWindow());
    m_deleteWindow = sheet;
    sheet->deleteDate->setDateTime(platform::Clock::now());
    deleteAssistantValueChanged(sheet->deleteValue);
    QObject::connect(sheet->deleteOkButton, &QPushButton::clicked, this,
            platform::ExceptionBoundary::guarded(this, "OK", [this, button = sheet->deleteOkButton] {
                okDeleteAssistant(button);
            }));
    QObject::connect(sheet->deleteCancelButton, &QPushButton::clicked, this,
            platform::ExceptionBoundary::guarded(this, "Cancel", [this, button = sheet->deleteCancelButton] {
                okDeleteAssistant(button);
            }));
    QObject::connect(sheet->deleteValue, &QButtonGroup::idClicked, this,
            platform::ExceptionBoundary::guarded(this, "the kind of entries", [this, group = sheet->deleteValue] {
                deleteAssistantValueChanged(group);
            }));
    // It runs over the tree it was begun on, not over one read from the file meanwhile.
    auto *held = new HeldNodes(m_context, {m_context.jobList()}, sheet, sheet->deleteOkButton);
    platform::Sheet::begin(sheet, m_context.documentWindow(),
                           [self = QPointer(this), sheet = QPointer(sheet), held = QPointer(held)](int returnCode) {
                               if (self)
                                   self->sheetDidEndDeleteAssistant(sheet, held && held->present() ? returnCode : 0);
                               if (sheet)
                                   sheet->deleteLater();
                           });
}

void DeleteAssistant::deleteAssistantValueChanged(QObject *)
{
    // The date stays editable whatever the condition: the user may set it first.
}

void DeleteAssistant::okDeleteAssistant(QObject *sender)
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

void DeleteAssistant::sheetDidEndDeleteAssistant(DeleteAssistantSheet *sheet, int returnCode)
{
    if (returnCode != 1 || !sheet)
        return;
    const QDateTime picked = sheet->deleteDate->dateTime();
    m_deleteDateValue = picked.toOffsetFromUtc(picked.offsetFromUtc());
    Settings settings;
    settings.kind = sheet->kindTag();
    settings.condition = sheet->conditionTag();
    settings.onlyExecuted = sheet->deleteOnlyExecutedEntys->isChecked();
    settings.date = m_deleteDateValue;
    const DocumentOutlineModel::EditBatch batch(m_context.outlineModel());
    if (deleteAssistantActionForNode(m_context.jobList(), settings) > 0)
        m_context.platformDocument().undoManager()->setActionName(platform::localized(QStringLiteral("LSUDDeleteAss")));
    m_context.reloadOutline();
    m_context.updateUI();
    m_context.services().rebuildMenus();
}

bool DeleteAssistant::goes(const Node &node, const Settings &settings) const
{
    const int type = node.type();
    const bool candidate = settings.kind == 0 || (settings.kind == 1 && type == Node::Group)
                           || (settings.kind == 2 && type == Node::Job)
                           || (settings.kind == 3 && type == Node::TimeEntry);
    if (!candidate || &node == m_context.jobList().get() || type == Node::Root || !node.parent())
        return false;
    const Node *job = const_cast<Node &>(node).getRootObject();
    if (settings.onlyExecuted && !(job && job->executed()))
        return false;
    if (settings.condition == 0)
        return true;
    // Whole minutes from the creation to the date; seconds left over count not.
    const qint64 minutes = node.cDate().isValid() && settings.date.isValid() ? node.cDate().secsTo(settings.date) / 60 : 0;
    return settings.condition == 1 ? minutes > 0 : (settings.condition == 2 ? minutes < 0 : false);
}

int DeleteAssistant::deleteAssistantActionForNode(const NodePtr &node, const Settings &settings)
{
    if (!node)
        return 0;
    // The sums are added up once, at the end of the run.
    const DocumentOutlineModel::EditBatch batch(m_context.outlineModel());
    if (goes(*node, settings)) {
        m_edits.deleteNode(node, Node::shared(node->parent()));
        return 1;
    }
    const int deleted = deleteBelow(*node, settings);
    if (deleted == 0 && (node->type() == Node::Job || node->type() == Node::Group))
        m_edits.recalcTotalWorkTime(*node);
    return deleted;
}

bool DeleteAssistant::allGo(const Node &day, const Settings &settings) const
{
    const qsizetype count = day.childrenCount();
    for (qsizetype i = 0; i < count; ++i)
        if (const Node *child = day.childPointerAt(i); !child || !goes(*child, settings))
            return false;
    return count > 0;
}

int DeleteAssistant::deleteBelow(Node &node, const Settings &settings)
{
    const int type = node.type();
    if (type == Node::TimeEntry)
        return 0;
    // The children as they are now: a child's run changes only the lists below it, and
    // the children that go leave together, in one pass, after the walk over them. The
    // list is read in place (a copy of it for each of a million nodes would take and
    // give back a share of every child).
    const qsizetype count = node.childrenCount();
    QList<qsizetype> going;
    int deleted = 0;
    for (qsizetype i = 0; i < count && i < node.childrenCount(); ++i) {
        Node *child = node.childPointerAt(i);
        if (!child)
            continue;
        if (goes(*child, settings)) {
            going.append(i);
            continue;
        }
        // A day whose every entry goes would be left empty and go after them: it goes
        // at once, its entries in it (the tree is the same, and the undo puts the day
        // back whole instead of each day's entries one list at a time).
        if (child->type() == Node::Day && allGo(*child, settings)) {
            going.append(i);
            deleted += int(child->childrenCount());
            continue;
        }
        const int below = deleteBelow(*child, settings);
        deleted += below;
        // A day left without entries goes with them.
        if (child->type() == Node::Day && child->childrenCount() == 0)
            going.append(i);
        // A job or group the run changed below was counted by its removals; one it left
        // as it was is counted again.
        else if (below == 0 && (child->type() == Node::Job || child->type() == Node::Group))
            m_edits.recalcTotalWorkTime(*child);
    }
    if (!going.isEmpty()) {
        m_edits.deleteChildren(Node::shared(&node), going);
        deleted += int(going.size());
    }
    return deleted;
}

DeleteAssistantSheet *DeleteAssistant::deleteWindow() const
{
    return m_deleteWindow.data();
}
