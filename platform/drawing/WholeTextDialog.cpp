#include "platform/drawing/WholeTextDialog.h"

#include "platform/drawing/WholeTextEdit.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/DisplayText.h"

#include <QDialogButtonBox>
#include <QVBoxLayout>

namespace platform {

WholeTextDialog::WholeTextDialog(const QString &title, const QString &text, QWidget *parent) : QDialog(parent)
{
    setWindowTitle(title);
    setWindowModality(Qt::WindowModal);
    setAttribute(Qt::WA_DeleteOnClose);
    m_editor = new WholeTextEdit(this);
    m_editor->setWholeText(text);
    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_editor);
    layout->addWidget(m_buttons);
    resize(560, 420);
}

QString WholeTextDialog::titleFor(const QString &kind, const QString &itemName)
{
    if (itemName.isEmpty())
        return kind;
    QString title = Bundle::bundleNamed(QStringLiteral("platform"))
                        .localizedString(QStringLiteral("WholeTextTitle"), QString(), QStringLiteral("%1 of “%2”"));
    // The name last, so that a "%1" inside it stays as it is.
    if (const qsizetype at = title.indexOf(QStringLiteral("%1")); at >= 0)
        title.replace(at, 2, kind);
    if (const qsizetype at = title.indexOf(QStringLiteral("%2")); at >= 0)
        title.replace(at, 2, DisplayText::setInText(itemName, TitleNameLength));
    return title;
}

QString WholeTextDialog::text() const
{
    return m_editor->wholeText();
}

} // namespace platform
