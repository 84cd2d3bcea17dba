// Sounds of the catalogue really play: a private PulseAudio server with a null sink
// runs for these tests, and a recorder on the sink's monitor hears the samples.
#include "NTXAppKit/sounds/NTXSoundManager.h"

#include "tests/support/TestSupport.h"

#include <QDir>
#include <QMediaPlayer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QtEndian>

#include <gtest/gtest.h>

#include <csignal>
#include <cmath>
#include <cstdlib>
#include <memory>

namespace {

const QString ThemeFolder = QStringLiteral("/usr/share/sounds/freedesktop/stereo");

void stopProcess(QProcess &process)
{
    if (process.state() != QProcess::Running)
        return;
    ::kill(pid_t(process.processId()), SIGTERM);
    if (!process.waitForFinished(5000)) {
        ::kill(pid_t(process.processId()), SIGKILL);
        process.waitForFinished(5000);
    }
}

// PulseAudio with one null sink, in folders of its own; this process talks to it
// (and to nothing else) through PULSE_SERVER.
class PrivateAudioServer
{
public:
    PrivateAudioServer()
    {
        if (!m_runtime.isValid() || !m_config.isValid())
            return;
        m_environment = QProcessEnvironment::systemEnvironment();
        m_environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
        m_environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_config.path());
        m_environment.insert(QStringLiteral("PULSE_SERVER"), serverAddress());
        // The server keeps off every bus and display: test programs running side by
        // side would otherwise contend for its bus name.
        m_environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=/nonexistent"));
        m_environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), QStringLiteral("unix:path=/nonexistent"));
        m_environment.remove(QStringLiteral("DISPLAY"));
        // Set before the multimedia back end first asks for audio devices.
        qputenv("XDG_RUNTIME_DIR", m_runtime.path().toLocal8Bit());
        qputenv("PULSE_SERVER", serverAddress().toLocal8Bit());

        m_server.setProcessEnvironment(m_environment);
        m_server.setProcessChannelMode(QProcess::MergedChannels);
        m_server.start(QStringLiteral("pulseaudio"),
                       {QStringLiteral("-n"), QStringLiteral("--daemonize=no"), QStringLiteral("--exit-idle-time=-1"),
                        QStringLiteral("--load=module-null-sink sink_name=nullsink"),
                        QStringLiteral("--load=module-native-protocol-unix auth-anonymous=1")});
        if (!m_server.waitForStarted(5000))
            return;
        m_ready = QTest::qWaitFor([&] {
            return m_server.state() == QProcess::Running && run(QStringLiteral("pactl"), {QStringLiteral("info")}) == 0;
        }, 20000);
    }
    ~PrivateAudioServer() { stopProcess(m_server); }

    bool isReady() const { return m_ready; }
    QString serverAddress() const { return QStringLiteral("unix:") + m_runtime.path() + QStringLiteral("/pulse/native"); }
    const QProcessEnvironment &environment() const { return m_environment; }
    QByteArray log() { return m_server.readAll(); }

    int run(const QString &program, const QStringList &arguments, QByteArray *output = nullptr) const
    {
        QProcess process;
        process.setProcessEnvironment(m_environment);
        process.start(program, arguments);
        if (!process.waitForStarted(5000) || !process.waitForFinished(10000))
            return -1;
        if (output)
            *output = process.readAllStandardOutput();
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }

private:
    QTemporaryDir m_runtime;
    QTemporaryDir m_config;
    QProcessEnvironment m_environment;
    QProcess m_server;
    bool m_ready = false;
};

// Records the null sink's monitor as 16-bit mono samples and keeps the loudest.
class MonitorRecorder
{
public:
    explicit MonitorRecorder(const PrivateAudioServer &server) : m_server(server)
    {
        m_process.setProcessEnvironment(server.environment());
        QObject::connect(&m_process, &QProcess::readyReadStandardOutput, [this] { consume(); });
        m_process.start(QStringLiteral("parecord"),
                        {QStringLiteral("--device=nullsink.monitor"), QStringLiteral("--raw"),
                         QStringLiteral("--format=s16le"), QStringLiteral("--channels=1"),
                         QStringLiteral("--rate=8000"), QStringLiteral("--latency-msec=20")});
        m_started = m_process.waitForStarted(5000);
    }
    ~MonitorRecorder() { stopProcess(m_process); }

    // The recorder's stream is connected to the server.
    bool waitUntilRecording()
    {
        return m_started && QTest::qWaitFor([&] {
            QByteArray out;
            return m_server.run(QStringLiteral("pactl"), {QStringLiteral("list"), QStringLiteral("short"),
                                                          QStringLiteral("source-outputs")}, &out) == 0
                && !out.trimmed().isEmpty();
        }, 10000);
    }
    int loudest() const { return m_loudest; }
    qint64 samples() const { return m_samples; }

private:
    void consume()
    {
        m_pending += m_process.readAllStandardOutput();
        const qsizetype usable = m_pending.size() & ~qsizetype(1);
        for (qsizetype i = 0; i < usable; i += 2) {
            const int sample = qFromLittleEndian<qint16>(m_pending.constData() + i);
            m_loudest = std::max(m_loudest, std::abs(sample));
        }
        m_samples += usable / 2;
        m_pending.remove(0, usable);
    }

