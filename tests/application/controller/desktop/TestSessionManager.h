#pragma once
// A session manager of the X session management protocol (XSMP, over ICE), as the
// desktops of X11 run one, for the tests: it listens on a socket of its own (address()
// is the SESSION_MANAGER value that names it to the application), takes one client,
// asks it to save before a logout (SaveYourself with shutdown and any interaction),
// grants it the person's attention when it asks (Interact), and records whether it
// cancelled the logout. Driven by the test's event loop (socket notifiers); GUI thread
// only. Its listening sockets and the client's connection go with it.
#include <QString>

#include <memory>

class TestSessionManager
{
public:
    TestSessionManager();
    ~TestSessionManager();
    TestSessionManager(const TestSessionManager &) = delete;
    TestSessionManager &operator=(const TestSessionManager &) = delete;

    // Empty when the manager could not listen.
    QString address() const;
    bool hasClient() const;
    // SaveYourself(both, shutdown, not fast) to the client, with any interaction or none.
    void askToSaveForLogout(bool questions = true);
    // Die: the session ends.
    void die();
    bool interactionAsked() const;
    bool interactDone() const;
    bool saveDone() const;
    // The client's answer to the last interaction: cancel the logout.
    bool logoutCancelled() const;
    // Tells the client the logout was called off.
    void cancelShutdown();

    struct State;

private:
    std::unique_ptr<State> m_state;
};
