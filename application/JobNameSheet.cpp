#include "application/JobNameSheet.h"

#include "platform/foundation/Bundle.h"

#include <QDoubleSpinBox>
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

JobNameSheet::JobNameSheet(QWidget *parent) : QDialog(parent, Qt::Sheet)
{
    setObjectName(QStringLiteral("jobNameWindow"));
    setWindowModality(Qt::WindowModal);
    setMinimumWidth(360);

    auto *layout = new QVBoxLayout(this);
    jobTitle = new QLabel(this);
    jobTitle->setObjectName(QStringLiteral("jobTitle"));
    QFont bold = jobTitle->font();
    bold.setBold(true);
    jobTitle->setFont(bold);
    layout->addWidget(jobTitle);

    auto *form = new QFormLayout;
    jobName = new QLineEdit(this);
    jobName->setObjectName(QStringLiteral("jobName"));
    form->addRow(text("LSJobNameLabel"), jobName);
    auto *wageRow = new QHBoxLayout;
    jobWage = new QDoubleSpinBox(this);
    jobWage->setObjectName(QStringLiteral("jobWage"));
    jobWage->setDecimals(2);
    jobWage->setRange(-1.0e9, 1.0e9);
    jobWage->setButtonSymbols(QAbstractSpinBox::NoButtons);
    wageRow->addWidget(jobWage, 1);
    jobCurrencySymbol = new QLabel(this);
    jobCurrencySymbol->setObjectName(QStringLiteral("jobCurrencySymbol"));
    wageRow->addWidget(jobCurrencySymbol);
    form->addRow(text("LSJobWageLabel"), wageRow);
    layout->addLayout(form);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    jobCancelButton = new QPushButton(text("LScancle"), this);
    jobCancelButton->setObjectName(QStringLiteral("jobCancelButton"));
    jobCancelButton->setAutoDefault(false);
    buttons->addWidget(jobCancelButton);
    jobOkButton = new QPushButton(text("LSok"), this);
    jobOkButton->setObjectName(QStringLiteral("jobOkButton"));
    jobOkButton->setDefault(true);
    buttons->addWidget(jobOkButton);
    layout->addLayout(buttons);
}
