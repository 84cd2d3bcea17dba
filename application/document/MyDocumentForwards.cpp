// MyDocument's operations whose work its collaborators do, and what the totals ask of
// it (TotalsHost) that is not the document's own work.
#include "application/document/DeleteAssistant.h"
#include "application/document/DocumentEdits.h"
#include "application/document/DocumentTotals.h"
#include "application/document/DocumentWindowController.h"
#include "platform/foundation/Bindings.h"
#include "application/document/MyDocument.h"
#include "application/document/NodeNameSheets.h"

void MyDocument::windowWillTearDown()
{
    m_colorLabelObserver.reset();
    m_windowController->windowWillTearDown();
}

QString MyDocument::selectedNodeWorkTime() const { return m_totals->selectedNodeWorkTime(); }
void MyDocument::setSelectedNodeWorkTime(const QString &text) { m_totals->setSelectedNodeWorkTime(text); }
QString MyDocument::selectedNodeWage() const { return m_totals->selectedNodeWage(); }
void MyDocument::setSelectedNodeWage(const QString &text) { m_totals->setSelectedNodeWage(text); }

void MyDocument::selectedTotalWillChange(const QString &key) { willChangeValueForKey(key); }
void MyDocument::selectedTotalDidChange(const QString &key, const QString &text)
{
    didChangeValueForKey(key);
    if (key == QLatin1String("selectedNodeWorkTime"))
        Q_EMIT selectedNodeWorkTimeChanged(text);
    else if (key == QLatin1String("selectedNodeWage"))
        Q_EMIT selectedNodeWageChanged(text);
}

void MyDocument::deleteAssistant(QObject *sender) { m_deleteAssistant->deleteAssistant(sender); }

void MyDocument::newJobEntry(QObject *sender) { m_nameSheets->newJobEntry(sender); }
void MyDocument::funcJobName(QObject *sender, int function) { m_nameSheets->funcJobName(sender, function); }
void MyDocument::newGroupEntry(QObject *sender) { m_nameSheets->newGroupEntry(sender); }
void MyDocument::funcGroupName(QObject *sender, int function) { m_nameSheets->funcGroupName(sender, function); }
