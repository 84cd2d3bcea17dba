#include "NTXAppKit/reporting/NTXModalRunner.h"

#include "platform/drawing/Sheet.h"

#include <QAbstractButton>
#include <QPointer>
#include <QDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QVariant>

namespace {
NTXModalRunner::AlertRunner alertRunner;
NTXModalRunner::DialogRunner dialogRunner;
} // namespace

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
