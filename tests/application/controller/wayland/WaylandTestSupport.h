#pragma once
// Helpers for the tests inside a private Wayland session (tests/support/run-in-wayland.sh):
// which compositor runs, key presses injected into it the way each compositor lets
// a trusted client do so, and an application controller with a document.
#include "tests/application/controller/TestAppControllerSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QList>
#include <QString>

struct wl_display;
struct wl_registry;
struct org_kde_kwin_fake_input;

namespace waylandtest {

// Linux input key codes.
constexpr quint32 KeyLeftCtrl = 29, KeyLeftAlt = 56, KeyLeftShift = 42, KeyT = 20, KeyY = 21;
constexpr int Patience = 15000; // ms to wait for the compositor, the portal or a bus

// "mutter" or "kwin", as the runner says.
QString compositor();

// Presses keys through the compositor: presses them in order, then lets them go in
// reverse order, and waits until the compositor has taken them.
class KeyInjector
{
public:
    virtual ~KeyInjector() = default;
    virtual bool isReady() const = 0;
    virtual QString lastError() const = 0;
    bool tap(const QList<quint32> &keys);

protected:
    virtual bool key(quint32 code, bool pressed) = 0;
    virtual bool settle() = 0;
};

// Mutter: a RemoteDesktop session on the session bus; it lives as long as this
// object keeps its bus connection.
class MutterRemoteDesktop : public KeyInjector
{
public:
    MutterRemoteDesktop();
    ~MutterRemoteDesktop() override;
    bool isReady() const override { return !m_session.isEmpty(); }
    QString lastError() const override { return m_error; }

protected:
    bool key(quint32 code, bool pressed) override;
    bool settle() override;

private:
    QDBusConnection m_bus;
    QString m_session;
    QString m_error;
};

// KWin: the org_kde_kwin_fake_input protocol on a display connection of its own
// (KWin allows it with KWIN_WAYLAND_NO_PERMISSION_CHECKS=1).
class KWinFakeInput : public KeyInjector
{
public:
    KWinFakeInput();
    ~KWinFakeInput() override;
    bool isReady() const override { return m_fakeInput != nullptr; }
    QString lastError() const override { return m_error; }

    static void registryGlobal(void *data, wl_registry *registry, uint32_t name, const char *interface,
                               uint32_t version);
    static void registryGlobalRemove(void *data, wl_registry *registry, uint32_t name);

protected:
    bool key(quint32 code, bool pressed) override;
    bool settle() override;

private:
    wl_display *m_display = nullptr;
    wl_registry *m_registry = nullptr;
    org_kde_kwin_fake_input *m_fakeInput = nullptr;
    QString m_error;
};

// The injector of the running compositor.
std::unique_ptr<KeyInjector> makeKeyInjector();

// One application controller per test over the program's defaults, with silent
// sounds and the real idle monitor of the session; the clock is the system's again
// afterwards.
class WaylandSession : public testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    platform::UserDefaults &defaults() { return appcontrollertest::programDefaults(); }
    // A shown document whose active job is Acme.
    MyDocument *documentWithJob();
    // The running entry's job's newest time entry.
    static NodePtr newestEntry(const NodePtr &job);

    testsupport::ScopedXdgHome home;
    AppController *controller = nullptr;
};

// The suites, by the compositor they need (the runner filters on the names).
class MutterSession : public WaylandSession
{
};
class KWinSession : public WaylandSession
{
};
class CompositorSession : public WaylandSession
{
};

} // namespace waylandtest
