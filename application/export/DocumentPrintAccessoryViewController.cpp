#include "application/export/DocumentPrintAccessoryViewController.h"

#include "ui_DocumentPrintAccessoryViewController.h"

DocumentPrintAccessoryViewController::DocumentPrintAccessoryViewController(QWidget *parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::DocumentPrintAccessoryViewController>())
{
    m_ui->setupUi(this);
}

DocumentPrintAccessoryViewController::~DocumentPrintAccessoryViewController() = default;

QCheckBox *DocumentPrintAccessoryViewController::printSelectedJobs() const
{
    return m_ui->printSelectedJobs;
}

QCheckBox *DocumentPrintAccessoryViewController::printWithoutTimeEntry() const
{
    return m_ui->printWithoutTimeEntry;
}

QCheckBox *DocumentPrintAccessoryViewController::printWithoutDayEntry() const
{
    return m_ui->printWithoutDayEntry;
}

void DocumentPrintAccessoryViewController::assign(bool &member, bool value)
{
    if (member == value)
        return;
    member = value;
    Q_EMIT previewAffected();
}

void DocumentPrintAccessoryViewController::setPrintOnlySelectedJobs(bool value)
{
    assign(m_printOnlySelectedJobs, value);
}

void DocumentPrintAccessoryViewController::setWithoutTimeEntry(bool value)
{
    assign(m_withoutTimeEntry, value);
}

void DocumentPrintAccessoryViewController::setWithoutDayEntry(bool value)
{
    assign(m_withoutDayEntry, value);
}

QSet<QString> DocumentPrintAccessoryViewController::keyPathsForValuesAffectingPreview()
{
    return {QStringLiteral("printOnlySelectedJobs"), QStringLiteral("withoutTimeEntry"),
            QStringLiteral("withoutDayEntry")};
}
