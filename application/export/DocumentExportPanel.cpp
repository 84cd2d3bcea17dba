#include "application/export/DocumentExportPanel.h"

#include "AppKitExtensions/NTXEncodingPopUpButton.h"
#include "FoundationExtensions/NTXStringEncodings.h"
#include "application/base/DefaultsKeys.h"
#include "platform/drawing/KeptFileDialog.h"
#include "platform/drawing/Sheet.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/ExceptionBoundary.h"
#include "platform/foundation/UserDefaults.h"
#include "ui_DocumentExportAccessory.h"

#include <QPointer>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QGridLayout>
#include <QLineEdit>

namespace {

QString text(const char *key)
{
    return platform::localized(QString::fromLatin1(key));
}

void selectTag(QComboBox *popup, int tag)
{
    const int index = popup->findData(tag);
    popup->setCurrentIndex(index < 0 ? 0 : index);
}

int selectedTag(const QComboBox *popup)
{
    return popup->currentData().toInt();
}

// The name field of Qt's own save dialog.
QLineEdit *fileNameEdit(const QFileDialog *panel)
{
    return panel ? panel->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")) : nullptr;
}

// Qt's save dialog, whose name gains the format's extension before the dialog looks
// at it: the question about replacing a file is about the file written. It holds the
// accessory; it is kept under the window and reused by the window's next export
// panel (platform::KeptFileDialog).
class ExportSavePanel : public QFileDialog
{
public:
    static inline const QString Name = QStringLiteral("exportPanel");

    explicit ExportSavePanel(QWidget *window) : QFileDialog(window)
    {
        setObjectName(Name);
        setWindowTitle(text("LSExportPanelTitle"));
        setOption(QFileDialog::DontUseNativeDialog);
        setAcceptMode(QFileDialog::AcceptSave);
        setFileMode(QFileDialog::AnyFile);

        exportView = new QWidget(this);
        exportView->setObjectName(QStringLiteral("exportView"));
        ui.setupUi(exportView);
        if (auto *grid = qobject_cast<QGridLayout *>(layout()))
            grid->addWidget(exportView, grid->rowCount(), 0, 1, grid->columnCount());
        const std::pair<const char *, int> formats[] = {{"RTF", DocumentExporter::Rtf},
                                                        {"PDF", DocumentExporter::Pdf},
                                                        {"LSExportFormatText", DocumentExporter::TabText},
                                                        {"XML", DocumentExporter::Xml},
                                                        {"CSV", DocumentExporter::Csv}};
        for (const auto &[title, tag] : formats)
            ui.exportFormatPopup->addItem(text(title), tag);
        int tag = 0;
        for (const char *title : {"LSExportSeparatorComma", "LSExportSeparatorSemicolon", "LSExportSeparatorTab"})
            ui.exportSeparatorPopup->addItem(text(title), tag++);
        tag = 0;
        for (const char *title : {"LSExportLineEndCRLF", "LSExportLineEndCR", "LSExportLineEndLF"})
            ui.exportLineEndingPopup->addItem(text(title), tag++);
    }

    void accept() override
    {
        QLineEdit *name = fileNameEdit(this);
        const QString typed = name ? name->text() : QString();
        // A folder typed is opened, as the dialog does.
        if (!typed.trimmed().isEmpty() && !QFileInfo(directory(), typed).isDir()) {
            const QString withExtension = DocumentExportPanel::pathWithExtension(typed, defaultSuffix());
            if (withExtension != typed)
                name->setText(withExtension);
        }
        QFileDialog::accept();
    }

    Ui::DocumentExportAccessory ui;
    QWidget *exportView = nullptr;
};

} // namespace

