#include "application/export/DocumentPrintDialog.h"

#include "platform/foundation/ExceptionBoundary.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QVBoxLayout>

DocumentPrintDialog::DocumentPrintDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("printDialog"));
    setWindowTitle(tr("Print"));
    auto *column = new QVBoxLayout(this);
    auto *form = new QFormLayout;
    column->addLayout(form);
    m_printer = new QComboBox(this);
    m_printer->setObjectName(QStringLiteral("printerPopup"));
    form->addRow(tr("Printer:"), m_printer);
    m_message = new QLabel(this);
    m_message->setObjectName(QStringLiteral("printServerMessage"));
    m_message->setWordWrap(true);
    form->addRow(m_message);
    m_copies = new QSpinBox(this);
    m_copies->setObjectName(QStringLiteral("copies"));
    m_copies->setRange(1, 999);
    m_collate = new QCheckBox(tr("Collate"), this);
    m_collate->setObjectName(QStringLiteral("collate"));
    m_collate->setChecked(true);
    auto *copies = new QHBoxLayout;
    copies->addWidget(m_copies);
    copies->addWidget(m_collate);
    form->addRow(tr("Copies:"), copies);
    m_sides = new QComboBox(this);
    m_sides->setObjectName(QStringLiteral("sides"));
    m_sides->addItem(tr("One-sided"), PrintChoice::OneSided);
    m_sides->addItem(tr("Two-sided, long edge"), PrintChoice::TwoSidedLongEdge);
    m_sides->addItem(tr("Two-sided, short edge"), PrintChoice::TwoSidedShortEdge);
    form->addRow(tr("Sides:"), m_sides);
    m_pages = new QLineEdit(this);
    m_pages->setObjectName(QStringLiteral("pageRanges"));
    m_pages->setPlaceholderText(tr("All"));
    // Pages and ranges of pages, as CUPS takes them: "1-3,5,8-".
    m_pages->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral(R"(\s*[1-9]\d{0,5}(\s*-\s*([1-9]\d{0,5})?)?(\s*,\s*[1-9]\d{0,5}(\s*-\s*([1-9]\d{0,5})?)?)*\s*,?\s*)")),
        m_pages));
    form->addRow(tr("Pages:"), m_pages);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(tr("Print"));
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    column->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_printer, &QComboBox::currentIndexChanged, this,
            platform::ExceptionBoundary::guarded(this, "the printer chosen", [this] { updateOptions(); }));
    connect(m_copies, &QSpinBox::valueChanged, this,
            platform::ExceptionBoundary::guarded(this, "the copies", [this] { updateOptions(); }));
    setPrinters(nullptr);
}

void DocumentPrintDialog::setPrinters(const platform::PrinterQueue::Printers *printers)
{
    using Printers = platform::PrinterQueue::Printers;
    const QString chosen = m_printer->currentData().toString();
    const bool hadPrinters = m_printer->count() > 1;
    m_printer->clear();
    int preferred = -1;
    if (printers && printers->state == Printers::Answered) {
        for (const platform::PrinterQueue::Printer &printer : printers->printers) {
            if (printer.isDefault || (preferred < 0 && printer.name == chosen))
                preferred = m_printer->count();
            m_printer->addItem(printer.name, printer.name);
        }
    }
    if (m_printer->count() > 0)
        m_printer->insertSeparator(m_printer->count());
    m_printer->addItem(tr("PDF file"), QString());
    // A choice made meanwhile stays.
    if (hadPrinters && m_printer->findData(chosen) >= 0)
        preferred = m_printer->findData(chosen);
    m_printer->setCurrentIndex(preferred >= 0 ? preferred : (printers ? 0 : m_printer->count() - 1));
    if (!printers)
        m_message->setText(tr("Asking the print server for its printers…"));
    else if (printers->state == Printers::Answered && printers->printers.isEmpty())
        m_message->setText(tr("The print server “%1” offers no printer.").arg(printers->server));
    else if (printers->state == Printers::Answered)
        m_message->clear();
    else
        m_message->setText(printers->reason + QLatin1Char(' ') + tr("The pages can still be saved as a PDF file."));
    m_message->setVisible(!m_message->text().isEmpty());
    updateOptions();
}

void DocumentPrintDialog::updateOptions()
{
    const bool printer = !m_printer->currentData().toString().isEmpty();
    for (QWidget *option : std::initializer_list<QWidget *>{m_copies, m_sides, m_pages})
        option->setEnabled(printer);
    m_collate->setEnabled(printer && m_copies->value() > 1);
}

PrintChoice DocumentPrintDialog::choice() const
{
    PrintChoice choice;
    choice.printer = m_printer->currentData().toString();
    choice.copies = m_copies->value();
    choice.collate = m_collate->isChecked();
    choice.sides = PrintChoice::Sides(m_sides->currentData().toInt());
    choice.pageRanges = m_pages->text().simplified().remove(QLatin1Char(' '));
    while (choice.pageRanges.endsWith(QLatin1Char(',')))
        choice.pageRanges.chop(1);
    return choice;
}
