#include "tests/support/TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QSettings>
#include <QStandardPaths>

#include <ctime>

namespace testsupport {

QString dataPath(const QString &relative)
{
    return QStringLiteral(CHRONARK_TEST_DATA_DIR "/") + relative;
}

QString screenshotPath(const QString &fileName)
{
    QString folder = qEnvironmentVariable("CHRONARK_SCREENSHOT_DIR");
    if (folder.isEmpty())
        folder = QDir::temp().filePath(QStringLiteral("chronark-screenshots"));
    QDir().mkpath(folder);
    return QDir(folder).filePath(fileName);
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(bytes) == bytes.size();
}

static const char *const kXdgVars[4] = {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"};

QString ScopedXdgHome::folderTemplate()
{
    // A child of a test often ends without unwinding (on purpose, or a death test's
    // exit()), which removes no home of its own: its homes go in its parent's, which the
    // parent removes.
    QString folder = parentsHome();
    if (folder.isEmpty()) {
        const QFileInfo memory(QStringLiteral("/dev/shm"));
        folder = memory.isDir() && memory.isWritable() ? memory.filePath() : QDir::tempPath();
    }
    return folder + QStringLiteral("/chronark-test-home-XXXXXX");
}

void ScopedXdgHome::pointSettingsAt(const QString &folder)
{
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder);
}

ScopedXdgHome::ScopedXdgHome()
{
    // Qt's settings keep the user-scope folder they found at their first use in the
    // process (the file dialogs keep their state there): it is this home's while it lives.
    m_oldSettingsFolder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    for (int i = 0; i < 4; ++i) {
        m_old[i] = qgetenv(kXdgVars[i]);
        const QString sub = m_dir.path() + QLatin1Char('/') + QString::fromLatin1(kXdgVars[i]).toLower();
        QDir().mkpath(sub);
        qputenv(kXdgVars[i], sub.toLocal8Bit());
    }
    pointSettingsAt(QString::fromLocal8Bit(qgetenv(kXdgVars[0])));
    // A runtime folder of its own (else Qt makes one in the temporary folder, and the
    // programs of a parallel run would share the run's), but in a Wayland session, whose
    // display's socket is in the session's.
    m_hadRuntime = qEnvironmentVariableIsSet("XDG_RUNTIME_DIR");
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR") || qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        m_oldRuntime = qgetenv("XDG_RUNTIME_DIR");
        const QString runtime = m_dir.path() + QStringLiteral("/xdg_runtime_dir");
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", runtime.toLocal8Bit());
        m_setRuntime = true;
    }
}

ScopedXdgHome::~ScopedXdgHome()
{
    pointSettingsAt(m_oldSettingsFolder);
    if (m_setRuntime) {
        if (m_hadRuntime)
            qputenv("XDG_RUNTIME_DIR", m_oldRuntime);
        else
            qunsetenv("XDG_RUNTIME_DIR");
    }
    for (int i = 0; i < 4; ++i) {
        if (m_old[i].isNull())
            qunsetenv(kXdgVars[i]);
        else
            qputenv(kXdgVars[i], m_old[i]);
    }
}

QProcessEnvironment childEnvironment()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("CHRONARK_TEST_CHILD"), QStringLiteral("1"));
    return environment;
}

QString parentsHome()
{
    if (qEnvironmentVariable("CHRONARK_TEST_CHILD") != QLatin1String("1"))
        return {};
    const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || !QDir::isAbsolutePath(config))
        return {};
    return QFileInfo(config).absolutePath();
}

bool isChildOfATest(int argc, char **argv)
{
    if (qEnvironmentVariable("CHRONARK_TEST_CHILD") == QLatin1String("1"))
        return true;
    for (int i = 1; i < argc; ++i) {
        if (qstrncmp(argv[i], "--gtest_internal_run_death_test", 31) == 0)
            return true;
    }
    return false;
}

ScopedEnv::ScopedEnv(const char *name, const QByteArray &value)
    : m_name(name), m_old(qgetenv(name)), m_had(qEnvironmentVariableIsSet(name))
{
    if (value.isNull())
        qunsetenv(name);
    else
        qputenv(name, value);
}

ScopedEnv::~ScopedEnv()
{
    if (m_had)
        qputenv(m_name.constData(), m_old);
    else
        qunsetenv(m_name.constData());
}

ScopedTimeZone::ScopedTimeZone(const char *tz) : m_old(qgetenv("TZ")), m_had(qEnvironmentVariableIsSet("TZ"))
{
    qputenv("TZ", tz);
    tzset();
}

ScopedTimeZone::~ScopedTimeZone()
{
    if (m_had)
        qputenv("TZ", m_old);
    else
        qunsetenv("TZ");
    tzset();
}

QImage numberedPicture(int index, int side, int hueStep)
{
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&image);
    QLinearGradient fill(0, 0, 0, side);
    fill.setColorAt(0, QColor::fromHsv((index * hueStep) % 360, 150, 250));
    fill.setColorAt(1, QColor::fromHsv((index * hueStep) % 360, 225, 130));
    p.fillRect(image.rect(), fill);
    p.setPen(Qt::white);
    QFont font;
    font.setPixelSize(side * 9 / 20);
    font.setBold(true);
    p.setFont(font);
    p.drawText(image.rect(), Qt::AlignCenter, QString::number(index + 1));
    return image;
}

void settleEvents()
{
    for (int pass = 0; pass < 3; ++pass) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

} // namespace testsupport
