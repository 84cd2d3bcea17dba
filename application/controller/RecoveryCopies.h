#pragma once
// The copies kept of unsaved documents when the session ends without a chance to ask
// (a termination signal, a logout), and their offer at the next launch.
//
// A copy is the document as the document's own writer writes it, written atomically
// (platform::SaveFile) into the recovery folder beside the crash reports
// ("$XDG_STATE_HOME/Chronark/Recovery"), never over the person's file: "ID.chronark",
// then "ID.recovery", a small JSON object naming the document's file ("original",
// empty for an "Untitled" one) and its name as the window showed it ("name"). A copy
// whose note is missing (the process was killed between the two) is offered as an
// "Untitled" document; a note without its copy is removed.
//
// The offer shows one alert per copy, one at a time: Open opens the copy as the
// unsaved document it was, titled after its file and saved there
// (DocumentController::openRecoveredDocument()); Discard removes it; an alert closed
// without an answer leaves it for the next launch. The copy of a document opened that
// way goes when the document is saved or closes (a clean quit closes every document),
// unless the session ends again and keeping its new copy failed.
//
// Ownership: owned by its AppController (a child object, through a unique_ptr); it
// follows the documents opened from copies through QPointers. Failure: a copy that
// cannot be written is reported in the log and in the answer of keep(); one that cannot
// be read when opened shows an error alert and stays. Nothing here throws. Threads: GUI
// thread only.
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

class AppController;
namespace platform {
class Document;
}

class RecoveryCopies : public QObject
{
    Q_OBJECT
public:
    static inline const QString NoteSuffix = QStringLiteral(".recovery");
    // The longest note read (a path is at most 4096 bytes, a name some thousands).
    static constexpr qint64 MaximumNoteBytes = 64 * 1024;

    // "$XDG_STATE_HOME/Chronark/Recovery" ($XDG_STATE_HOME defaults to ~/.local/state).
    static QString defaultFolder();

    // Keeps the copies in `folder` (the default one when empty), read when asked.
    explicit RecoveryCopies(AppController &controller, const QString &folder = QString());
    ~RecoveryCopies() override;

    QString folder() const { return m_folder; }

    struct Copy
    {
        QString copyPath;
        QString notePath;
        QString originalPath; // empty: the document had no file
        QString name;         // as the window showed it
    };
    // The copies in the folder, oldest first (notes without a copy are removed).
    QList<Copy> copies() const;

    // Writes a copy of the document's unsaved changes; false, with the reason, when it
    // could not be written whole.
    bool keep(platform::Document *document, QString *reason = nullptr);

    // Offers every copy, one alert at a time.
    void offer();
    // What the offer's answers do.
    platform::Document *open(const Copy &copy, QString *reason = nullptr);
    static void discard(const Copy &copy);

private:
    void follow(platform::Document *document, const Copy &copy);
    void offerNext(QList<Copy> queue);

    AppController &m_controller;
    QString m_folder;
    // The documents opened from copies, with their copies.
    QHash<platform::Document *, Copy> m_opened;
    // The documents whose copy could not be kept as the session ended.
    QList<QPointer<platform::Document>> m_notKept;
};
