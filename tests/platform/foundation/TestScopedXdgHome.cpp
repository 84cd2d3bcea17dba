// The test support's home of a test's own (testsupport::ScopedXdgHome): what Qt and a
// child of the test write goes in a home that is there, and a home that went is not made
// again by a later write.
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

QString configOf(const testsupport::ScopedXdgHome &home)
{
    return home.path() + QStringLiteral("/xdg_config_home");
}

// The text as a pattern of the death tests' (POSIX extended) expressions that matches it.
std::string literally(const QString &text)
{
    std::string pattern;
    for (const char c : text.toStdString()) {
        if (std::strchr(".[]()*+?{}|^$\\", c))
            pattern += '\\';
        pattern += c;
    }
    return pattern;
}

// Qt's own settings of the user, as its file dialogs write theirs.
QString writeQtsOwnSettings(QSettings::Format format, const QString &value)
{
    QSettings settings(format, QSettings::UserScope, QStringLiteral("QtProject"));
    settings.setValue(QStringLiteral("FileDialog/lastVisited"), value);
    settings.sync();
    EXPECT_EQ(settings.status(), QSettings::NoError);
    return settings.fileName();
}

TEST(ScopedXdgHome, QtsOwnSettingsGoInTheHomeThatIsThereAndNeverMakeAGoneOneAgain)
{
    for (const QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat}) {
        SCOPED_TRACE(format);
        testsupport::ScopedXdgHome outer;
        QString gone;
        {
            // Written first in the inner home (in a process of its own, Qt finds its
            // folder here).
            testsupport::ScopedXdgHome inner;
            gone = inner.path();
            const QString file = writeQtsOwnSettings(format, QStringLiteral("inner"));
            EXPECT_TRUE(file.startsWith(configOf(inner) + u'/')) << file.toStdString();
            EXPECT_TRUE(QFileInfo(file).isFile());
        }
        ASSERT_FALSE(QFileInfo::exists(gone));
        const QString file = writeQtsOwnSettings(format, QStringLiteral("after"));
        EXPECT_TRUE(file.startsWith(configOf(outer) + u'/')) << file.toStdString();
        EXPECT_FALSE(QFileInfo::exists(gone)) << "made again: " << gone.toStdString();
        QSettings reread(file, QSettings::IniFormat);
        EXPECT_EQ(reread.value(QStringLiteral("FileDialog/lastVisited")).toString(), QStringLiteral("after"));
    }
}

// A death test's child that runs the test again (the "threadsafe" style) ends with
// exit(), which removes no home it made: its homes are in the parent's, which the
// parent removes.
TEST(ScopedXdgHome, AChildOfTheTestMakesItsHomesInTheParentsHome)
{
    testsupport::ScopedXdgHome parent;
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::string inParents = "home at " + literally(parent.path()) + "/chronark-test-home-";
    EXPECT_EXIT(
        {
            testsupport::ScopedXdgHome own;
            std::fprintf(stderr, "home at %s\n", qPrintable(own.path()));
            std::exit(QFileInfo(own.path()).isDir() ? 0 : 1);
        },
        testing::ExitedWithCode(0), inParents);
    EXPECT_TRUE(testsupport::parentsHome().isEmpty()) << "this process is no child";
}

} // namespace
