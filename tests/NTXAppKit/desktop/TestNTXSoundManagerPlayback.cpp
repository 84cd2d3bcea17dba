// Sounds of the catalogue really play: the test program's private PulseAudio server
// has a null sink, and a recorder on the sink's monitor hears the samples.
#include "NTXAppKit/sounds/NTXSoundManager.h"

#include "tests/support/DesktopTestSupport.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <gtest/gtest.h>

#include <link.h>

#include <csignal>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

const QString ThemeFolder = QStringLiteral("/usr/share/sounds/freedesktop/stereo");

// Whether a shared object whose file name holds the text is loaded in this process.
bool loaded(const char *name)
{
    struct Search
    {
        const char *name;
        bool found;
    } search{name, false};
    dl_iterate_phdr(
        [](dl_phdr_info *info, size_t, void *data) {
            auto *s = static_cast<Search *>(data);
            if (info->dlpi_name && std::strstr(info->dlpi_name, s->name))
                s->found = true;
            return 0;
        },
        &search);
    return search.found;
}

// Taken before main(), before any test played a sound: what the program loaded at
// its start (a program with the catalogue, as the application is).
const bool MultimediaLoadedAtStart = loaded("libQt6Multimedia");

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

// Records the null sink's monitor as 16-bit mono samples and keeps the loudest.
class MonitorRecorder
{
public:
    explicit MonitorRecorder(const desktoptest::PrivateAudioServer &server) : m_server(server)
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

    const desktoptest::PrivateAudioServer &m_server;
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
        if (manager.soundHasEnded())
            manager.playSoundWithName(name);
        return false;
    }, 30000);
}

class SoundPlayback : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(server->isReady()); }

    desktoptest::PrivateAudioServer *server = &desktoptest::PrivateAudioServer::shared();
};

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
    EXPECT_EQ(manager.soundPath(), ThemeFolder + QStringLiteral("/complete.oga"));
    EXPECT_TRUE(heard(manager, name, recorder))
        << "loudest sample " << recorder.loudest() << " of " << recorder.samples()
        << "; player error: " << qPrintable(manager.soundErrorString());
}

TEST_F(SoundPlayback, UserWaveSoundPlaysByNameAndReplacesThePreviousSound)
{
    testsupport::ScopedXdgHome home;
    ASSERT_TRUE(testsupport::writeFile(NTXSoundManager::userSoundFolder() + QStringLiteral("/Tone.wav"), toneWav(1.0)));
    NTXSoundManager manager({ThemeFolder, NTXSoundManager::userSoundFolder()});
    const int tone = manager.indexOfSound(QStringLiteral("Tone"));
    ASSERT_GT(tone, 0);

    manager.playSoundAtIndex(0);
    QObject *first = manager.sound();
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

TEST_F(SoundPlayback, QtMultimediaLoadsWithTheFirstSoundNotWithTheProgram)
{
    EXPECT_FALSE(MultimediaLoadedAtStart);
    EXPECT_TRUE(QFileInfo::exists(NTXSoundManager::playbackModulePath())) << qPrintable(NTXSoundManager::playbackModulePath());
    NTXSoundManager manager({ThemeFolder});
    ASSERT_GT(manager.count(), 0u);
    manager.playSoundAtIndex(0);
    ASSERT_NE(manager.sound(), nullptr);
    EXPECT_TRUE(loaded("libchronark_sound_playback.so"));
    EXPECT_TRUE(loaded("libQt6Multimedia"));
    manager.releaseSound();
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
