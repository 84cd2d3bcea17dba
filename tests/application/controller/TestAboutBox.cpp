// The About box: its texts, the support link, writing an e-mail, closing, and the
// frame kept under its autosave name.
#include "tests/support/TestSupport.h"
#include "application/controller/AboutBox.h"

#include "NTXAppKit/NTXURLClickField/NTXURLClickField.h"
#include "application/base/BuildInfo.h"
#include "platform/drawing/ActionDispatch.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/GeometryText.h"
#include "platform/foundation/UserDefaults.h"

#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class AboutBoxTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        defaults = std::make_unique<platform::UserDefaults>(dir.filePath(QStringLiteral("defaults.conf")));
    }

    QString savedFrameText() const { return defaults->stringForKey(QStringLiteral("NSWindow Frame AboutBoxWindow")); }

    QTemporaryDir dir;
    std::unique_ptr<platform::UserDefaults> defaults;
};

} // namespace

// ---- Texts ----

TEST_F(AboutBoxTest, VersionFieldShowsTheLocalizedWordTheVersionAndTheBuild)
{
    AboutBox box(defaults.get());
    const QString word = platform::localized(QStringLiteral("VSversion"));
    EXPECT_NE(word, QStringLiteral("VSversion")) << "the string table has the key";
    const QString expected = word + QStringLiteral(" ") + QStringLiteral(CHRONARK_VERSION_STRING)
        + QStringLiteral(" (") + AboutBox::buildVersionString() + QStringLiteral(")");
    ASSERT_NE(box.versionString(), nullptr);
    EXPECT_EQ(box.versionString()->text(), expected);
    EXPECT_EQ(AboutBox::versionText(), expected);
    EXPECT_EQ(AboutBox::shortVersionString(), QStringLiteral(CHRONARK_VERSION_STRING));
    EXPECT_FALSE(AboutBox::buildVersionString().isEmpty());
}

TEST_F(AboutBoxTest, CopyrightFieldShowsTheLocalizedCopyright)
{
    AboutBox box(defaults.get());
    const QString copyright = platform::localized(QStringLiteral("VScopyright"));
    EXPECT_NE(copyright, QStringLiteral("VScopyright"));
    ASSERT_NE(box.copyrightString(), nullptr);
    EXPECT_EQ(box.copyrightString()->text(), copyright);
    EXPECT_NE(box.windowTitle(), QStringLiteral("VSaboutTitle"));
}

TEST_F(AboutBoxTest, OutletsAreTheBoxsChildren)
{
    AboutBox box(defaults.get());
    EXPECT_EQ(box.findChild<QLabel *>(QStringLiteral("versionString")), box.versionString());
    EXPECT_EQ(box.findChild<QLabel *>(QStringLiteral("copyrightString")), box.copyrightString());
    EXPECT_EQ(box.findChild<NTXURLClickField *>(QStringLiteral("urlField")), box.urlField());
    EXPECT_TRUE(box.isWindow());
}

// ---- Writing to support ----

TEST_F(AboutBoxTest, WriteeMailOpensTheSupportAddressThroughTheOpener)
{
    AboutBox box(defaults.get());
    QList<QUrl> opened;
    box.setURLOpener([&opened](const QUrl &url) {
        opened.append(url);
        return true;
    });
    EXPECT_TRUE(platform::respondsTo(&box, "writeeMail:"));
    EXPECT_TRUE(platform::sendAction("writeeMail:", &box, nullptr));
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened.first().scheme(), QStringLiteral("mailto"));
    EXPECT_EQ(opened.first().path(), QStringLiteral("support@chronark.example"));
    EXPECT_EQ(opened.first(), QUrl(AboutBox::SupportAddress));

    box.writeeMail(nullptr);
    EXPECT_EQ(opened.size(), 2);
}

TEST_F(AboutBoxTest, TheLinkFieldOpensTheSameAddressWhenClicked)
{
    AboutBox box(defaults.get());
    NTXURLClickField *field = box.urlField();
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->URLString(), AboutBox::SupportAddress);
    EXPECT_EQ(field->stringValue(), QStringLiteral("support@chronark.example"));
    EXPECT_FALSE(field->toolTip().isEmpty());

    QList<QUrl> opened;
    const NTXURLClickField::URLOpener previous = NTXURLClickField::setURLOpener([&opened](const QUrl &url) {
        opened.append(url);
        return true;
    });
    box.show();
    QTest::mouseClick(field, Qt::LeftButton, Qt::NoModifier, QPoint(5, field->height() / 2));
    NTXURLClickField::setURLOpener(previous);
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened.first(), QUrl(AboutBox::SupportAddress));
}

