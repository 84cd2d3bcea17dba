#include "NTXAppKit/reporting/NTXModalRunner.h"

#include "platform/drawing/AlertWidth.h"
#include "platform/drawing/Sheet.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSpacerItem>
#include <QStyle>
#include <QVariant>

#include <algorithm>

namespace {
NTXModalRunner::AlertRunner alertRunner;
NTXModalRunner::DialogRunner dialogRunner;

// Room in a title bar besides the title, in title-bar heights: the window icon and
// the bar's buttons.
constexpr int TitleBarButtonRoom = 5;
} // namespace

int NTXModalRunner::minimumAlertWidth(const QMessageBox &alert)
{
    QFont titleFont = QApplication::font("QMdiSubWindowTitleBar");
    titleFont.setBold(true);
    const int titleBar = alert.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &alert);
    const int title = QFontMetrics(titleFont).horizontalAdvance(alert.windowTitle()) + TitleBarButtonRoom * titleBar;
    const int message = platform::AlertWidth::messageWidth(&alert);
    int width = std::max(title, message);
    if (const QScreen *screen = alert.screen() ? alert.screen() : QGuiApplication::primaryScreen())
        width = std::min(width, screen->availableGeometry().width() - 2 * titleBar);
    return std::max(width, 0);
}

void NTXModalRunner::runAlert(std::unique_ptr<QMessageBox> alert, AlertHandler handler)
{
    if (alertRunner) {
        const int index = alertRunner(*alert);
        if (handler)
            handler(index);
        return;
    }
    QPointer<QMessageBox> shown = alert.release();
    platform::Sheet::begin(shown, nullptr, [shown, handler = std::move(handler)](int) {
        int index = 0;
        if (shown) {
            QObject *alternate = shown->property("alternateButton").value<QObject *>();
            index = alternate && shown->clickedButton() == alternate ? 1 : 0;
            shown->deleteLater();
        }
        if (handler)
            handler(index);
    });
}

std::unique_ptr<QMessageBox> NTXModalRunner::makeAlert(const QString &title, const QString &message,
                                                       const QString &defaultButton, const QString &alternateButton)
{
    auto alert = std::make_unique<QMessageBox>();
    alert->setIcon(QMessageBox::Information);
    alert->setWindowTitle(title);
    alert->setText(title);
    alert->setInformativeText(message);
    QPushButton *first = alert->addButton(defaultButton, QMessageBox::AcceptRole);
    alert->setDefaultButton(first);
    if (!alternateButton.isEmpty()) {
        QPushButton *second = alert->addButton(alternateButton, QMessageBox::RejectRole);
        alert->setProperty("alternateButton", QVariant::fromValue<QObject *>(second));
    }
    // The message box sizes itself to its layout's smallest width: a spacer across
    // the last row makes that room for the title and the message.
    if (auto *grid = qobject_cast<QGridLayout *>(alert->layout()))
        grid->addItem(new QSpacerItem(minimumAlertWidth(*alert), 0, QSizePolicy::Fixed, QSizePolicy::Minimum),
                      grid->rowCount(), 0, 1, std::max(grid->columnCount(), 1));
    return alert;
}

void NTXModalRunner::runDialog(QDialog &window)
{
    if (dialogRunner)
        dialogRunner(window);
    else
        platform::Sheet::begin(&window, nullptr, {});
}

void NTXModalRunner::setAlertRunner(AlertRunner runner)
{
    alertRunner = std::move(runner);
}

void NTXModalRunner::setDialogRunner(DialogRunner runner)
{
    dialogRunner = std::move(runner);
}
