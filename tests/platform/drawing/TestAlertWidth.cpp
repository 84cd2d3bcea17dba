// Alerts shown as sheets stand at least as wide as the title the window manager
// draws over them and as their buttons: a short message under a long title, or a
// row of long buttons, cuts neither.
#include "platform/drawing/AlertWidth.h"
#include "platform/drawing/Sheet.h"
#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <gtest/gtest.h>

namespace {

// The width a title bar needs for the text alone: bold, in the title bar's font or
// the alert's, whichever is larger.
int titleTextWidth(const QMessageBox &alert)
{
    QFont font = QApplication::font("QMdiSubWindowTitleBar");
    font.setBold(true);
    if (font.pointSizeF() < alert.font().pointSizeF())
        font.setPointSizeF(alert.font().pointSizeF());
    return QFontMetrics(font).horizontalAdvance(platform::AlertWidth::shownTitle(&alert));
}

// Every button lies inside the alert at no less than its preferred width.
void expectButtonsWhole(const QMessageBox &alert)
{
    const QList<QAbstractButton *> buttons = alert.buttons();
    ASSERT_FALSE(buttons.isEmpty());
    for (const QAbstractButton *button : buttons) {
        const QRect inAlert(button->mapTo(&alert, QPoint(0, 0)), button->size());
        EXPECT_TRUE(alert.rect().contains(inAlert)) << button->text().toStdString();
        EXPECT_GE(button->width(), button->sizeHint().width()) << button->text().toStdString();
    }
}

QMessageBox *shownAlert(QWidget *window, const QString &text, const QString &informative, const QStringList &buttons,
                        const QString &title = QString())
{
    auto *alert = new QMessageBox(window);
    alert->setText(text);
    alert->setInformativeText(informative);
    alert->setWindowTitle(title);
    for (const QString &button : buttons)
        alert->addButton(button, QMessageBox::AcceptRole);
    platform::Sheet::begin(alert, window, [](int) {});
    testsupport::settleEvents();
    return alert;
}

TEST(AlertWidth, AShortAlertIsAsWideAsItsTitleAndButton)
{
    QMainWindow window;
    window.resize(700, 500);
    window.show();
    // The alert of a new time entry without an active job: a short message, one button.
    QMessageBox *alert = shownAlert(&window, QStringLiteral("No active job"),
                                    QStringLiteral("Choose a job as the active job before adding a time entry."),
                                    {QStringLiteral("OK")});
    ASSERT_TRUE(alert->isVisible());
    const int titleBar = alert->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, alert);
    EXPECT_GE(alert->width(), titleTextWidth(*alert) + 3 * titleBar)
        << "the title \"" << platform::AlertWidth::shownTitle(alert).toStdString() << "\" and the title bar's buttons";
    EXPECT_GE(alert->width(), platform::AlertWidth::minimumWidth(alert));
    expectButtonsWhole(*alert);
    alert->done(0);
    testsupport::settleEvents();
    delete alert;
}

TEST(AlertWidth, ALongTitleWidensTheAlertUpToTheScreen)
{
    QMainWindow window;
    window.show();
    const QString title = QStringLiteral("The document “Quarterly hours of the design studio” could not be saved");
    QMessageBox *alert = shownAlert(&window, QStringLiteral("Not saved"), QString(), {QStringLiteral("OK")}, title);
    ASSERT_TRUE(alert->isVisible());
    EXPECT_TRUE(platform::AlertWidth::shownTitle(alert).startsWith(title));
    const int screen = alert->screen()->availableGeometry().width();
    EXPECT_GE(alert->width(), std::min(titleTextWidth(*alert), screen));
    EXPECT_LE(alert->width(), screen);
    expectButtonsWhole(*alert);

    // A title longer than the screen: as wide as the screen, no wider.
    alert->done(0);
    testsupport::settleEvents();
    delete alert;
    alert = shownAlert(&window, QStringLiteral("Not saved"), QString(), {QStringLiteral("OK")}, title.repeated(12));
    EXPECT_EQ(alert->width(), alert->screen()->availableGeometry().width());
    alert->done(0);
    testsupport::settleEvents();
    delete alert;
}

TEST(AlertWidth, LongButtonsStayWhole)
{
    QMainWindow window;
    window.show();
    QMessageBox *alert = shownAlert(&window, QStringLiteral("Quit?"), QString(),
                                    {QStringLiteral("Review Changes and Save Every Document…"),
                                     QStringLiteral("Discard Every Change and Quit Now"), QStringLiteral("Cancel")});
    expectButtonsWhole(*alert);
    const QDialogButtonBox *box = alert->findChild<QDialogButtonBox *>();
    ASSERT_TRUE(box);
    EXPECT_GE(box->width(), box->sizeHint().width());
    alert->done(0);
    testsupport::settleEvents();
    delete alert;
}

// A message under a short title and short buttons (the delete question) is set at
// about fifty characters a line, not folded to its longest word; a short message
// takes only its own width.
TEST(AlertWidth, AMessageIsSetAtAReadableMeasure)
{
    QMainWindow window;
    window.resize(700, 500);
    window.show();
    const struct {
        QString message;
        int mostLines;
    } cases[] = {
        {QStringLiteral("Do you really want to delete “Website relaunch” with everything it contains?"), 2},
        {QStringLiteral("Do you really want to delete “Website relaunch for the design studio of the "
                        "north” with everything it contains, its days and all their time entries?"),
         4},
        {QStringLiteral("Delete it?"), 1},
    };
    for (const auto &c : cases) {
        QMessageBox *alert = shownAlert(&window, QStringLiteral("Delete Entry"), c.message,
                                        {QStringLiteral("Yes"), QStringLiteral("No")});
        ASSERT_TRUE(alert->isVisible());
        const auto *label = alert->findChild<QLabel *>(QStringLiteral("qt_msgbox_informativelabel"));
        ASSERT_NE(label, nullptr);
        const QFontMetrics metrics(label->font());
        // Lines beyond the first, counted against the label's height for one line.
        const int oneLine = label->heightForWidth(QWIDGETSIZE_MAX);
        const int lines = 1 + (label->heightForWidth(label->width()) - oneLine + metrics.lineSpacing() / 2) / metrics.lineSpacing();
        EXPECT_LE(lines, c.mostLines) << c.message.toStdString() << ": " << label->width() << " px";
        EXPECT_GE(lines, 1);
        if (c.mostLines == 1) {
            EXPECT_LE(alert->width(), platform::AlertWidth::minimumWidth(alert) + metrics.averageCharWidth())
                << "no room beyond the title and buttons";
        }
        alert->done(0);
        testsupport::settleEvents();
        delete alert;
    }
}

// Texts set again while the alert is up: fitting it again keeps the rule.
TEST(AlertWidth, FittingAgainFollowsANewTitle)
{
    QMainWindow window;
    window.show();
    QMessageBox *alert = shownAlert(&window, QStringLiteral("Saving"), QString(), {QStringLiteral("OK")});
    const int before = alert->width();
    alert->setWindowTitle(QStringLiteral("A much longer title that the alert had not been sized for at first"));
    platform::AlertWidth::fit(alert);
    testsupport::settleEvents();
    EXPECT_GT(alert->width(), before);
    EXPECT_GE(alert->width(), std::min(titleTextWidth(*alert), alert->screen()->availableGeometry().width()));
    platform::AlertWidth::fit(nullptr);
    EXPECT_EQ(platform::AlertWidth::minimumWidth(nullptr), 0);
    alert->done(0);
    testsupport::settleEvents();
    delete alert;
}

} // namespace
