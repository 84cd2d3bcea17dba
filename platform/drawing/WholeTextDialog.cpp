#include "platform/drawing/WholeTextDialog.h"

#include "platform/drawing/HiddenWindowFocus.h"
#include "platform/drawing/Sheet.h"
#include "platform/drawing/WholeTextEdit.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/DisplayText.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDockWidget>
#include <QKeyEvent>
#include <QPushButton>
#include <QVBoxLayout>

namespace platform {

WholeTextDialog::WholeTextDialog(const QString &title, const QString &text, QWidget *parent)
    : QDialog(parent)
    // The widget of the window it opens over that has the keyboard there.
    , m_returnFocus(parent && parent->window()->focusWidget() ? parent->window()->focusWidget() : QApplication::focusWidget())
{
    HiddenWindowFocus::install();
    setWindowTitle(title);
    setAttribute(Qt::WA_DeleteOnClose);
    m_editor = new WholeTextEdit(this);
    m_editor->setWholeText(text);
    m_editor->installEventFilter(this);
    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    const Bundle &strings = Bundle::bundleNamed(QStringLiteral("platform"));
    m_buttons->button(QDialogButtonBox::Ok)
        ->setText(strings.localizedString(QStringLiteral("WholeTextOKButton"), QString(), QStringLiteral("&OK")));
    m_buttons->button(QDialogButtonBox::Cancel)
        ->setText(strings.localizedString(QStringLiteral("WholeTextCancelButton"), QString(), QStringLiteral("&Cancel")));
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

void WholeTextDialog::open()
{
    // One of the sheets of the window it opens over: held by the sheet's hold, which
    // passes on the keys the desktop still sends to the window, and in that window's
    // line, so that an alert the program begins meanwhile waits for it to end rather
    // than standing blocked behind it (and it behind the alert).
    m_owner = parentWidget() ? parentWidget()->window() : nullptr;
    // Opened from a panel standing apart (a floating dock): the window it belongs to.
    if (qobject_cast<QDockWidget *>(m_owner.data()) && m_owner->parentWidget())
        m_owner = m_owner->parentWidget()->window();
    if (Sheet::isRunning(this))
        return;
    setResult(0);
    if (!m_owner) {
        // Over no window: it holds nothing.
        setWindowModality(Qt::NonModal);
        show();
        raise();
        activateWindow();
        return;
    }
    Sheet::begin(this, m_owner, {});
}

void WholeTextDialog::done(int result)
{
    QPointer<QWidget> back = m_returnFocus;
    // Not from another program the person went to meanwhile.
    const bool ours = QGuiApplication::focusWindow() != nullptr;
    QDialog::done(result);
    // It closes before the desktop may have made it the active window: the keyboard
    // goes back where it came from at once.
    if (ours && back && back->isVisible() && back->window() != this) {
        back->window()->activateWindow();
        back->setFocus(Qt::OtherFocusReason);
    }
}

bool WholeTextDialog::eventFilter(QObject *watched, QEvent *event)
try {
    if (watched != m_editor || (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride))
        return QDialog::eventFilter(watched, event);
    auto *key = static_cast<QKeyEvent *>(event);
    const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    const bool tab = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
    const bool ends = enter && (modifiers == Qt::ControlModifier || (m_oneLine && modifiers == Qt::NoModifier));
    const bool leaves = tab && (modifiers & Qt::ControlModifier) && !(modifiers & ~(Qt::ControlModifier | Qt::ShiftModifier));
    if (!ends && !leaves)
        return QDialog::eventFilter(watched, event);
    // The editor takes no shortcut of these keys; the key itself is the dialog's.
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept();
        return true;
    }
    if (ends) {
        // Not while OK is held back (what it would write to is gone).
        if (!m_buttons->button(QDialogButtonBox::Ok)->isEnabled())
            return true;
        m_endedWithReturn = modifiers == Qt::NoModifier;
        accept();
    } else {
        focusNextPrevChild(key->key() == Qt::Key_Tab && !(modifiers & Qt::ShiftModifier));
    }
    return true;
} catch (...) {
    ExceptionBoundary::caught(this, "eventFilter");
    return false;
}

} // namespace platform
