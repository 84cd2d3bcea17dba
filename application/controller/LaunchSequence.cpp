// The application's launch (see LaunchSequence.h).
#include "application/controller/LaunchSequence.h"

#include "NTXAppKit/reporting/NTXCrashReporter.h"
#include "application/base/DefaultsKeys.h"
#include "application/controller/AppController.h"
#include "application/controller/FileOpening.h"
#include "application/controller/PreferenceWindowSetup.h"
#include "application/controller/RecoveryCopies.h"
#include "application/document/DocumentServices.h"
#include "application/document/DocumentWindow.h"
#include "application/tree/DocumentReadAhead.h"
#include "platform/document/Document.h"
#include "platform/foundation/ExceptionBoundary.h"
#include "platform/foundation/MimeDatabaseWarmUp.h"
#include "platform/foundation/UserDefaults.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <cstdio>
#include <memory>
#include <new>

namespace {

// Runs work in the pass after a window was first exposed (its first drawing is done
// then); in the next pass when there is no window shown, or when it goes first.
class AfterFirstExpose : public QObject
{
public:
    static void run(QWidget *widget, QObject *context, std::function<void()> work)
    {
        QWindow *window = widget && widget->isVisible() ? widget->windowHandle() : nullptr;
        auto *watcher = new AfterFirstExpose(context, std::move(work));
        if (!window || window->isExposed()) {
            delete watcher;
            return;
        }
        watcher->setParent(window);
        window->installEventFilter(watcher);
    }

