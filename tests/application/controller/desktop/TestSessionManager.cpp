// The XSMP session manager of the tests (see TestSessionManager.h).
#include "tests/application/controller/desktop/TestSessionManager.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <QSocketNotifier>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <X11/SM/SMlib.h>

struct TestSessionManager::State
{
    State()
    {
        // A client that went leaves a socket whose writes would end the test with SIGPIPE.
        m_oldPipeAction = std::signal(SIGPIPE, SIG_IGN);
        // ICE's own handler of a connection that broke (the client went) ends the process.
        m_oldIoHandler = IceSetIOErrorHandler([](IceConn) {});
        char error[256] = {};
        if (!SmsInitialize("chronark-tests", "1.0", &State::newClient, this, &acceptAnyHost, sizeof error, error))
            return;
        int count = 0;
        if (!IceListenForConnections(&count, &m_listeners, sizeof error, error) || count == 0)
            return;
        m_count = count;
        for (int i = 0; i < count; ++i) {
            IceSetHostBasedAuthProc(m_listeners[i], &acceptAnyHost);
            auto *notifier = new QSocketNotifier(IceGetListenConnectionNumber(m_listeners[i]), QSocketNotifier::Read);
            QObject::connect(notifier, &QSocketNotifier::activated, notifier, [this, i] { accept(m_listeners[i]); });
            m_notifiers.emplace_back(notifier);
        }
        char *ids = IceComposeNetworkIdList(count, m_listeners);
        m_address = QString::fromLatin1(ids);
        std::free(ids);
    }
    ~State()
    {
        m_notifiers.clear();
        if (m_client)
            SmsCleanUp(m_client);
        if (m_ice && !m_broken)
            IceCloseConnection(m_ice);
        if (m_listeners)
            IceFreeListenObjs(m_count, m_listeners);
        // ICE leaves its sockets' names ("local/host:/tmp/.ICE-unix/PID"), and the folder
        // it made for them when it was not there.
        QString folder;
        for (const QString &id : m_address.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            const QString path = id.section(QLatin1Char(':'), 1);
            if ((id.startsWith(QLatin1String("local/")) || id.startsWith(QLatin1String("unix/"))) && path.startsWith(QLatin1Char('/'))) {
                QFile::remove(path);
                folder = QFileInfo(path).path();
            }
        }
        if (!folder.isEmpty())
            QDir().rmdir(folder);
        IceSetIOErrorHandler(m_oldIoHandler);
        std::signal(SIGPIPE, m_oldPipeAction);
    }
    // The value of SESSION_MANAGER; empty when the manager could not listen.
    QString address() const { return m_address; }
    bool hasClient() const { return m_registered; }
    void askToSaveForLogout(bool questions)
    {
        m_interactDone = m_saveDone = m_interactionAsked = false;
        SmsSaveYourself(m_client, SmSaveBoth, True, questions ? SmInteractStyleAny : SmInteractStyleNone, False);
    }
    void die() { SmsDie(m_client); }
    bool interactionAsked() const { return m_interactionAsked; }
    bool saveDone() const { return m_saveDone; }
    bool interactDone() const { return m_interactDone; }
    bool logoutCancelled() const { return m_cancelled; }
    void cancelShutdown() { SmsShutdownCancelled(m_client); }

    static Bool acceptAnyHost(char *) { return True; }

    void accept(IceListenObj listener)
    {
        IceAcceptStatus status;
        IceConn connection = IceAcceptConnection(listener, &status);
        if (!connection || status != IceAcceptSuccess)
            return;
        m_ice = connection;
        m_broken = false;
        auto *notifier = new QSocketNotifier(IceConnectionNumber(connection), QSocketNotifier::Read);
        QObject::connect(notifier, &QSocketNotifier::activated, notifier, [this, notifier] {
            if (IceProcessMessages(m_ice, nullptr, nullptr) != IceProcessMessagesSuccess) {
                notifier->setEnabled(false);
                m_broken = true;
            }
        });
        m_notifiers.emplace_back(notifier);
    }

