// The delete alert of a job with a name of 120,000 characters, on a real X desktop: the
// name is quoted cut to what the alert shows, so the ellipsis, the closing quote and
// the rest of the question stand inside the alert, on the screen; a right-to-left
// override left open in the name stays inside its isolate.
#include "tests/application/document/TestMyDocumentSupport.h"

#include <QLabel>
#include <QScreen>

using namespace mydoctest;

namespace {

class LongNameAlert : public MyDocumentFixture
{
protected:
    void SetUp() override
    {
        MyDocumentFixture::SetUp();
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            GTEST_SKIP() << "no X display";
    }
};

QString text(const char *key)
{
    return platform::localized(QString::fromLatin1(key));
}

} // namespace

TEST_F(LongNameAlert, TheQuotedNameIsCutToTheAlertAndIsolated)
{
    ProbeDocument *document = newDocument(true);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(document->mainWindow()));
    const QString name = QStringLiteral("\u202E") + QString(120'000, QLatin1Char('n'));
    NodePtr job = makeJob(name, 10, {});
    fill(document, {job});
    select(document, {job});
    document->deleteEntry(nullptr);
    QMessageBox *box = waitForMessageBox(document->mainWindow());
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(box));

    // “, the isolate with the override and the name's beginning, the ellipsis, the
    // isolate's end, ” and the rest of the question.
    const QString format = text("LSAdeleteEntry");
    const qsizetype at = format.indexOf(QStringLiteral("%@"));
    ASSERT_GE(at, 0);
    const QString shown = box->informativeText();
    ASSERT_TRUE(shown.startsWith(format.left(at) + QStringLiteral("\u2068\u202Ennn")));
    ASSERT_TRUE(shown.endsWith(QStringLiteral("\u2026\u2069") + format.mid(at + 2)));
    EXPECT_LT(shown.size(), format.size() + 200);

    // Every piece of the text fits its label, and the alert fits the screen.
    const auto *label = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_informativelabel"));
    ASSERT_NE(label, nullptr);
    const QFontMetrics metrics(label->font());
    for (const QString &word : label->text().split(QLatin1Char(' '), Qt::SkipEmptyParts))
        EXPECT_LE(metrics.horizontalAdvance(word), label->width()) << word.size() << " units";
    EXPECT_TRUE(box->screen()->availableGeometry().contains(box->frameGeometry()));
    clickButton(box, text("LSno"));
    drainEvents();
    EXPECT_EQ(job->itemName(), name);
}
