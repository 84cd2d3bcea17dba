// The print command of the document: the print preview with its accessory on the
// document window; a printer that cannot start, or a print into a file that fails,
// is reported in an alert sheet.
#include "application/export/DocumentExporter.h"
#include "application/export/DocumentPrintPanel.h"
#include "application/export/ExportJob.h"
#include "application/document/DocumentWindow.h"
#include "application/document/MyDocument.h"
#include "platform/drawing/Sheet.h"
#include "platform/document/DocumentAlert.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/ExceptionBoundary.h"

void MyDocument::printDocument(QObject *)
{
    if (!documentWindow() || platform::Sheet::sheetOfWindow(documentWindow()))
        return;
    // The pages hold what the fields hold.
    if (!commitEditingOrTell())
        return;
    auto *panel = new DocumentPrintPanel(documentWindow(), userDefaults(), m_jobList, DocumentExporter::selectedNodes(outlineView()),
                                         m_formatter);
    panel->setParent(this);
    connect(panel, &DocumentPrintPanel::printFailed, this, platform::ExceptionBoundary::guarded(this, "printFailed", [this](const QString &reason) {
        platform::DocumentAlert::openError(documentWindow(), platform::localized(QStringLiteral("LSPrintFailed")), reason);
    }));
    connect(panel, &DocumentPrintPanel::printJobStarted, this, platform::ExceptionBoundary::guarded(this, "a print", [this](ExportJob *job) {
        connect(job, &ExportJob::finished, this, platform::ExceptionBoundary::guarded(this, "a print's end",
            [this](ExportJob::Outcome outcome, const QString &reason) {
                if (outcome == ExportJob::Failed)
                    platform::DocumentAlert::openError(documentWindow(), platform::localized(QStringLiteral("LSPrintFailed")), reason);
            }));
    }));
    connect(panel, &DocumentPrintPanel::finished, panel, &QObject::deleteLater);
    panel->open();
}
