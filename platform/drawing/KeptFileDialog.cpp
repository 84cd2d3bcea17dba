#include "platform/drawing/KeptFileDialog.h"

#include "platform/drawing/Sheet.h"

#include <QFileDialog>

namespace platform::KeptFileDialog {

QFileDialog *find(const QWidget *keeper, const QString &name)
{
    if (!keeper)
        return nullptr;
    const QList<QFileDialog *> kept = keeper->findChildren<QFileDialog *>(name, Qt::FindDirectChildrenOnly);
    for (QFileDialog *dialog : kept) {
        if (!Sheet::isRunning(dialog) && !dialog->isVisible())
            return dialog;
    }
    return nullptr;
}

void keep(QFileDialog *dialog, QWidget *keeper)
{
    if (!dialog)
        return;
    dialog->hide();
    if (!keeper) {
        dialog->deleteLater();
        return;
    }
    if (dialog->parentWidget() != keeper)
        dialog->setParent(keeper, dialog->windowFlags() | Qt::Dialog);
}

} // namespace platform::KeptFileDialog
