#pragma once
// The export panel: Qt's own save dialog (the native one takes no accessory),
// window-modal on the document window, with the accessory of the format, the text
// encoding, the CSV separator and line end and three options. The filter and the
// default suffix follow the format. A name that ends in the extension of any format
// offered has it replaced by the chosen format's, when the format changes and when
// the dialog is accepted; any other name gains the extension when accepted, before
// the dialog asks about replacing a file, so that it asks about the file written.
// The panel opens in startFolder(). open() returns at once; finished() reports the
// end once, with 1 for OK and 0 otherwise; the choices go to the user defaults only
// on OK.
//
// Owned by the caller (delete it after finished()); the dialog, with the accessory,
// is a child of the window, kept there when the panel ends and reused by the window's
// next export panel (platform::KeptFileDialog: Qt writes its settings file each time
// one of its file dialogs is destroyed). The choices are read before finished() ends;
// after that choices() and selectedPath() answer nothing of use. GUI thread only.
#include "application/export/DocumentExporter.h"

#include <QObject>
#include <QPointer>
#include <memory>

#include <QFileDialog>
class QWidget;

namespace platform {
class UserDefaults;
}
namespace Ui {
class DocumentExportAccessory;
}

class DocumentExportPanel : public QObject
{
    Q_OBJECT
public:
    struct Choices
    {
        DocumentExporter::Format format = DocumentExporter::Rtf;
        quint32 encoding = 4;
        bool withoutTimeEntry = false;
        bool withoutDayEntry = false;
        bool selectedJobs = false;
        int separatorType = 0;
        int lineEndType = 0;
    };

    // The accessory takes the stored choices; the only-selected-jobs box is enabled
    // only when there is an export list.
    DocumentExportPanel(QWidget *window, platform::UserDefaults &defaults, bool hasExportList);
    ~DocumentExportPanel() override;

    void open();
    QFileDialog *savePanel() const { return m_panel; }
    QWidget *exportView() const { return m_exportView; }

    Choices choices() const;
    // The file chosen, with the format's extension.
    QString selectedPath() const;
    // A file name with the extension: kept when it has it (case aside), put in place
    // of the extension of another format offered, added to any other name.
    static QString pathWithExtension(const QString &path, const QString &extension);
    // A file name ending in the extension of another format offered (case aside)
    // with the extension in its place; any other name unchanged.
    static QString withOfferedExtensionReplaced(const QString &path, const QString &extension);
    // Where the export and print-to-file panels open: the folder of the last export
    // (stored on OK) while it exists, else the user's documents folder (the home
    // folder when there is none).
    static QString startFolder(const platform::UserDefaults &defaults);
    static void noteExportFolder(platform::UserDefaults &defaults, const QString &path);
    // The encoding the accessory starts with: the stored one when it can be used
    // here, else UTF-8 (the replacement is logged).
    static quint32 usableStoredEncoding(const platform::UserDefaults &defaults);

    // The accessory controls' action: filter, suffix, enabled pop-ups and the
    // coupling of the two entry boxes (without days means without time entries).
    void exportViewAction(QObject *sender);

Q_SIGNALS:
    void finished(int returnCode);

private:
    void fill();
    void storeChoices();
    // Hands the dialog back to the window, once.
    void release();

    platform::UserDefaults &m_defaults;
    QPointer<QWidget> m_window;
    QPointer<QFileDialog> m_panel;
    QWidget *m_exportView = nullptr;
    Ui::DocumentExportAccessory *m_ui = nullptr;
    bool m_released = false;
    bool m_hasExportList;
    bool m_finished = false;
};