    const PrivateAudioServer &m_server;
    QProcess m_process;
    QByteArray m_pending;
    bool m_started = false;
    int m_loudest = 0;
    qint64 m_samples = 0;
};

// A WAV file of a 440 Hz tone.
QByteArray toneWav(double seconds)
{
    const quint32 rate = 22050;
    const quint32 count = quint32(seconds * rate);
    QByteArray data(qsizetype(count) * 2, Qt::Uninitialized);
    for (quint32 i = 0; i < count; ++i)
        qToLittleEndian<qint16>(qint16(16000 * std::sin(2 * M_PI * 440 * i / rate)), data.data() + 2 * i);
    auto u32 = [](quint32 v) { QByteArray b(4, 0); qToLittleEndian<quint32>(v, b.data()); return b; };
    auto u16 = [](quint16 v) { QByteArray b(2, 0); qToLittleEndian<quint16>(v, b.data()); return b; };
    QByteArray wav;
    wav += "RIFF";
    wav += u32(36 + quint32(data.size()));
    wav += "WAVEfmt ";
    wav += u32(16);
    wav += u16(1);
    wav += u16(1);
    wav += u32(rate);
    wav += u32(rate * 2);
    wav += u16(2);
    wav += u16(16);
    wav += "data";
    wav += u32(quint32(data.size()));
    wav += data;
    return wav;
}

// Loud enough that it cannot be the silence of an idle sink.
constexpr int Audible = 1000;

// Waits until the recorder hears the sound. A machine under load can make the
// player drop every buffer of a short sound as late; a sound that ended unheard is
// played again.
bool heard(NTXSoundManager &manager, const QString &name, MonitorRecorder &recorder)
{
    return QTest::qWaitFor([&] {
        if (recorder.loudest() > Audible)
            return true;
        if (manager.sound() && manager.sound()->mediaStatus() == QMediaPlayer::EndOfMedia)
            manager.playSoundWithName(name);
        return false;
    }, 30000);
}

class SoundPlayback : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { server = new PrivateAudioServer; }
    static void TearDownTestSuite()
    {
        delete server;
        server = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(server->isReady()) << server->log().constData(); }

    static PrivateAudioServer *server;
};

PrivateAudioServer *SoundPlayback::server = nullptr;

TEST_F(SoundPlayback, ThemeSoundReachesTheSink)
{
    NTXSoundManager manager({ThemeFolder});
    ASSERT_GT(manager.count(), 0u);
    const QString name = QStringLiteral("complete");
    ASSERT_EQ(manager.getSoundNameAtIndex(manager.indexOfSound(name)), name);

    MonitorRecorder recorder(*server);
    ASSERT_TRUE(recorder.waitUntilRecording());
    manager.playSoundWithName(name);
    ASSERT_NE(manager.sound(), nullptr);
    EXPECT_EQ(manager.sound()->source(), QUrl::fromLocalFile(ThemeFolder + QStringLiteral("/complete.oga")));
    EXPECT_TRUE(heard(manager, name, recorder))
        << "loudest sample " << recorder.loudest() << " of " << recorder.samples()
        << "; player error: " << qPrintable(manager.sound()->errorString());
}

TEST_F(SoundPlayback, UserWaveSoundPlaysByNameAndReplacesThePreviousSound)
{
    testsupport::ScopedXdgHome home;
    ASSERT_TRUE(testsupport::writeFile(NTXSoundManager::userSoundFolder() + QStringLiteral("/Tone.wav"), toneWav(1.0)));
    NTXSoundManager manager({ThemeFolder, NTXSoundManager::userSoundFolder()});
    const int tone = manager.indexOfSound(QStringLiteral("Tone"));
    ASSERT_GT(tone, 0);

    manager.playSoundAtIndex(0);
    QMediaPlayer *first = manager.sound();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(manager.soundPath(), manager.pathOfSoundNamed(manager.getSoundNameAtIndex(0)));

    // A negative or too large position keeps what played last.
    manager.playSoundAtIndex(-1);
    EXPECT_EQ(manager.sound(), first);
    manager.playSoundAtIndex(int(manager.count()));
    EXPECT_EQ(manager.sound(), first);

    MonitorRecorder recorder(*server);
    ASSERT_TRUE(recorder.waitUntilRecording());
    manager.playSoundWithName(QStringLiteral("Tone"));
    ASSERT_NE(manager.sound(), nullptr);
    EXPECT_EQ(manager.soundPath(), NTXSoundManager::userSoundFolder() + QStringLiteral("/Tone.wav"));
    EXPECT_TRUE(heard(manager, QStringLiteral("Tone"), recorder))
        << "loudest sample " << recorder.loudest() << " of " << recorder.samples();
}

TEST_F(SoundPlayback, UnknownNamePlaysTheFirstSound)
{
    NTXSoundManager manager({ThemeFolder});
    ASSERT_GT(manager.count(), 0u);
    manager.playSoundWithName(QStringLiteral("no such sound"));
    ASSERT_NE(manager.sound(), nullptr);
    EXPECT_EQ(manager.soundPath(), manager.pathOfSoundNamed(manager.getSoundNameAtIndex(0)));
    manager.releaseSound();
    EXPECT_EQ(manager.sound(), nullptr);
}

} // namespace
