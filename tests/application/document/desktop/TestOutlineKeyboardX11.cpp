// A document worked with the keyboard alone, on a real X desktop (openbox manages the
// window; the keys travel through the X server from xdotool): a job made with the
// Document menu's mnemonics, renamed with F2, ticked done with Space and deleted
// with Delete, each landing on the row the keyboard is on.
#include "tests/application/document/desktop/DesktopDocumentTest.h"

namespace {

bool keys(const QStringList &combinations)
{
    return desktoptest::sendKeys(combinations, 60);
}

bool type(const QString &text)
{
    return desktoptest::runProgram(QStringLiteral("xdotool"),
                                   {QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("40"), text})
        == 0;
}

class OutlineKeyboardX11 : public mydoctest::DesktopDocumentTest
{
};

} // namespace

TEST_F(OutlineKeyboardX11, AJobIsMadeRenamedTickedAndDeletedWithKeysAlone)
{
    QTreeView *outline = document->outlineView();
    ASSERT_TRUE(QTest::qWaitFor([outline] { return outline->hasFocus(); }, Patience)) << "the outline has the keyboard";
    const NodePtr root = document->jobList();
    auto selectedJob = [&]() -> NodePtr {
        const QList<QVariant> items = NTXOutlineViewExtension::allSelectedItems(outline);
        const NodePtr current =
            document->outlineModel()->itemForIndex(outline->currentIndex()).value<NodePtr>();
        return items.size() == 1 && items.first().value<NodePtr>() == current ? current : NodePtr();
    };

    // Document > New Job…, a name, Return: the new job is the selected, current row.
    ASSERT_TRUE(keys({QStringLiteral("alt+d"), QStringLiteral("j")}));
    ASSERT_TRUE(QTest::qWaitFor([this] { return QApplication::activeWindow() && QApplication::activeWindow() != window; },
                                Patience))
        << "the job sheet";
    ASSERT_TRUE(type(QStringLiteral("Report")));
    ASSERT_TRUE(keys({QStringLiteral("Return")}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return root->childrenCount() == 1 && selectedJob(); }, Patience));
    const NodePtr job = root->childAtIndex(0);
    EXPECT_EQ(job->itemName(), QStringLiteral("Report"));
    EXPECT_EQ(selectedJob(), job);
    ASSERT_TRUE(QTest::qWaitFor([this] { return QApplication::activeWindow() == window; }, Patience));

    // F2 opens the job's sheet with its name selected: typing replaces it.
    ASSERT_TRUE(keys({QStringLiteral("F2")}));
    ASSERT_TRUE(QTest::qWaitFor([this] { return QApplication::activeWindow() && QApplication::activeWindow() != window; },
                                Patience));
    ASSERT_TRUE(type(QStringLiteral("Quarterly report")));
    ASSERT_TRUE(keys({QStringLiteral("Return")}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return job->itemName() == QStringLiteral("Quarterly report"); }, Patience));
    ASSERT_TRUE(QTest::qWaitFor([this] { return QApplication::activeWindow() == window; }, Patience));
    EXPECT_EQ(selectedJob(), job);

    // Space ticks it done.
    ASSERT_TRUE(keys({QStringLiteral("space")}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return job->executed(); }, Patience));

    // Delete asks; Return answers Yes.
    ASSERT_TRUE(keys({QStringLiteral("Delete")}));
    ASSERT_TRUE(QTest::qWaitFor([this] { return QApplication::activeWindow() && QApplication::activeWindow() != window; },
                                Patience))
        << "the question";
    ASSERT_TRUE(keys({QStringLiteral("Return")}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return root->childrenCount() == 0; }, Patience));
}
