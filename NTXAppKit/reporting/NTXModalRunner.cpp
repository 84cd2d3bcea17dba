#include "NTXAppKit/reporting/NTXModalRunner.h"

#include <QAbstractButton>
#include <QDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QVariant>

namespace {
NTXModalRunner::AlertRunner alertRunner;
NTXModalRunner::DialogRunner dialogRunner;
} // namespace

int NTXModalRunner::runAlert(QMessageBox &alert)
{
    if (alertRunner)
        return alertRunner(alert);
    alert.exec();
    QObject *alternate = alert.property("alternateButton").value<QObject *>();
    return alternate && alert.clickedButton() == alternate ? 1 : 0;
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
        window.exec();
}

void NTXModalRunner::setAlertRunner(AlertRunner runner)
{
    alertRunner = std::move(runner);
}

void NTXModalRunner::setDialogRunner(DialogRunner runner)
{
    dialogRunner = std::move(runner);
}
