#include "components/keyrecorder/KRAdditions.h"

#include "components/keyrecorder/KRValidatorError.h"

#include <QMessageBox>
#include <QPushButton>

namespace KRAdditions {

std::unique_ptr<QMessageBox> alertWithNonRecoverableError(const KRValidatorError &error, QWidget *parent)
{
    auto alert = std::make_unique<QMessageBox>(parent);
    alert->setIcon(QMessageBox::Critical);
    alert->setTextFormat(Qt::PlainText);
    alert->setText(error.localizedDescription());
    alert->setInformativeText(error.localizedRecoverySuggestion());
    const QStringList options = error.localizedRecoveryOptions();
    const QString title = options.isEmpty() || options.first().isEmpty() ? QStringLiteral("OK") : options.first();
    QPushButton *button = alert->addButton(title, QMessageBox::AcceptRole);
    alert->setDefaultButton(button);
    alert->setEscapeButton(button);
    return alert;
}

} // namespace KRAdditions
