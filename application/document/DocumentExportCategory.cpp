// The export command of the document: the export panel on the document window, and
// on OK the chosen format written atomically to the chosen file; a PDF is written
// on a pool thread under a progress sheet that can cancel it. A failure (the file
// cannot be made, a write or the commit fails, the PDF output cannot start) is shown
// in an alert sheet with the file and the reason; an old file stays whole.
#include "application/base/DefaultsKeys.h"
#include "application/export/DocumentExportPanel.h"
#include "application/export/DocumentExporter.h"
#include "application/export/PdfExportJob.h"
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

    // A PDF is laid out and painted off the GUI thread, from a copy of the nodes.
    if (choices.format == DocumentExporter::Pdf && document.documentWindow()) {
        DocumentExporter::PdfPages pages;
        pages.info = DocumentExporter::exportPrintInfo();
        PdfExportJob *job = PdfExportJob::start(document.documentWindow(), exporter, path, pages);
        QObject::connect(job, &PdfExportJob::finished, &document,
                         platform::ExceptionBoundary::guarded(&document, "the PDF export's end",
                             [&document, path](PdfExportJob::Outcome outcome, const QString &reason) {
                                 if (outcome == PdfExportJob::Failed)
                                     showExportFailure(document, path, reason);
                             }));
        return;
    }

    // The XML is the document file's: the window state as it is now.
    DocumentValuesStore store = document.docValues();
    if (DocumentWindow *window = document.documentWindow()) {
        store.setWindowFrame(QRectF(window->pos(), window->size()));
        OutlineColumns::store(store, window->outlineView());
    }
    int treeFlags = 0;
    if (document.userDefaults().boolForKey(ExportWithoutTimeEntryKey))
        treeFlags |= Node::WithoutTimeEntries;
    if (document.userDefaults().boolForKey(ExportWithoutDayEntryKey))
        treeFlags |= Node::WithoutDayEntries;

    QString reason;
    if (!exporter.writeFile(path, choices.format, {choices.encoding, choices.separatorType, choices.lineEndType},
                            choices.encoding, store, treeFlags, &reason))
        showExportFailure(document, path, reason);
}

} // namespace

void MyDocument::saveAsRTFFile(QObject *)
{
    if (!m_window || platform::Sheet::sheetOfWindow(m_window))
        return;
    const QList<NodePtr> exportList = DocumentExporter::exportListFromSelection(DocumentExporter::selectedNodes(outlineView()));
    auto *panel = new DocumentExportPanel(m_window, userDefaults(), !exportList.isEmpty());
    panel->setParent(this);
    connect(panel, &DocumentExportPanel::finished, this,
            platform::ExceptionBoundary::guarded(this, "the export panel's end",
                                                 [this, panel, exportList](int returnCode) {
                exportDialogDidEnd(*this, *panel, returnCode, exportList);
                panel->deleteLater();
            }));
    panel->open();
}
