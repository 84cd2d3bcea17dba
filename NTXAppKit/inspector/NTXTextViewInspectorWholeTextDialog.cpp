#include "NTXAppKit/inspector/NTXTextViewInspectorWholeTextDialog.h"

#include <QDialogButtonBox>
#include <QPlainTextEdit>
#include <QTextOption>
#include <QVBoxLayout>

NTXTextViewInspectorWholeTextDialog::NTXTextViewInspectorWholeTextDialog(const QString &title, const QString &text,
                                                                         QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(title);
    setWindowModality(Qt::WindowModal);
    setAttribute(Qt::WA_DeleteOnClose);
    m_editor = new QPlainTextEdit(this);
    m_editor->setWordWrapMode(QTextOption::WrapAnywhere);
    m_editor->setPlainText(text);
    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_editor);
    layout->addWidget(m_buttons);
    resize(560, 420);
}

QString NTXTextViewInspectorWholeTextDialog::text() const
{
    return m_editor->toPlainText();
}