DocumentExportPanel::DocumentExportPanel(QWidget *window, platform::UserDefaults &defaults, bool hasExportList)
    : m_defaults(defaults), m_window(window), m_hasExportList(hasExportList)
{
    auto *panel = static_cast<ExportSavePanel *>(platform::KeptFileDialog::find(window, ExportSavePanel::Name));
    if (!panel)
        panel = new ExportSavePanel(window);
    m_panel = panel;
    m_ui = &panel->ui;
    m_exportView = panel->exportView;
    m_panel->setDirectory(startFolder(defaults));
    // A name typed for the last export is not this one's.
    platform::KeptFileDialog::clearName(m_panel);
    fill();

    for (QComboBox *popup : {m_ui->exportFormatPopup, m_ui->exportSeparatorPopup, m_ui->exportLineEndingPopup}) {
        connect(popup, &QComboBox::activated, this,
                platform::ExceptionBoundary::guarded(this, "an export choice", [this, popup] {
                    exportViewAction(popup);
                }));
    }
    for (QCheckBox *box : {m_ui->exportWithoutTimeEntry, m_ui->exportWithoutDayEntry, m_ui->exportSelectedJobs})
        connect(box, &QCheckBox::clicked, this,
                platform::ExceptionBoundary::guarded(this, "an export option", [this, box] { exportViewAction(box); }));
    exportViewAction(nullptr);
}

DocumentExportPanel::~DocumentExportPanel()
{
    if (!m_panel || m_released)
        return;
    // Gone before its question was answered: the question goes too.
    if (platform::Sheet::isRunning(m_panel)) {
        platform::Sheet::end(m_panel, platform::Sheet::Aborted);
        m_panel->hide();
    }
    release();
}

void DocumentExportPanel::release()
{
    if (m_released)
        return;
    m_released = true;
    if (!m_panel)
        return;
    for (QObject *control : m_exportView->findChildren<QObject *>())
        disconnect(control, nullptr, this, nullptr);
    platform::KeptFileDialog::keep(m_panel, m_window);
}

void DocumentExportPanel::fill()
{
    selectTag(m_ui->exportFormatPopup,
              DocumentExporter::formatFromStored(int(m_defaults.integerForKey(LastExportTypeKey))));
    m_ui->exportEncodingPopup->setEncoding(usableStoredEncoding(m_defaults), false);
    m_ui->exportWithoutTimeEntry->setChecked(m_defaults.boolForKey(ExportWithoutTimeEntryKey));
    m_ui->exportWithoutDayEntry->setChecked(m_defaults.boolForKey(ExportWithoutDayEntryKey));
    m_ui->exportSelectedJobs->setChecked(m_defaults.boolForKey(ExportSelectedJobsKey));
    m_ui->exportSelectedJobs->setEnabled(m_hasExportList);
}

void DocumentExportPanel::open()
{
    platform::Sheet::begin(m_panel, m_panel->parentWidget(), [self = QPointer(this)](int result) {
        if (!self || self->m_finished)
            return;
        self->m_finished = true;
        const int returnCode = result == QDialog::Accepted && !self->m_panel->selectedFiles().isEmpty() ? 1 : 0;
        if (returnCode == 1)
            self->storeChoices();
        Q_EMIT self->finished(returnCode);
        // The choices were read: the dialog waits for the window's next export.
        if (self)
            self->release();
    });
}

DocumentExportPanel::Choices DocumentExportPanel::choices() const
{
    Choices choices;
    choices.format = DocumentExporter::formatFromStored(selectedTag(m_ui->exportFormatPopup));
    choices.encoding = m_ui->exportEncodingPopup->selectedEncoding();
    choices.withoutTimeEntry = m_ui->exportWithoutTimeEntry->isChecked();
    choices.withoutDayEntry = m_ui->exportWithoutDayEntry->isChecked();
    choices.selectedJobs = m_ui->exportSelectedJobs->isChecked() && m_ui->exportSelectedJobs->isEnabled();
    choices.separatorType = selectedTag(m_ui->exportSeparatorPopup);
    choices.lineEndType = selectedTag(m_ui->exportLineEndingPopup);
    return choices;
}

QString DocumentExportPanel::selectedPath() const
{
    const QStringList files = m_panel ? m_panel->selectedFiles() : QStringList();
    if (files.isEmpty())
        return QString();
    return pathWithExtension(files.first(), DocumentExporter::fileExtension(choices().format));
}

QString DocumentExportPanel::withOfferedExtensionReplaced(const QString &path, const QString &extension)
{
    const QString suffix = QFileInfo(path).suffix();
    if (suffix.isEmpty() || suffix.compare(extension, Qt::CaseInsensitive) == 0)
        return path;
    for (int format = 0; format < DocumentExporter::FormatCount; ++format) {
        if (suffix.compare(DocumentExporter::fileExtension(format), Qt::CaseInsensitive) == 0)
            return path.left(path.size() - suffix.size()) + extension;
    }
    return path;
}

