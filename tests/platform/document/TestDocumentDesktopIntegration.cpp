// The desktop entry and MIME type of the document, and the script that installs
// them for the user.
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QXmlStreamReader>

namespace {

QString sourceRoot()
{
    return QDir::cleanPath(QStringLiteral(CHRONARK_TEST_DATA_DIR "/../.."));
}

QString desktopFile()
{
    return sourceRoot() + QStringLiteral("/resources/desktop/chronark.desktop");
}

QString mimeFile()
{
    return sourceRoot() + QStringLiteral("/resources/desktop/chronark-mime.xml");
}

QString installScript()
{
    return sourceRoot() + QStringLiteral("/tools/install-desktop-integration");
}

struct ProcessResult
{
    int exitCode = -1;
    QString output;
};

ProcessResult run(const QString &program, const QStringList &arguments, const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    ProcessResult result;
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.output = QString::fromLocal8Bit(process.readAll());
    return result;
}

// The "Key=value" lines of the [Desktop Entry] group.
QHash<QString, QString> desktopEntry(const QByteArray &bytes)
{
    QHash<QString, QString> entries;
    bool inGroup = false;
    for (const QByteArray &raw : bytes.split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inGroup = line == QStringLiteral("[Desktop Entry]");
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (inGroup && eq > 0 && !line.startsWith(QLatin1Char('#')))
            entries.insert(line.left(eq).trimmed(), line.mid(eq + 1).trimmed());
    }
    return entries;
}

} // namespace

TEST(DesktopIntegration, TheDesktopEntryIsValid)
{
    const QString validator = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    if (validator.isEmpty())
        GTEST_SKIP() << "desktop-file-validate (desktop-file-utils) is not installed";
    const ProcessResult result = run(validator, {desktopFile()});
    EXPECT_EQ(result.exitCode, 0) << result.output.toStdString();
    EXPECT_TRUE(result.output.trimmed().isEmpty()) << result.output.toStdString();
}

TEST(DesktopIntegration, TheDesktopEntryOpensChronarkDocuments)
{
    const QHash<QString, QString> entry = desktopEntry(testsupport::readFile(desktopFile()));
    EXPECT_EQ(entry.value(QStringLiteral("Type")), QStringLiteral("Application"));
    EXPECT_EQ(entry.value(QStringLiteral("Name")), QStringLiteral("Chronark"));
    EXPECT_EQ(entry.value(QStringLiteral("Exec")), QStringLiteral("chronark %F"));
    EXPECT_EQ(entry.value(QStringLiteral("MimeType")), QStringLiteral("application/x-chronark;"));
    EXPECT_EQ(entry.value(QStringLiteral("Categories")), QStringLiteral("Office;ProjectManagement;"));
}

TEST(DesktopIntegration, TheMimeDescriptionIsWellFormed)
{
    const QString xmllint = QStandardPaths::findExecutable(QStringLiteral("xmllint"));
    if (xmllint.isEmpty())
        GTEST_SKIP() << "xmllint (libxml2-utils) is not installed";
    const ProcessResult result = run(xmllint, {QStringLiteral("--noout"), mimeFile()});
    EXPECT_EQ(result.exitCode, 0) << result.output.toStdString();
}

TEST(DesktopIntegration, TheMimeTypeMatchesByNameContentAndRootElement)
{
    // Every element as "path attributes" lines, e.g. "mime-info/mime-type/glob pattern=*.chronark".
    QXmlStreamReader xml(testsupport::readFile(mimeFile()));
    QStringList path;
    QStringList elements;
    QString rootNamespace;
    QString comment;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            if (path.isEmpty())
                rootNamespace = xml.namespaceUri().toString();
            path << xml.name().toString();
            QStringList attributes;
            for (const QXmlStreamAttribute &a : xml.attributes())
                attributes << a.name().toString() + QLatin1Char('=') + a.value().toString();
            elements << path.join(QLatin1Char('/')) + QLatin1Char(' ') + attributes.join(QLatin1Char(' '));
            if (xml.name() == QStringLiteral("comment"))
                comment = xml.readElementText();
            if (xml.isEndElement())
                path.removeLast();
        } else if (xml.isEndElement()) {
            path.removeLast();
        }
    }
    ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_EQ(rootNamespace, QStringLiteral("http://www.freedesktop.org/standards/shared-mime-info"));
    EXPECT_EQ(comment, QStringLiteral("Chronark document"));
    EXPECT_TRUE(elements.contains(QStringLiteral("mime-info/mime-type type=application/x-chronark")));
    EXPECT_TRUE(elements.contains(QStringLiteral("mime-info/mime-type/glob pattern=*.chronark")));
    EXPECT_TRUE(elements.contains(QStringLiteral("mime-info/mime-type/magic/match type=string value=<?xml offset=0")));
    EXPECT_TRUE(elements.contains(QStringLiteral("mime-info/mime-type/magic/match/match type=string value=<Chronark offset=0:256")));
    EXPECT_TRUE(elements.contains(QStringLiteral("mime-info/mime-type/root-XML namespaceURI= localName=Chronark")));
}

