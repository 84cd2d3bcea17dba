#include "platform/drawing/KeptFileDialog.h"

#include "platform/drawing/Sheet.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>

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

QFileDialog *findOrMake(QWidget *keeper, const QString &name)
{
    if (QFileDialog *kept = find(keeper, name))
        return kept;
    auto *dialog = new QFileDialog(keeper);
    dialog->setObjectName(name);
    return dialog;
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

void openFolder(QFileDialog *dialog, const QString &folder)
{
    if (!dialog || folder.isEmpty())
        return;
    const QFileInfo info(folder);
    if (info.isDir())
        dialog->setDirectory(QDir::cleanPath(info.absoluteFilePath()));
    else if (QFileInfo(info.absolutePath()).isDir())
        dialog->setDirectory(info.absolutePath());
}

void clearName(QFileDialog *dialog)
{
    if (auto *name = dialog ? dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")) : nullptr)
        name->clear();
}

} // namespace platform::KeptFileDialog