    ~AfterFirstExpose() override
    {
        if (!m_work || !m_context)
            return;
        QTimer::singleShot(0, m_context.data(),
                           platform::ExceptionBoundary::guarded(m_context.data(), "the launch's later work",
                                                                std::move(m_work)));
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    try {
        if (event->type() == QEvent::Expose && static_cast<QWindow *>(watched)->isExposed()) {
            watched->removeEventFilter(this);
            deleteLater();
        }
        return false;
    } catch (...) {
        platform::ExceptionBoundary::caught(this, "eventFilter");
        return false;
    }

private:
    AfterFirstExpose(QObject *context, std::function<void()> work) : m_context(context), m_work(std::move(work)) {}

    QPointer<QObject> m_context;
    std::function<void()> m_work;
};

} // namespace

LaunchSequence::LaunchSequence(AppController &controller, FileOpening &fileOpening, PreferenceWindowSetup &preferences,
                               std::function<void()> updateCheck)
    : QObject(&controller), m_controller(controller), m_fileOpening(fileOpening), m_preferences(preferences),
      m_updateCheck(std::move(updateCheck))
{
}

LaunchSequence::~LaunchSequence()
{
    // A launch still waiting for its files ends here.
    dropLaunchPreparation();
}

void LaunchSequence::launch(const QStringList &files, DocumentReadAhead *readAhead)
{
    // The file dialogs read Qt's MIME database on the GUI thread: it is read now, off it.
    platform::MimeDatabaseWarmUp::start();
    DocumentServices &services = m_controller.documentServices();
    QStringList named = files;
    named.removeAll(QString());
    if (!readAhead) {
        services.showCountingInApplicationIcon(false);
        finishLaunch(named, false);
        return;
    }
    QStringList toRead = named;
    if (const QString last = documentToReopen(); !last.isEmpty())
        toRead << last;
    readAhead->read(toRead);
    services.readAhead = readAhead;
    // A long read shows what File › Open shows: the progress window with the file's name.
    m_fileOpening.showProgressWhileReading(toRead, readAhead);
    // The first document's window is made while its file is read. Only a head start:
    // where the read takes the memory, the window is made when the document opens.
    if (readAhead->isReading()) {
        try {
            services.keepWindowMadeAhead(new DocumentWindow);
        } catch (const std::bad_alloc &) {
            // What the window had made is freed with it; the launch goes on.
        }
    }
    // The application's icon, before any window shows (the documents' services change
    // it while a counter runs, and know it is set: it is read once). Its images were
    // drawn on a pool thread meanwhile, while the window above was made; a launch
    // without a read-ahead sets it first thing.
    services.showCountingInApplicationIcon(false);
    // A quit while the files are read ends the launch there.
    auto quitting = std::make_shared<QMetaObject::Connection>();
    *quitting = connect(&m_controller, &platform::DocumentController::willTerminate, this,
                        platform::ExceptionBoundary::guarded(&m_controller, "a quit during the launch", [this, quitting] {
                            disconnect(*quitting);
                            if (DocumentReadAhead *reader = m_controller.documentServices().readAhead)
                                reader->cancel();
                            // Requests read with the launch's files went with them.
                            m_fileOpening.forgetRequests();
                            dropLaunchPreparation();
                        }));
    readAhead->whenRead(this, [this, named, quitting] {
        disconnect(*quitting);
        // Memory that runs out while the launch makes its windows ends it as it ends a
        // launch that runs out before the loop (main()): with a line, not a crash report
        // nor a program without a window.
        try {
            finishLaunch(named, true);
        } catch (const std::bad_alloc &) {
            std::fprintf(stderr, "%s: cannot start: there is not enough memory\n",
                         qPrintable(QFileInfo(QCoreApplication::applicationFilePath()).fileName()));
            QCoreApplication::exit(AppController::OutOfMemoryExitCode);
        }
    });
}

void LaunchSequence::finishLaunch(const QStringList &files, bool deferred)
{
    if (!files.isEmpty())
        m_controller.openDocumentsWithContentsOfFiles(files, true);
    didFinishLaunching(deferred);
    if (m_controller.documents().isEmpty() && m_controller.applicationShouldOpenUntitledFile())
        m_controller.openUntitledDocument(true);
    dropLaunchPreparation();
    if (!deferred)
        return;
    // What nobody sees at launch waits until the front document window was drawn
    // (or for the next pass when no window shows).
    QWidget *window = nullptr;
    for (platform::Document *document : m_controller.documents()) {
        if (document->mainWindow() && document->mainWindow()->isVisible())
            window = document->mainWindow();
    }
    AfterFirstExpose::run(window, this, [this] { doLaterLaunchWork(); });
}

void LaunchSequence::doLaterLaunchWork()
{
    if (m_controller.userDefaults()->boolForKey(UpdateAutoSearchKey))
        platform::ExceptionBoundary::guard(&m_controller, "the launch's update check", [this] { m_updateCheck(); });
    if (!m_preferences.windowController())
        platform::ExceptionBoundary::guard(&m_controller, "the launch's preferences", [this] { m_preferences.make(); });
}

void LaunchSequence::dropLaunchPreparation()
{
    // Later files are read by the controller's own reader.
    DocumentServices &services = m_controller.documentServices();
    services.readAhead = m_fileOpening.reader();
    services.dropWindowMadeAhead();
}

QString LaunchSequence::documentToReopen() const
{
    const platform::UserDefaults &defaults = *m_controller.userDefaults();
    if (!defaults.boolForKey(OpenLastEditedDocKey))
        return QString();
    return defaults.stringForKey(LestEditedFileNameKey);
}

void LaunchSequence::applicationDidFinishLaunching()
{
    didFinishLaunching(false);
}

void LaunchSequence::didFinishLaunching(bool deferred)
{
    // A crash report left by the last run is offered first.
    NTXCrashReporter::checkForCrash();
    // So are the unsaved changes kept when the last session ended.
    m_controller.recoveryCopies().offer();
    // A file that cannot be read is reported by the document machinery.
    if (const QString path = documentToReopen(); !path.isEmpty())
        m_controller.openDocumentWithContentsOfFile(path, true);
    if (deferred)
        return;
    if (m_controller.userDefaults()->boolForKey(UpdateAutoSearchKey)) {
        // The check waits for the server: let the windows show first.
        QTimer::singleShot(0, this, platform::ExceptionBoundary::guarded(&m_controller, "the launch's update check", [this] {
            m_updateCheck();
        }));
    }
    platform::ExceptionBoundary::guard(&m_controller, "the launch's preferences", [this] { m_preferences.make(); });
}