// ---- Closing ----

TEST_F(AboutBoxTest, CloseDialogAndTheOKButtonCloseTheWindow)
{
    AboutBox box(defaults.get());
    box.showWindow(nullptr);
    EXPECT_TRUE(box.isVisible());
    EXPECT_TRUE(platform::sendAction("closeDialog:", &box, nullptr));
    EXPECT_FALSE(box.isVisible());

    box.showWindow(nullptr);
    auto *ok = box.findChild<QPushButton *>(QStringLiteral("closeButton"));
    ASSERT_NE(ok, nullptr);
    EXPECT_NE(ok->text(), QStringLiteral("VSok"));
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_FALSE(box.isVisible());

    // closing hides the box; it stays usable for the next showing
    box.showWindow(nullptr);
    EXPECT_TRUE(box.isVisible());
}

// ---- Frame autosave ----

TEST_F(AboutBoxTest, TheFrameIsSavedUnderTheAutosaveName)
{
    AboutBox box(defaults.get());
    EXPECT_EQ(box.frameAutosaveName(), QStringLiteral("AboutBoxWindow"));
    EXPECT_EQ(AboutBox::frameDefaultsKey(QStringLiteral("AboutBoxWindow")),
              QStringLiteral("NSWindow Frame AboutBoxWindow"));
    box.show();
    box.setGeometry(QRect(70, 80, 420, 230));
    QCoreApplication::processEvents();
    box.closeDialog(nullptr);
    EXPECT_EQ(savedFrameText(), QStringLiteral("{{70, 80}, {420, 230}}"));
    EXPECT_EQ(platform::GeometryText::rectFromString(savedFrameText()), QRectF(70, 80, 420, 230));
}

TEST_F(AboutBoxTest, ANewBoxComesBackAtTheSavedFrame)
{
    defaults->setString(QStringLiteral("{{90, 110}, {430, 240}}"), QStringLiteral("NSWindow Frame AboutBoxWindow"));
    AboutBox box(defaults.get());
    EXPECT_EQ(box.geometry(), QRect(90, 110, 430, 240));
    box.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(box.geometry().size(), QSize(430, 240));
    // showing alone does not rewrite what was saved
    EXPECT_EQ(savedFrameText(), QStringLiteral("{{90, 110}, {430, 240}}"));
}

TEST_F(AboutBoxTest, UnusableSavedFramesAreIgnored)
{
    const QString key = QStringLiteral("NSWindow Frame AboutBoxWindow");
    AboutBox reference(defaults.get());
    const QSize natural = reference.size();

    for (const QString &text : {QStringLiteral("garbage"), QStringLiteral("{{10, 10}, {0, 0}}"),
                                QStringLiteral("{{10, 10}, {-300, 200}}"), QStringLiteral("{{1e300, 1e300}, {1e300, 1e300}}"),
                                QStringLiteral("{{nan, 0}, {inf, 400}}"), QString()}) {
        defaults->setString(text, key);
        AboutBox box(defaults.get());
        EXPECT_EQ(box.size(), natural) << text.toStdString();
    }
    // a frame on no screen keeps its size but not its place
    defaults->setString(QStringLiteral("{{50000, 50000}, {440, 250}}"), key);
    AboutBox away(defaults.get());
    EXPECT_EQ(away.size(), QSize(440, 250));
    EXPECT_NE(away.pos(), QPoint(50000, 50000));
}

TEST_F(AboutBoxTest, WithoutAnAutosaveNameNothingIsSaved)
{
    AboutBox box(defaults.get());
    box.setFrameAutosaveName(QString());
    box.show();
    box.setGeometry(QRect(30, 40, 400, 220));
    QCoreApplication::processEvents();
    box.closeDialog(nullptr);
    EXPECT_TRUE(savedFrameText().isEmpty());
    EXPECT_FALSE(box.setFrameUsingName(QString()));
}

// ---- What the user sees ----

TEST_F(AboutBoxTest, Picture)
{
    AboutBox box(defaults.get());
    box.show();
    const QImage picture = box.grab().toImage();
    EXPECT_FALSE(picture.isNull());
    const QString path = testsupport::screenshotPath(QStringLiteral("about_box.png"));
    ASSERT_TRUE(picture.save(path));
}