QString DocumentExportPanel::pathWithExtension(const QString &path, const QString &extension)
{
    const QString replaced = withOfferedExtensionReplaced(path, extension);
    if (QFileInfo(replaced).suffix().compare(extension, Qt::CaseInsensitive) == 0)
        return replaced;
    return replaced + QLatin1Char('.') + extension;
}

QString DocumentExportPanel::startFolder(const platform::UserDefaults &defaults)
{
    const QString last = defaults.stringForKey(LastExportFolderKey);
    if (!last.isEmpty() && QFileInfo(last).isDir())
        return last;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return !documents.isEmpty() && QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

void DocumentExportPanel::noteExportFolder(platform::UserDefaults &defaults, const QString &path)
{
    if (!path.isEmpty())
        defaults.setString(QFileInfo(path).absolutePath(), LastExportFolderKey);
}

quint32 DocumentExportPanel::usableStoredEncoding(const platform::UserDefaults &defaults)
{
    constexpr quint32 fallback = NTXStringEncodings::UTF8StringEncoding;
    const QVariant stored = defaults.objectForKey(ExportEncodingNewKey);
    if (!stored.isValid())
        return fallback;
    bool ok = false;
    const qint64 number = stored.toLongLong(&ok);
    if (ok && number >= 0 && number <= 0xFFFFFFFFLL && NTXStringEncodings::isAvailable(quint32(number)))
        return quint32(number);
    const QString name = ok ? NTXStringEncodings::displayName(quint32(number)) : QString();
    qInfo("The stored export encoding %s cannot be used here; the export starts with %s.",
          qUtf8Printable(name.isEmpty() ? stored.toString() : name),
          qUtf8Printable(NTXStringEncodings::displayName(fallback)));
    return fallback;
}

void DocumentExportPanel::exportViewAction(QObject *sender)
{
    const int format = selectedTag(m_ui->exportFormatPopup);
    const QString extension = DocumentExporter::fileExtension(format);
    // A name with the extension of a format offered gets the new one, any other name
    // stays as typed (the dialog of its own would replace whatever follows a dot).
    QLineEdit *name = fileNameEdit(m_panel);
    const QString typed = name ? name->text() : QString();
    m_panel->setNameFilter(QStringLiteral("%1 (*.%2)").arg(m_ui->exportFormatPopup->currentText(), extension));
    m_panel->setDefaultSuffix(extension);
    if (name && name->text() != withOfferedExtensionReplaced(typed, extension))
        name->setText(withOfferedExtensionReplaced(typed, extension));
    m_ui->exportEncodingPopup->setEnabled(format == DocumentExporter::TabText || format == DocumentExporter::Csv);
    m_ui->exportSeparatorPopup->setEnabled(format == DocumentExporter::Csv);
    m_ui->exportLineEndingPopup->setEnabled(format == DocumentExporter::Csv);
    if (sender == m_ui->exportWithoutTimeEntry && !m_ui->exportWithoutTimeEntry->isChecked())
        m_ui->exportWithoutDayEntry->setChecked(false);
    if (sender == m_ui->exportWithoutDayEntry && m_ui->exportWithoutDayEntry->isChecked())
        m_ui->exportWithoutTimeEntry->setChecked(true);
}

void DocumentExportPanel::storeChoices()
{
    const Choices chosen = choices();
    m_defaults.setInteger(chosen.format, LastExportTypeKey);
    // Only an encoding is stored: the next export starts from it.
    if (NTXStringEncodings::isAvailable(chosen.encoding))
        m_defaults.setInteger(chosen.encoding, ExportEncodingNewKey);
    m_defaults.setBool(m_ui->exportWithoutTimeEntry->isChecked(), ExportWithoutTimeEntryKey);
    m_defaults.setBool(m_ui->exportWithoutDayEntry->isChecked(), ExportWithoutDayEntryKey);
    m_defaults.setBool(m_ui->exportSelectedJobs->isChecked(), ExportSelectedJobsKey);
    noteExportFolder(m_defaults, selectedPath());
}