TEST(DesktopIntegration, TheInstallScriptInstallsForTheUserAndRunsAgainHarmlessly)
{
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home.path());
    env.remove(QStringLiteral("XDG_DATA_HOME"));
    const QString data = home.path() + QStringLiteral("/.local/share");
    const QString installedEntry = data + QStringLiteral("/applications/chronark.desktop");
    const QString installedMime = data + QStringLiteral("/mime/packages/chronark-mime.xml");

    ProcessResult first = run(QStringLiteral("bash"), {installScript()}, env);
    ASSERT_EQ(first.exitCode, 0) << first.output.toStdString();
    EXPECT_EQ(testsupport::readFile(installedEntry), testsupport::readFile(desktopFile()));
    EXPECT_EQ(testsupport::readFile(installedMime), testsupport::readFile(mimeFile()));
    const bool haveMimeTool = !QStandardPaths::findExecutable(QStringLiteral("update-mime-database")).isEmpty();
    if (haveMimeTool) {
        const QByteArray globs = testsupport::readFile(data + QStringLiteral("/mime/globs2"));
        EXPECT_TRUE(globs.contains("application/x-chronark:*.chronark")) << globs.toStdString();
        EXPECT_TRUE(testsupport::readFile(data + QStringLiteral("/mime/magic")).contains("<Chronark"));
        EXPECT_TRUE(QFileInfo::exists(data + QStringLiteral("/mime/application/x-chronark.xml")));
    }

    const QDateTime stamp = QFileInfo(installedEntry).lastModified();
    ProcessResult second = run(QStringLiteral("bash"), {installScript()}, env);
    ASSERT_EQ(second.exitCode, 0) << second.output.toStdString();
    EXPECT_TRUE(second.output.contains(QStringLiteral("up to date"))) << second.output.toStdString();
    EXPECT_FALSE(second.output.contains(QStringLiteral("installed "))) << second.output.toStdString();
    EXPECT_EQ(QFileInfo(installedEntry).lastModified(), stamp);

    // An explicit program path goes into the entry.
    ProcessResult withExec = run(QStringLiteral("bash"), {installScript(), QStringLiteral("--exec"), QStringLiteral("/opt/chronark/bin/chronark")}, env);
    ASSERT_EQ(withExec.exitCode, 0) << withExec.output.toStdString();
    const QHash<QString, QString> entry = desktopEntry(testsupport::readFile(installedEntry));
    EXPECT_EQ(entry.value(QStringLiteral("Exec")), QStringLiteral("/opt/chronark/bin/chronark %F"));
    EXPECT_EQ(entry.value(QStringLiteral("TryExec")), QStringLiteral("/opt/chronark/bin/chronark"));
    EXPECT_EQ(run(QStringLiteral("bash"), {installScript(), QStringLiteral("--exec"), QStringLiteral("a b")}, env).exitCode, 2);

    // XDG_DATA_HOME, when set, is the place.
    QTemporaryDir other;
    QProcessEnvironment xdgEnv = env;
    xdgEnv.insert(QStringLiteral("XDG_DATA_HOME"), other.path());
    ASSERT_EQ(run(QStringLiteral("bash"), {installScript()}, xdgEnv).exitCode, 0);
    EXPECT_TRUE(QFileInfo::exists(other.path() + QStringLiteral("/applications/chronark.desktop")));

    ProcessResult removal = run(QStringLiteral("bash"), {installScript(), QStringLiteral("--uninstall")}, env);
    ASSERT_EQ(removal.exitCode, 0) << removal.output.toStdString();
    EXPECT_FALSE(QFileInfo::exists(installedEntry));
    EXPECT_FALSE(QFileInfo::exists(installedMime));
    if (haveMimeTool) {
        EXPECT_FALSE(testsupport::readFile(data + QStringLiteral("/mime/globs2")).contains("x-chronark"));
    }

    EXPECT_EQ(run(QStringLiteral("bash"), {installScript(), QStringLiteral("--bogus")}, env).exitCode, 2);
}
