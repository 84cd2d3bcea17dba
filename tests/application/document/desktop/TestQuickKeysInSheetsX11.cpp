// Keys typed without a pause into sheets and the dialogs begun from them, on a real X
// desktop (openbox manages the windows; the keys travel through the X server from
// xdotool): the whole-name dialog that a key opens in the Rename Group sheet shows at
// once and takes the keys typed after that key, Return ending it and the sheet; and
// a click on the document window under an open sheet gives the sheet the keyboard.
#include "tests/application/document/desktop/DesktopDocumentTest.h"

namespace {

bool keys(const QStringList &combinations)
{
    return desktoptest::sendKeys(combinations, 0);
}

class QuickKeysInSheetsX11 : public mydoctest::DesktopDocumentTest
{
};

} // namespace

TEST_F(QuickKeysInSheetsX11, TheWholeNameDialogTakesTheKeysTypedAfterTheKeyThatOpenedIt)
{
    const QString name = QString(1500, QLatin1Char('g'));
    NodePtr group = mydoctest::makeNode(Node::Group, name);
    document->edits().addNode(group, document->jobList(), 0);
    QTreeView *outline = document->outlineView();
    NTXOutlineViewExtension::selectItems(outline, {QVariant::fromValue(group)}, false);
    outline->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([outline] { return outline->hasFocus(); }, Patience));

    for (int run = 0; run < 3; ++run) {
        SCOPED_TRACE(run);
        const QString before = group->itemName();
        // F2 opens the Rename Group sheet; End, X and Return follow at once.
        ASSERT_TRUE(keys({QStringLiteral("F2")}));
        ASSERT_TRUE(QTest::qWaitFor([this] { return QApplication::activeWindow() && QApplication::activeWindow() != window; },
                                    Patience))
            << "the sheet";
        ASSERT_TRUE(keys({QStringLiteral("End"), QStringLiteral("x"), QStringLiteral("Return")}));
        ASSERT_TRUE(QTest::qWaitFor([&] { return group->itemName() == before + QStringLiteral("x"); }, Patience))
            << "the name got the x, and Return ended the dialog and the sheet";
        ASSERT_TRUE(QTest::qWaitFor([this] { return QApplication::activeWindow() == window; }, Patience))
            << "the keyboard is back in the document window";
        EXPECT_TRUE(QTest::qWaitFor([outline] { return outline->hasFocus(); }, Patience));
    }

    // A click on the document window under an open sheet: the sheet has the keyboard,
    // and Escape closes it.
    ASSERT_TRUE(keys({QStringLiteral("F2")}));
    ASSERT_TRUE(QTest::qWaitFor([this] { return QApplication::activeWindow() && QApplication::activeWindow() != window; },
                                Patience));
    QWidget *sheet = QApplication::activeWindow();
    const QPoint inside = window->mapToGlobal(window->rect().bottomLeft() + QPoint(20, -20));
    ASSERT_EQ(desktoptest::runProgram(QStringLiteral("xdotool"),
                                      {QStringLiteral("mousemove"), QString::number(inside.x()), QString::number(inside.y()),
                                       QStringLiteral("click"), QStringLiteral("1")}),
              0);
    ASSERT_TRUE(QTest::qWaitFor([sheet] { return QApplication::activeWindow() == sheet; }, Patience))
        << "the sheet has the keyboard";
    ASSERT_TRUE(keys({QStringLiteral("Escape")}));
    ASSERT_TRUE(QTest::qWaitFor([sheet] { return !sheet->isVisible(); }, Patience)) << "Escape reached the sheet";
    EXPECT_EQ(group->itemName(), name + QStringLiteral("xxx"));
}
