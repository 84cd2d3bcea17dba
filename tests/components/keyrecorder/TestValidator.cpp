// The validator: the delegate's answer and its texts, the menus' shortcuts (depth
// first, modifiers compared one by one) and the alert built from an error. Without an
// X server the desktop's shortcuts are not consulted.
#include "components/keyrecorder/KRAdditions.h"
#include "components/keyrecorder/KRValidator.h"
#include "platform/desktop/KeyboardLayout.h"

#include <QAction>
#include <QAbstractButton>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <gtest/gtest.h>

namespace {

constexpr quint32 CarbonCommand = 0x100, CarbonShift = 0x200, CarbonOption = 0x800, CarbonControl = 0x1000;

class TakingDelegate : public KRValidatorDelegate
{
public:
    bool taken = true;
    QString reason;
    int asked = 0;
    quint32 flagsAsked = 0;
    bool shortcutValidator(KRValidator *, int, quint32 cocoaFlags, QString *why) override
    {
        ++asked;
        flagsAsked = cocoaFlags;
        if (why)
            *why = reason;
        return taken;
    }
};

class ValidatorTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(platform::KeyboardLayout::instance().useLayoutNames(QStringLiteral("us")));
        KRValidator::setMainMenu(&bar);
    }
    void TearDown() override { KRValidator::setMainMenu(nullptr); }

    QMenuBar bar;
};

TEST_F(ValidatorTest, DelegateAnswerComesWithItsReasonOrTheDefaultOne)
{
    TakingDelegate delegate;
    delegate.reason = QStringLiteral("the timer uses it");
    KRValidator validator(&delegate);
    KRValidatorError error;
    EXPECT_TRUE(validator.isKeyCode(0, CarbonCommand | CarbonShift, &error));
    EXPECT_EQ(delegate.flagsAsked, 0x120000u); // asked in Cocoa flags
    EXPECT_EQ(error.domain, QStringLiteral("NSCocoaErrorDomain"));
    EXPECT_EQ(error.code, 0);
    EXPECT_EQ(error.localizedRecoverySuggestion(),
              QStringLiteral("The key combination \"Command + Shift + A\" can't be used because the timer uses it."));
    EXPECT_EQ(error.localizedRecoveryOptions(), QStringList{QStringLiteral("OK")});

    delegate.reason.clear();
    EXPECT_TRUE(validator.isKeyCode(0, CarbonCommand, &error));
    EXPECT_EQ(error.localizedRecoverySuggestion(),
              QStringLiteral("The key combination \"Command + A\" can't be used because it's already used."));
    EXPECT_TRUE(validator.isKeyCode(0, CarbonCommand)); // the same answer without an error

    delegate.taken = false;
    EXPECT_FALSE(validator.isKeyCode(0, CarbonCommand, &error));
}

TEST_F(ValidatorTest, MenuShortcutsCompareKeyAndEachModifier)
{
    QMenu *file = bar.addMenu(QStringLiteral("&File"));
    file->addAction(QStringLiteral("&Close"))->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
    file->addAction(QStringLiteral("Save && Quit"))->setShortcut(QKeySequence(Qt::META | Qt::Key_Q));
    file->addSeparator();
    file->addAction(QStringLiteral("Help"))->setShortcut(QKeySequence(Qt::Key_F1));
    KRValidator validator;
    KRValidatorError error;
    EXPECT_TRUE(validator.isKeyCode(12, CarbonCommand, &error));
    EXPECT_EQ(error.localizedDescription(), QStringLiteral("The key combination ") + QChar(0x2318)
                  + QStringLiteral("Q can't be used!"));
    EXPECT_EQ(error.localizedRecoverySuggestion(),
              QStringLiteral("The key combination \"Command + Q\" can't be used because it's already used by the "
                             "menu item \"Save & Quit\"."));
    EXPECT_FALSE(validator.isKeyCode(12, CarbonCommand | CarbonShift));
    EXPECT_FALSE(validator.isKeyCode(12, CarbonControl));
    EXPECT_TRUE(validator.isKeyCode(13, CarbonControl));
    EXPECT_FALSE(validator.isKeyCode(13, CarbonControl | CarbonOption));
    EXPECT_TRUE(validator.isKeyCode(122, 0));
    EXPECT_FALSE(validator.isKeyCode(120, 0));
}

TEST_F(ValidatorTest, SubmenuItemsAreFoundBeforeLaterItems)
{
    QMenu *edit = bar.addMenu(QStringLiteral("Edit"));
    QMenu *find = edit->addMenu(QStringLiteral("Find"));
    find->addAction(QStringLiteral("Find Next"))->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
    edit->addAction(QStringLiteral("Go"))->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
    KRValidator validator;
    KRValidatorError error;
    EXPECT_TRUE(validator.isKeyCodeAndFlagsTakenInMenu(5, CarbonControl, edit, &error));
    EXPECT_TRUE(error.localizedRecoverySuggestion().contains(QStringLiteral("\"Find Next\"")));

    // Chords of several keys are not triggered by one combination; no menu, no match.
    QMenu other;
    other.addAction(QStringLiteral("Two"))->setShortcut(QKeySequence(QStringLiteral("Ctrl+K, Ctrl+L")));
    EXPECT_FALSE(validator.isKeyCodeAndFlagsTakenInMenu(40, CarbonControl, &other));
    EXPECT_FALSE(validator.isKeyCodeAndFlagsTakenInMenu(40, CarbonControl, nullptr));
}

TEST_F(ValidatorTest, MenuThatContainsItselfEndsTheSearch)
{
    QMenu loop(QStringLiteral("Loop"));
    loop.addMenu(&loop);
    KRValidator validator;
    EXPECT_FALSE(validator.isKeyCodeAndFlagsTakenInMenu(0, CarbonCommand, &loop));
}

TEST_F(ValidatorTest, AlertOfAnError)
{
    const KRValidatorError error = KRValidator::delegateError(0, CarbonCommand, QStringLiteral("why"));
    std::unique_ptr<QMessageBox> alert = KRAdditions::alertWithNonRecoverableError(error);
    EXPECT_EQ(alert->text(), error.localizedDescription());
    EXPECT_EQ(alert->informativeText(), error.localizedRecoverySuggestion());
    ASSERT_EQ(alert->buttons().size(), 1);
    EXPECT_EQ(alert->buttons().first()->text(), QStringLiteral("OK"));
    EXPECT_EQ(alert->icon(), QMessageBox::Critical);

    std::unique_ptr<QMessageBox> bare = KRAdditions::alertWithNonRecoverableError(KRValidatorError());
    EXPECT_TRUE(bare->informativeText().isEmpty());
    ASSERT_EQ(bare->buttons().size(), 1);
}

} // namespace
