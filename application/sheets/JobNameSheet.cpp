#include "application/sheets/JobNameSheet.h"

#include "platform/drawing/WholeTextLineEdit.h"
#include "platform/foundation/Bundle.h"

#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <charconv>
#include <limits>

namespace {

// The wage field: any float, shown in its shortest decimal form (12.345, not 12.35
// or 12.345000267). Its value is exactly the float it was given until the user
// types another.
class WageSpinBox : public QDoubleSpinBox
{
public:
    using QDoubleSpinBox::QDoubleSpinBox;

    QString textFromValue(double value) const override
    {
        char buffer[64];
        const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, float(value), std::chars_format::fixed);
        if (ec != std::errc())
            return QDoubleSpinBox::textFromValue(value);
        QString text = QString::fromLatin1(buffer, end - buffer);
        const QLocale l = locale();
        text.replace(QLatin1Char('.'), l.decimalPoint());
        text.replace(QLatin1Char('-'), l.negativeSign());
        return text;
    }
};

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
    jobName = new platform::WholeTextLineEdit(this);
    jobName->setObjectName(QStringLiteral("jobName"));
    form->addRow(text("LSJobNameLabel"), jobName);
    auto *wageRow = new QHBoxLayout;
    jobWage = new WageSpinBox(this);
    jobWage->setObjectName(QStringLiteral("jobWage"));
    // Enough decimals that no float is rounded, and the whole range of a float.
    jobWage->setDecimals(std::numeric_limits<float>::max_digits10 - std::numeric_limits<float>::min_exponent10);
    jobWage->setRange(-double(std::numeric_limits<float>::max()), double(std::numeric_limits<float>::max()));
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