    static Status newClient(SmsConn client, SmPointer data, unsigned long *mask, SmsCallbacks *callbacks, char **)
    {
        auto *self = static_cast<State *>(data);
        self->m_client = client;
        self->m_registered = false;
        std::memset(callbacks, 0, sizeof *callbacks);
        callbacks->register_client.callback = [](SmsConn connection, SmPointer me, char *) -> Status {
            char *id = SmsGenerateClientID(connection);
            const Status status = SmsRegisterClientReply(connection, id);
            std::free(id);
            static_cast<State *>(me)->m_registered = true;
            return status;
        };
        callbacks->interact_request.callback = [](SmsConn connection, SmPointer me, int) {
            static_cast<State *>(me)->m_interactionAsked = true;
            SmsInteract(connection);
        };
        callbacks->interact_done.callback = [](SmsConn, SmPointer me, Bool cancel) {
            auto *manager = static_cast<State *>(me);
            manager->m_interactDone = true;
            manager->m_cancelled = cancel;
        };
        callbacks->save_yourself_done.callback = [](SmsConn, SmPointer me, Bool success) {
            static_cast<State *>(me)->m_saveDone = true;
        };
        callbacks->save_yourself_request.callback = [](SmsConn, SmPointer, int, Bool, int, Bool, Bool) {};
        callbacks->save_yourself_phase2_request.callback = [](SmsConn, SmPointer) {};
        callbacks->close_connection.callback = [](SmsConn connection, SmPointer me, int count, char **reasons) {
            SmFreeReasons(count, reasons);
            auto *manager = static_cast<State *>(me);
            if (manager->m_client == connection) {
                SmsCleanUp(connection);
                manager->m_client = nullptr;
            }
        };
        callbacks->set_properties.callback = [](SmsConn, SmPointer, int count, SmProp **properties) {
            for (int i = 0; i < count; ++i)
                SmFreeProperty(properties[i]);
            std::free(properties);
        };
        callbacks->delete_properties.callback = [](SmsConn, SmPointer, int count, char **names) {
            for (int i = 0; i < count; ++i)
                std::free(names[i]);
            std::free(names);
        };
        callbacks->get_properties.callback = [](SmsConn connection, SmPointer) { SmsReturnProperties(connection, 0, nullptr); };
        for (auto *entry : {&callbacks->register_client.manager_data, &callbacks->interact_request.manager_data,
                            &callbacks->interact_done.manager_data, &callbacks->save_yourself_request.manager_data,
                            &callbacks->save_yourself_phase2_request.manager_data,
                            &callbacks->save_yourself_done.manager_data, &callbacks->close_connection.manager_data,
                            &callbacks->set_properties.manager_data, &callbacks->delete_properties.manager_data,
                            &callbacks->get_properties.manager_data})
            *entry = self;
        *mask = ~0UL;
        return 1;
    }

    void (*m_oldPipeAction)(int) = SIG_DFL;
    IceIOErrorHandler m_oldIoHandler = nullptr;
    IceListenObj *m_listeners = nullptr;
    int m_count = 0;
    IceConn m_ice = nullptr;
    SmsConn m_client = nullptr;
    std::vector<std::unique_ptr<QSocketNotifier>> m_notifiers;
    QString m_address;
    bool m_registered = false;
    bool m_broken = false;
    bool m_interactionAsked = false;
    bool m_interactDone = false;
    bool m_saveDone = false;
    bool m_cancelled = false;
};

TestSessionManager::TestSessionManager() : m_state(std::make_unique<State>()) {}
TestSessionManager::~TestSessionManager() = default;
QString TestSessionManager::address() const { return m_state->address(); }
bool TestSessionManager::hasClient() const { return m_state->hasClient(); }
void TestSessionManager::askToSaveForLogout(bool questions) { m_state->askToSaveForLogout(questions); }
void TestSessionManager::die() { m_state->die(); }
bool TestSessionManager::interactionAsked() const { return m_state->interactionAsked(); }
bool TestSessionManager::interactDone() const { return m_state->interactDone(); }
bool TestSessionManager::saveDone() const { return m_state->saveDone(); }
bool TestSessionManager::logoutCancelled() const { return m_state->logoutCancelled(); }
void TestSessionManager::cancelShutdown() { m_state->cancelShutdown(); }
