#include "platform/drawing/TextField.h"

#include "platform/foundation/ExceptionBoundary.h"

#include <QLineEdit>
#include <QMouseEvent>

namespace platform {

TextField::TextField(QWidget *parent) : Control(std::make_unique<TextFieldCell>(), parent)
{
    setFocusPolicy(Qt::StrongFocus);
}

TextField::~TextField() = default;

TextFieldCell *TextField::textFieldCell() const { return static_cast<TextFieldCell *>(cell()); }

Formatter *TextField::formatter() const { return textFieldCell()->formatter(); }

void TextField::setFormatter(std::unique_ptr<Formatter> formatter)
{
    textFieldCell()->setFormatter(std::move(formatter));
    updateGeometry();
    update();
}

void TextField::beginEditing()
{
    if (m_editor || !cell()->isEditable() || !cell()->isEnabled())
        return;
    auto *editor = new QLineEdit(this);
    editor->setFrame(false);
    editor->setFont(cell()->font());
    editor->setAlignment(cell()->alignment());
    editor->setText(cell()->title());
    editor->setGeometry(cell()->titleRectForBounds(QRectF(rect())).toAlignedRect());
    connect(editor, &QLineEdit::editingFinished, this,
        platform::ExceptionBoundary::guarded(this, "editingFinished", [this] { endEditing(); }));
    m_editor = editor;
    editor->show();
    editor->setFocus(Qt::OtherFocusReason);
    editor->selectAll();
}

bool TextField::endEditing()
{
    if (!m_editor)
        return true;
    QPointer<QLineEdit> editor = m_editor;
    m_editor = nullptr;
    const QString text = editor->text();
    editor->hide();
    editor->deleteLater();
    return takeText(text);
}

bool TextField::takeText(const QString &text)
{
    QString reason;
    if (!textFieldCell()->takeText(text, &reason)) {
        update();
        Q_EMIT textRefused(reason);
        return false;
    }
    updateGeometry();
    update();
    Q_EMIT valueEdited();
    return true;
}

void TextField::mousePressEvent(QMouseEvent *event)
try {
    if (cell()->isEditable()) {
        beginEditing();
        event->accept();
        return;
    }
    Control::mousePressEvent(event);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mousePressEvent");
}

void TextField::focusInEvent(QFocusEvent *event)
try {
    Control::focusInEvent(event);
    if (!m_editor)
        beginEditing();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "focusInEvent");
}

void TextField::resizeEvent(QResizeEvent *event)
try {
    Control::resizeEvent(event);
    if (m_editor)
        m_editor->setGeometry(cell()->titleRectForBounds(QRectF(rect())).toAlignedRect());
} catch (...) {
    platform::ExceptionBoundary::caught(this, "resizeEvent");
}

} // namespace platform
