#include "application/sheets/DeleteAssistantSheet.h"

#include "platform/foundation/Bundle.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

QString text(const char *key)
{
    return platform::localized(QString::fromLatin1(key));
}

} // namespace

DeleteAssistantSheet::DeleteAssistantSheet(QWidget *parent) : QDialog(parent, Qt::Sheet)
{
    setObjectName(QStringLiteral("deleteWindow"));
    setWindowTitle(text("LSDeleteAssistant"));
    setWindowModality(Qt::WindowModal);

    auto *layout = new QVBoxLayout(this);
    auto *title = new QLabel(text("LSDeleteAssistantTitle"), this);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    layout->addWidget(title);

    auto *form = new QFormLayout;
    deleteType = new QComboBox(this);
    deleteType->setObjectName(QStringLiteral("deleteType"));
    deleteType->addItem(text("LSDeleteKindAll"), 0);
    deleteType->addItem(text("LSDeleteKindGroups"), 1);
    deleteType->addItem(text("LSDeleteKindJobs"), 2);
    deleteType->addItem(text("LSDeleteKindTimes"), 3);
    form->addRow(text("LSDeleteKindLabel"), deleteType);

    auto *conditions = new QWidget(this);
    auto *conditionLayout = new QVBoxLayout(conditions);
    conditionLayout->setContentsMargins(0, 0, 0, 0);
    deleteValue = new QButtonGroup(this);
    deleteValue->setObjectName(QStringLiteral("deleteValue"));
    const char *const keys[] = {"LSDeleteNoDate", "LSDeleteBefore", "LSDeleteAfter"};
    for (int tag = 0; tag < 3; ++tag) {
        auto *button = new QRadioButton(text(keys[tag]), conditions);
        button->setObjectName(QStringLiteral("deleteValue%1").arg(tag));
        deleteValue->addButton(button, tag);
        conditionLayout->addWidget(button);
    }
    form->addRow(text("LSDeleteDateLabel"), conditions);

    deleteDate = new QDateTimeEdit(this);
    deleteDate->setObjectName(QStringLiteral("deleteDate"));
    deleteDate->setCalendarPopup(true);
    deleteDate->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    form->addRow(QString(), deleteDate);
    layout->addLayout(form);

    deleteOnlyExecutedEntys = new QCheckBox(text("LSDeleteOnlyExecuted"), this);
    deleteOnlyExecutedEntys->setObjectName(QStringLiteral("deleteOnlyExecutedEntys"));
    layout->addWidget(deleteOnlyExecutedEntys);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    deleteCancelButton = new QPushButton(text("LScancle"), this);
    deleteCancelButton->setObjectName(QStringLiteral("deleteCancelButton"));
    deleteCancelButton->setAutoDefault(false);
    buttons->addWidget(deleteCancelButton);
    deleteOkButton = new QPushButton(text("LSDeleteOK"), this);
    deleteOkButton->setObjectName(QStringLiteral("deleteOkButton"));
    deleteOkButton->setDefault(true);
    buttons->addWidget(deleteOkButton);
    layout->addLayout(buttons);

    // It opens on the careful choice: time entries created before the date. One
    // click on Delete must not empty the whole document.
    selectKindTag(3);
    selectConditionTag(1);
}

int DeleteAssistantSheet::kindTag() const
{
    const QVariant tag = deleteType->currentData();
    return tag.isValid() ? tag.toInt() : -1;
}

int DeleteAssistantSheet::conditionTag() const
{
    return deleteValue->checkedId();
}

void DeleteAssistantSheet::selectKindTag(int tag)
{
    deleteType->setCurrentIndex(deleteType->findData(tag));
}

void DeleteAssistantSheet::selectConditionTag(int tag)
{
    if (QAbstractButton *button = deleteValue->button(tag))
        button->setChecked(true);
}
