#pragma once
// Helpers for the application controller's tests: one controller per test over
// defaults that live as long as the test program (the preferences window, made once
// per process, keeps pointing at them), jobs put into documents, and a hot-key
// service that only records.
#include "application/controller/AppController.h"
#include "application/document/MyDocument.h"
#include "application/tree/Node.h"
#include "platform/desktop/DesktopNotifier.h"
#include "platform/desktop/HotKeyGrabber.h"
#include "platform/desktop/LogoutInhibitor.h"
#include "platform/desktop/SleepMonitor.h"
#include "platform/foundation/UserDefaults.h"
#include "tests/support/TestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDBusConnection>
#include <QDialog>
#include <QFileDialog>
#include <QHash>
#include <QList>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace appcontrollertest {

// Grabs nothing on any desktop; remembers what it was asked.
class RecordingGrabber : public platform::HotKeyGrabber
{
public:
    bool isAvailable() const override { return true; }
    bool grabHotKey(quint32 hotKeyID, quint16 keyCode, quint32 modifierFlags) override
    {
        grabs.append({keyCode, modifierFlags});
        held.insert(hotKeyID, keyCode);
        return true;
    }
    void ungrabHotKey(quint32 hotKeyID) override
    {
        if (held.contains(hotKeyID))
            ungrabs.append(held.take(hotKeyID));
    }
    QString lastError() const override { return QString(); }

    QList<std::pair<quint16, quint32>> grabs;
    QList<quint16> ungrabs;
    QHash<quint32, quint16> held;
};

// The defaults of every controller of the test program, emptied of the user's
// values before each test.
inline platform::UserDefaults &programDefaults()
{
    static QTemporaryDir dir;
    static platform::UserDefaults defaults(dir.filePath(QStringLiteral("defaults.conf")));
    return defaults;
}

inline void resetProgramDefaults()
{
    platform::UserDefaults &defaults = programDefaults();
    const QStringList keys = defaults.persistentValues().keys();
    for (const QString &key : keys)
        defaults.removeObjectForKey(key);
}

// A bus that cannot be reached: posts and the sleep monitor find nobody.
inline QDBusConnection unreachableBus()
{
    static const QDBusConnection bus = QDBusConnection::connectToBus(
        QStringLiteral("unix:path=/nonexistent/chronark-test-bus"), QStringLiteral("chronark-unreachable-bus"));
    return bus;
}

// What the controllers the tests make hand to their documents.
inline std::shared_ptr<DocumentServices> &testDocumentServices()
{
    static std::shared_ptr<DocumentServices> services = std::make_shared<DocumentServices>();
    return services;
}

// The logout is held through the portal on the notifications' bus.
inline AppController *makeController(QDBusConnection notificationBus = unreachableBus(),
                                      QDBusConnection sleepBus = unreachableBus())
{
    AppController::Services services;
    services.defaults = &programDefaults();
    services.notifier = new platform::DesktopNotifier(notificationBus);
    services.sleepMonitor = new platform::SleepMonitor(sleepBus);
    services.logoutInhibitor = new platform::LogoutInhibitor(notificationBus);
    services.documentServices = testDocumentServices();
    return AppController::create(services);
}

// Ends what a test left open (alerts, dialogs, counters) and the controller with
// its documents.
inline void destroyController(AppController *controller)
{
    for (QWidget *widget : QApplication::allWidgets()) {
        if (auto *box = qobject_cast<QMessageBox *>(widget); box && box->isVisible())
            box->reject();
        if (auto *dialog = qobject_cast<QFileDialog *>(widget); dialog && dialog->isVisible())
            dialog->reject();
    }
    if (controller) {
        for (platform::Document *document : controller->documents()) {
            if (auto *mine = qobject_cast<MyDocument *>(document); mine && mine->timerIsRunning())
                mine->stopTimer(mine);
        }
    }
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    delete controller;
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // Windows that outlive the controller: those that an answer above opened (the
    // crash alert, answered, opens the reporter window), until none is left. An
    // application-modal one left up keeps every later window from becoming active.
    for (int round = 0; round < 5; ++round) {
        QList<QPointer<QDialog>> shown;
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (auto *dialog = qobject_cast<QDialog *>(widget); dialog && dialog->isVisible())
                shown.append(dialog);
        }
        if (shown.isEmpty())
            break;
        for (const QPointer<QDialog> &dialog : shown) {
            if (dialog)
                dialog->reject();
        }
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::processEvents();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    }
}

// A job (in a group when one is named) appended to the document's tree.
inline NodePtr addJob(MyDocument *document, const QString &name, const NodePtr &group = nullptr)
{
    NodePtr job = Node::create(Node::Job);
    job->setItemName(name);
    if (group)
        group->addChild(job);
    else
        document->jobList()->addChild(job);
    document->reloadOutline();
    return job;
}

// The person's change in a saved document whose tree holds the job "Filed" (a job
// "Mine", not saved yet), and another application's change of its file (that job
// renamed): answers the file's new contents.
inline QByteArray changeHereAndElsewhere(MyDocument *document)
{
    addJob(document, QStringLiteral("Mine"));
    document->updateChangeCount(platform::Document::ChangeType::Done);
    QByteArray theirs = testsupport::readFile(document->filePath());
    theirs.replace("Filed", "Their job");
    EXPECT_TRUE(testsupport::writeFile(document->filePath(), theirs));
    return theirs;
}

inline NodePtr addGroup(MyDocument *document, const QString &name)
{
    NodePtr group = Node::create(Node::Group);
    group->setItemName(name);
    document->jobList()->addChild(group);
    return group;
}

// The job menu's items above the application's own items, as their titles
// (separators as "-").
inline QStringList jobMenuTitles(QMenu *menu)
{
    QStringList titles;
    for (QAction *item : menu->actions()) {
        if (item->objectName() == QStringLiteral("applicationMenu"))
            break;
        titles.append(item->isSeparator() ? QStringLiteral("-") : item->text());
    }
    while (!titles.isEmpty() && titles.last() == QStringLiteral("-"))
        titles.removeLast();
    return titles;
}

inline QAction *menuItemTitled(QMenu *menu, const QString &title)
{
    for (QAction *item : menu->actions()) {
        if (item->text() == title)
            return item;
    }
    return nullptr;
}

} // namespace appcontrollertest
