#pragma once
// What a document reaches outside itself: the application controller's menu rebuild
// and notification poster, the controller's identity (stops it sends are silent),
// the user's idle time, the sounds, the counts all documents of one application
// share (the running counters, the reminder ticks), and what the launch prepared
// while the application started: the documents read ahead and a window made ahead.
//
// The application controller makes one and hands it to every document it makes
// (through the document type); a document made without one gets one of its own.
// Shared by its documents (std::shared_ptr); nothing here is process-wide. A hook
// left empty does nothing (the idle time then comes from the platform's idle
// monitor, the sounds from the shared catalogue). GUI thread only.
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class DocumentReadAhead;
class DocumentWindow;
class NTXSoundManager;
class QMenuBar;

namespace platform {
class IdleMonitor;
}

class DocumentServices
{
public:
    DocumentServices();
    ~DocumentServices();
    DocumentServices(const DocumentServices &) = delete;
    DocumentServices &operator=(const DocumentServices &) = delete;

    // "Rebuild your menus": the jobs or the active job may have changed.
    std::function<void()> menuRebuilder;
    // Puts the application's own menu into a new document window's menu bar.
    std::function<void(QMenuBar *menuBar)> applicationMenuInstaller;
    // Posts a desktop notification (message, title).
    std::function<void(const QString &message, const QString &title)> notificationPoster;
    // The application controller: stops it sends are silent.
    QPointer<QObject> applicationController;
    // Where the idle seconds come from (empty: the platform's idle monitor).
    std::function<double()> idleSecondsSource;
    // The catalogue the counter's sounds play from (null: the shared one), or a
    // player that takes the sound's name in its place.
    NTXSoundManager *soundCatalogue = nullptr;
    std::function<void(const QString &soundName)> soundPlayer;

    // The files of the launch read ahead (null: none); a document reading one of
    // them takes the tree read from there.
    QPointer<DocumentReadAhead> readAhead;
    // A document window made while the launch's files were read: the next document
    // window made is this one. Kept here until taken; deleted with this object, or
    // by dropWindowMadeAhead().
    void keepWindowMadeAhead(DocumentWindow *window);
    DocumentWindow *takeWindowMadeAhead();
    void dropWindowMadeAhead();

    // Counters running in the documents that share this object.
    int runningCounters = 0;
    // Ticks of those counters since the reminder last played.
    int reminderTickCount = 0;

    void rebuildMenus() const;
    void installApplicationMenu(QMenuBar *menuBar) const;
    void postNotification(const QString &message, const QString &title) const;
    double userIdleSeconds();
    NTXSoundManager *catalogue() const;
    void playSound(const QString &soundName) const;
    // The application's icon shows whether a counter runs. Set only when that
    // changes: every change re-sends each window's icon to the display server.
    void showCountingInApplicationIcon(bool counting);
    // Draws ahead, on a pool thread, the icons a document window first shows: the
    // application's (showCountingInApplicationIcon), the toolbar's and the outline's.
    static void prepareWindowImages();

private:
    std::optional<bool> m_iconShowsCounting;
    QPointer<DocumentWindow> m_windowMadeAhead;
    std::unique_ptr<platform::IdleMonitor> m_idleMonitor;
};
