#include "tests/application/controller/wayland/WaylandTestSupport.h"

#include "components/hotkeys/HKHotKeyCenter.h"
#include "platform/foundation/Clock.h"

#include <QDBusMessage>
#include <QGuiApplication>
#include <QDBusObjectPath>
#include <QDBusReply>

#include <cstring>

#include <wayland-client.h>
#include "wayland/fake-input-client-protocol.h"

namespace waylandtest {

namespace {

const QString MutterService = QStringLiteral("org.gnome.Mutter.RemoteDesktop");
const QString SessionInterface = QStringLiteral("org.gnome.Mutter.RemoteDesktop.Session");

} // namespace

QString compositor()
{
    return qEnvironmentVariable("CHRONARK_TEST_COMPOSITOR");
}

bool KeyInjector::tap(const QList<quint32> &keys)
{
    for (quint32 code : keys) {
        if (!key(code, true))
            return false;
    }
    for (auto it = keys.crbegin(); it != keys.crend(); ++it) {
        if (!key(*it, false))
            return false;
    }
    return settle();
}

MutterRemoteDesktop::MutterRemoteDesktop()
    : m_bus(QDBusConnection::sessionBus())
{
    const QDBusMessage create = m_bus.call(
        QDBusMessage::createMethodCall(MutterService, QStringLiteral("/org/gnome/Mutter/RemoteDesktop"), MutterService,
                                       QStringLiteral("CreateSession")),
        QDBus::Block, Patience);
    if (create.type() != QDBusMessage::ReplyMessage || create.arguments().isEmpty()) {
        m_error = create.errorMessage();
        return;
    }
    const QString path = create.arguments().first().value<QDBusObjectPath>().path();
    const QDBusMessage start = m_bus.call(
        QDBusMessage::createMethodCall(MutterService, path, SessionInterface, QStringLiteral("Start")), QDBus::Block,
        Patience);
    if (start.type() != QDBusMessage::ReplyMessage) {
        m_error = start.errorMessage();
        return;
    }
    m_session = path;
}

MutterRemoteDesktop::~MutterRemoteDesktop()
{
    if (!m_session.isEmpty())
        m_bus.call(QDBusMessage::createMethodCall(MutterService, m_session, SessionInterface, QStringLiteral("Stop")),
                   QDBus::Block, Patience);
}

bool MutterRemoteDesktop::key(quint32 code, bool pressed)
{
    if (m_session.isEmpty())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(MutterService, m_session, SessionInterface,
                                                       QStringLiteral("NotifyKeyboardKeycode"));
    call << code << pressed;
    const QDBusMessage reply = m_bus.call(call, QDBus::Block, Patience);
    if (reply.type() != QDBusMessage::ReplyMessage)
        m_error = reply.errorMessage();
    return reply.type() == QDBusMessage::ReplyMessage;
}

bool MutterRemoteDesktop::settle()
{
    // Each call above was answered after Mutter had taken the key.
    return true;
}

KWinFakeInput::KWinFakeInput()
{
    m_display = wl_display_connect(nullptr);
    if (!m_display) {
        m_error = QStringLiteral("no Wayland display");
        return;
    }
    static const wl_registry_listener listener = {&KWinFakeInput::registryGlobal, &KWinFakeInput::registryGlobalRemove};
    m_registry = wl_display_get_registry(m_display);
    wl_registry_add_listener(m_registry, &listener, this);
    if (wl_display_roundtrip(m_display) < 0 || !m_fakeInput) {
        m_error = QStringLiteral("the compositor offers no org_kde_kwin_fake_input of version 4");
        return;
    }
    org_kde_kwin_fake_input_authenticate(m_fakeInput, "Chronark tests", "keys for the tests");
    settle();
}

KWinFakeInput::~KWinFakeInput()
{
    if (m_fakeInput)
        org_kde_kwin_fake_input_destroy(m_fakeInput);
    if (m_registry)
        wl_registry_destroy(m_registry);
    if (m_display)
        wl_display_disconnect(m_display);
}

void KWinFakeInput::registryGlobal(void *data, wl_registry *registry, uint32_t name, const char *interface,
                                   uint32_t version)
{
    auto *self = static_cast<KWinFakeInput *>(data);
    if (std::strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0 && version >= 4 && !self->m_fakeInput)
        self->m_fakeInput = static_cast<org_kde_kwin_fake_input *>(
            wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, 4));
}

void KWinFakeInput::registryGlobalRemove(void *, wl_registry *, uint32_t) {}

bool KWinFakeInput::key(quint32 code, bool pressed)
{
    if (!m_fakeInput)
        return false;
    org_kde_kwin_fake_input_keyboard_key(m_fakeInput, code, pressed ? 1 : 0);
    return true;
}

bool KWinFakeInput::settle()
{
    return m_display && wl_display_roundtrip(m_display) >= 0;
}

void WaylandSession::SetUp()
{
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("wayland")) << "run inside tests/support/run-in-wayland.sh";
    appcontrollertest::resetProgramDefaults();
    HKHotKeyCenter::setHotKeyGrabber(nullptr);
    appcontrollertest::testDocumentServices()->soundPlayer = [](const QString &) {};
    appcontrollertest::testDocumentServices()->idleSecondsSource = {};
}

void WaylandSession::TearDown()
{
    appcontrollertest::destroyController(controller);
    controller = nullptr;
    appcontrollertest::testDocumentServices()->soundPlayer = {};
    platform::Clock::useSystemClock();
}

MyDocument *WaylandSession::documentWithJob()
{
    auto *document = qobject_cast<MyDocument *>(controller->openUntitledDocument(true));
    if (document)
        document->setActiveJob(appcontrollertest::addJob(document, QStringLiteral("Acme")));
    return document;
}

NodePtr WaylandSession::newestEntry(const NodePtr &job)
{
    const QList<NodePtr> days = job->children();
    if (days.isEmpty())
        return nullptr;
    const QList<NodePtr> entries = days.last()->children();
    return entries.isEmpty() ? nullptr : entries.last();
}

std::unique_ptr<KeyInjector> makeKeyInjector()
{
    if (compositor() == QLatin1String("mutter"))
        return std::make_unique<MutterRemoteDesktop>();
    return std::make_unique<KWinFakeInput>();
}

} // namespace waylandtest
