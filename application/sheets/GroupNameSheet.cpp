#include "application/sheets/GroupNameSheet.h"

#include "platform/drawing/WholeTextLineEdit.h"
#include "platform/foundation/Bundle.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString text(const char *key)
{
    return platform::localized(QString::fromLatin1(key));
}

} // namespace

GroupNameSheet::GroupNameSheet(QWidget *parent) : QDialog(parent, Qt::Sheet)
{
    setObjectName(QStringLiteral("groupNameWindow"));
    setWindowModality(Qt::WindowModal);
    setMinimumWidth(340);

    auto *layout = new QVBoxLayout(this);
    groupTitle = new QLabel(this);
    groupTitle->setObjectName(QStringLiteral("groupTitle"));
    QFont bold = groupTitle->font();
    bold.setBold(true);
    groupTitle->setFont(bold);
    layout->addWidget(groupTitle);

    auto *form = new QFormLayout;
    groupName = new platform::WholeTextLineEdit(this);
    groupName->setObjectName(QStringLiteral("groupName"));
    form->addRow(text("LSGroupNameLabel"), groupName);
    layout->addLayout(form);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    groupCancelButton = new QPushButton(text("LScancle"), this);
    groupCancelButton->setObjectName(QStringLiteral("groupCancelButton"));
    groupCancelButton->setAutoDefault(false);
    buttons->addWidget(groupCancelButton);
    groupOkButton = new QPushButton(text("LSok"), this);
    groupOkButton->setObjectName(QStringLiteral("groupOkButton"));
    groupOkButton->setDefault(true);
    buttons->addWidget(groupOkButton);
    layout->addLayout(buttons);
}
