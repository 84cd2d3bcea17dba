// The export command of the document: the export panel on the document window, and
// on OK the chosen format written atomically to the chosen file, on a pool thread
// under a progress sheet that can cancel it. A failure (the file
// cannot be made, a write or the commit fails, the PDF output cannot start) is shown
// in an alert sheet with the file and the reason; an old file stays whole.
#include "application/base/DefaultsKeys.h"
#include "application/export/DocumentExportPanel.h"
#include "application/export/DocumentExporter.h"
#include "application/export/ExportJob.h"
#include "application/document/DocumentWindow.h"
#include "application/document/MyDocument.h"
#include "application/document/OutlineColumns.h"
#include "platform/drawing/Sheet.h"
#include "platform/document/DocumentAlert.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/ExceptionBoundary.h"
#include "platform/foundation/UserDefaults.h"

#include <QDir>
#include <QFileDialog>

namespace {

void showExportFailure(MyDocument &document, const QString &path, const QString &reason)
{
    platform::DocumentAlert::openError(
        document.documentWindow(),
        platform::localized(QStringLiteral("LSExportFailed")).replace(QStringLiteral("%@"),
            platform::DocumentAlert::quotedPath(QDir::toNativeSeparators(path))),
        reason);
}

void exportDialogDidEnd(MyDocument &document, DocumentExportPanel &panel, int returnCode, QList<NodePtr> exportList)
{
    if (returnCode != 1)
        return;
    const DocumentExportPanel::Choices choices = panel.choices();
    if (!choices.selectedJobs)
        exportList.clear();
    DocumentExporter::Options options;
    options.withoutTimeEntries = choices.withoutTimeEntry;
    options.withoutDayEntries = choices.withoutDayEntry;
    const DocumentExporter exporter(document.jobList(), exportList, document.formatter(), options);
    const QString path = panel.selectedPath();

    // The XML is the document file's: the window state as it is now.
    DocumentExporter::FileSettings settings;
    settings.csv = {choices.encoding, choices.separatorType, choices.lineEndType};
    settings.textEncoding = choices.encoding;
    settings.store = document.docValues();
    if (DocumentWindow *window = document.documentWindow()) {
        settings.store.setWindowFrame(QRectF(window->pos(), window->size()));
        OutlineColumns::store(settings.store, window->outlineView());
    }
    if (document.userDefaults().boolForKey(ExportWithoutTimeEntryKey))
        settings.treeFlags |= Node::WithoutTimeEntries;
    if (document.userDefaults().boolForKey(ExportWithoutDayEntryKey))
        settings.treeFlags |= Node::WithoutDayEntries;

    // Without a window (nothing to show a sheet on) the file is written here.
    if (!document.documentWindow()) {
        QString reason;
        if (!exporter.writeFile(path, choices.format, settings.csv, settings.textEncoding, settings.store,
                                settings.treeFlags, &reason))
            showExportFailure(document, path, reason);
        return;
    }
    // Written off the GUI thread, from a copy of the nodes taken now.
    ExportJob *job = ExportJob::start(document.documentWindow(), exporter, path, choices.format, settings);
    QObject::connect(job, &ExportJob::finished, &document,
                     platform::ExceptionBoundary::guarded(&document, "the export's end",
                         [&document, path](ExportJob::Outcome outcome, const QString &reason) {
                             if (outcome == ExportJob::Failed)
                                 showExportFailure(document, path, reason);
                         }));
}

} // namespace

void MyDocument::saveAsRTFFile(QObject *)
{
    if (!documentWindow() || platform::Sheet::sheetOfWindow(documentWindow()))
        return;
    // The export holds what the fields hold.
    if (!commitEditingOrTell())
        return;
    const QList<NodePtr> exportList = DocumentExporter::exportListFromSelection(DocumentExporter::selectedNodes(outlineView()));
    auto *panel = new DocumentExportPanel(documentWindow(), userDefaults(), !exportList.isEmpty());
    panel->setParent(this);
    connect(panel, &DocumentExportPanel::finished, this,
            platform::ExceptionBoundary::guarded(this, "the export panel's end",
                                                 [this, panel, exportList](int returnCode) {
                exportDialogDidEnd(*this, *panel, returnCode, exportList);
                panel->deleteLater();
            }));
    panel->open();
}
