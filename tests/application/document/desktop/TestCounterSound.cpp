// The counter's start sound really plays: the test program's private PulseAudio
// server has a null sink, and a recorder on the sink's monitor hears the samples of
// a sound of the system theme (an .oga file) that the counter asked for by name.
#include "tests/application/document/TestMyDocumentSupport.h"

// The process helpers of the desktop tests.
#include "tests/support/DesktopTestSupport.h"

#include "NTXAppKit/sounds/NTXSoundManager.h"
#include "application/base/DefaultsKeys.h"

#include <QtEndian>

#include <cstdlib>

using namespace mydoctest;

namespace {

const QString ThemeFolder = QStringLiteral("/usr/share/sounds/freedesktop/stereo");
constexpr int Audible = 1000;

} // namespace

class CounterSound : public MyDocumentFixture
{
protected:
    void SetUp() override
    {
        MyDocumentFixture::SetUp();
        ASSERT_TRUE(desktoptest::PrivateAudioServer::shared().isReady());
    }

    void TearDown() override
    {
        services->soundCatalogue = nullptr;
        MyDocumentFixture::TearDown();
        recorder.reset();
    }

    // Records the sink's monitor and keeps the loudest sample.
    void startRecorder()
    {
        recorder = std::make_unique<desktoptest::ScopedProcess>(
            QStringLiteral("parecord"),
            QStringList{QStringLiteral("--device=nullsink.monitor"), QStringLiteral("--raw"),
                        QStringLiteral("--format=s16le"), QStringLiteral("--channels=1"), QStringLiteral("--rate=8000"),
                        QStringLiteral("--latency-msec=20")},
            desktoptest::PrivateAudioServer::shared().environment());
        QProcess &process = recorder->process();
        QObject::connect(&process, &QProcess::readyReadStandardOutput, [this, &process] {
            pending += process.readAllStandardOutput();
            const qsizetype usable = pending.size() & ~qsizetype(1);
            for (qsizetype i = 0; i < usable; i += 2)
                loudest = std::max(loudest, std::abs(int(qFromLittleEndian<qint16>(pending.constData() + i))));
            pending.remove(0, usable);
        });
    }

    bool recording() const
    {
        return QTest::qWaitFor([] {
            QByteArray out;
            return desktoptest::PrivateAudioServer::shared().run(
                       QStringLiteral("pactl"),
                       {QStringLiteral("list"), QStringLiteral("short"), QStringLiteral("source-outputs")}, &out) == 0
                && !out.trimmed().isEmpty();
        }, 10000);
    }

    std::unique_ptr<desktoptest::ScopedProcess> recorder;
    QByteArray pending;
    int loudest = 0;
};

TEST_F(CounterSound, AThemeOgaSoundNamedInTheDefaultsReachesTheSinkWhenTheCounterStarts)
{
    NTXSoundManager catalogue({ThemeFolder});
    const QString name = QStringLiteral("complete");
    ASSERT_EQ(catalogue.getSoundNameAtIndex(catalogue.indexOfSound(name)), name);
    services->soundCatalogue = &catalogue;
    defaults->setBool(false, AllwaysMutelyKey);
    defaults->setString(name, StartSoundKey);
    defaults->setString(name, StopSoundKey);

    ProbeDocument *document = newDocument();
    NodePtr job = makeJob(QStringLiteral("Loud"), 10, {});
    fill(document, {job});
    document->setActiveJob(job);

    startRecorder();
    ASSERT_TRUE(recording());
    document->startTimerForJob(nullptr);
    ASSERT_NE(catalogue.sound(), nullptr);
    EXPECT_EQ(catalogue.soundPath(), ThemeFolder + QStringLiteral("/complete.oga"));
    // A machine under load can drop every buffer of a short sound: a sound that
    // ended unheard is asked for again the way the counter asks.
    const bool heard = QTest::qWaitFor([&] {
        if (loudest > Audible)
            return true;
        if (catalogue.soundHasEnded()) {
            document->stopTimer(nullptr);
            document->startTimerForJob(nullptr);
        }
        return false;
    }, 30000);
    EXPECT_TRUE(heard) << "loudest sample " << loudest;
    document->stopTimer(nullptr);
    catalogue.releaseSound();
}
