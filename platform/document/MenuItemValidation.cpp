#include "platform/document/MenuItemValidation.h"

#include "platform/document/ClipboardOffer.h"
#include "platform/document/ClipboardPaste.h"
#include "platform/drawing/ActionDispatch.h"
#include "platform/drawing/WindowHold.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QLineEdit>
#include <QList>
#include <QMenu>
#include <QMetaMethod>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextDocument>
#include <QTextEdit>
#include <optional>

namespace platform::MenuItemValidation {

namespace {

constexpr const char *ActionProperty = "platform.action";
constexpr const char *TargetProperty = "platform.target";
constexpr const char *HasTargetProperty = "platform.hasTarget";
constexpr const char *TagProperty = "platform.tag";
constexpr const char *RepresentedObjectProperty = "platform.representedObject";
constexpr const char *ConnectedProperty = "platform.actionConnected";
constexpr const char *AutoenablesProperty = "platform.autoenablesItems";

QByteArray methodNameOf(const QByteArray &action)
{
    QByteArray name = action;
    const qsizetype colon = name.indexOf(':');
    if (colon >= 0)
        name.truncate(colon);
    return name.trimmed();
}

// The receiver's validateMenuItem(QAction*), if it has one.
QMetaMethod validationMethod(const QObject *object)
{
    const QMetaObject *meta = object->metaObject();
    for (int i = meta->methodCount() - 1; i >= 0; --i) {
        const QMetaMethod method = meta->method(i);
        if (method.name() != "validateMenuItem" || method.parameterCount() != 1)
            continue;
        if (method.parameterMetaType(0) == QMetaType::fromType<QAction *>()
            && method.returnMetaType() == QMetaType::fromType<bool>())
            return method;
    }
    return {};
}


// Validation of Qt's own text widgets for the standard Edit actions; nothing for
// other objects or actions.
std::optional<bool> validateTextWidget(QObject *object, const QByteArray &name)
{
    // One whose pastes another object takes (the inspector's fields, a time field):
    // offered text goes there, whatever the widget's own editing state.
    if (name == "paste" && object->isWidgetType() && ClipboardPaste::pasteReceiver(static_cast<QWidget *>(object)))
        return ClipboardOffer::shared().hasText();
    if (auto *edit = qobject_cast<QLineEdit *>(object)) {
        const bool writable = !edit->isReadOnly();
        const bool selected = edit->hasSelectedText();
        const bool secret = edit->echoMode() != QLineEdit::Normal;
        if (name == "undo")
            return writable && edit->isUndoAvailable();
        if (name == "redo")
            return writable && edit->isRedoAvailable();
        if (name == "cut")
            return writable && selected && !secret;
        if (name == "copy")
            return selected && !secret;
        if (name == "paste")
            return writable && ClipboardOffer::shared().hasText();
        if (name == "selectAll")
            return !edit->text().isEmpty();
        return std::nullopt;
    }
    QTextDocument *document = nullptr;
    bool writable = false;
    bool selected = false;
    bool canPaste = false;
    if (auto *edit = qobject_cast<QTextEdit *>(object)) {
        document = edit->document();
        writable = !edit->isReadOnly();
        selected = edit->textCursor().hasSelection();
        canPaste = ClipboardOffer::shared().canPasteInto(edit->acceptRichText());
    } else if (auto *plain = qobject_cast<QPlainTextEdit *>(object)) {
        document = plain->document();
        writable = !plain->isReadOnly();
        selected = plain->textCursor().hasSelection();
        canPaste = ClipboardOffer::shared().hasText();
    } else {
        return std::nullopt;
    }
    if (name == "undo")
        return writable && document->isUndoAvailable();
    if (name == "redo")
        return writable && document->isRedoAvailable();
    if (name == "cut")
        return writable && selected;
    if (name == "copy")
        return selected;
    if (name == "paste")
        return writable && canPaste;
    if (name == "selectAll")
        return !document->isEmpty();
    return std::nullopt;
}

// Validates the shortcuts of auto-enabling menus before Qt matches a key press
// against them: the shortcut override event reaches the application's filters
// before the shortcut map looks for a match.
class ShortcutValidator : public QObject
{
public:
    static ShortcutValidator &instance()
    {
        static ShortcutValidator *validator = [] {
            auto *v = new ShortcutValidator;
            if (QCoreApplication::instance())
                QCoreApplication::instance()->installEventFilter(v);
            // The text widgets' own Paste keys, which match before any menu's.
            ClipboardPaste::install();
            return v;
        }();
        return *validator;
    }

    void add(QMenu *menu)
    {
        m_menus.removeAll(nullptr);
        if (!m_menus.contains(menu))
            m_menus.append(menu);
    }
    void remove(QMenu *menu) { m_menus.removeAll(menu); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    try {
        if (event->type() == QEvent::ShortcutOverride && !m_validating) {
            m_validating = true;
            const QList<QPointer<QMenu>> menus = m_menus;
            for (const QPointer<QMenu> &menu : menus) {
                // An open menu keeps what it showed: the keys go to it (its letters, the
                // arrows, Return), and its items stay as they were validated.
                if (!menu || menu->isVisible())
                    continue;
                const QList<QAction *> actions = menu->actions();
                for (QAction *item : actions) {
                    if (!item->shortcuts().isEmpty())
                        validateItem(item);
                }
            }
            m_validating = false;
        }
        return QObject::eventFilter(watched, event);
    } catch (...) {
        platform::ExceptionBoundary::caught(this, "eventFilter");
        return false;
    }

private:
    QList<QPointer<QMenu>> m_menus;
    bool m_validating = false;
};

void connectTrigger(QAction *item)
{
    if (item->property(ConnectedProperty).toBool())
        return;
    item->setProperty(ConnectedProperty, true);
    QObject::connect(item, &QAction::triggered, item,
        platform::ExceptionBoundary::guarded(item, "triggered", [item] { sendItemAction(item); }));
}

} // namespace

QAction *makeItem(const QString &title, const QByteArray &actionName, QObject *parent, const QKeySequence &shortcut,
                  QObject *targetObject, int tagValue)
{
    auto *item = new QAction(title, parent);
    if (!shortcut.isEmpty())
        item->setShortcut(shortcut);
    setTarget(item, targetObject);
    setTag(item, tagValue);
    setAction(item, actionName);
    return item;
}

QAction *addItem(QMenu *menu, const QString &title, const QByteArray &actionName, const QKeySequence &shortcut,
                 QObject *targetObject, int tagValue)
{
    if (!menu)
        return nullptr;
    QAction *item = makeItem(title, actionName, menu, shortcut, targetObject, tagValue);
    menu->addAction(item);
    return item;
}

QAction *addItem(QMenu *menu, const QString &title, const QByteArray &actionName, QKeySequence::StandardKey key,
                 QObject *targetObject, int tagValue)
{
    QAction *item = addItem(menu, title, actionName, QKeySequence(), targetObject, tagValue);
    if (item)
        item->setShortcuts(key);
    return item;
}

QAction *addItem(QMenu *menu, const QString &title, const QByteArray &actionName, QKeySequence::StandardKey key,
                 const QKeySequence &fallback, QObject *targetObject, int tagValue)
{
    QAction *item = addItem(menu, title, actionName, QKeySequence(), targetObject, tagValue);
    if (item)
        item->setShortcuts(standardShortcuts(key, fallback));
    return item;
}

QList<QKeySequence> standardShortcuts(QKeySequence::StandardKey key, const QKeySequence &fallback)
{
    QList<QKeySequence> bindings = QKeySequence::keyBindings(key);
    if (bindings.isEmpty() && !fallback.isEmpty())
        bindings.append(fallback);
    return bindings;
}

void setAction(QAction *item, const QByteArray &actionName)
{
    if (!item)
        return;
    item->setProperty(ActionProperty, actionName);
    if (!actionName.isEmpty())
        connectTrigger(item);
}

QByteArray action(const QAction *item)
{
    return item ? item->property(ActionProperty).toByteArray() : QByteArray();
}

QByteArray actionMethodName(const QAction *item)
{
    return methodNameOf(action(item));
}

void setTarget(QAction *item, QObject *targetObject)
{
    if (!item)
        return;
    item->setProperty(TargetProperty, QVariant::fromValue(QPointer<QObject>(targetObject)));
    item->setProperty(HasTargetProperty, targetObject != nullptr);
}

QObject *target(const QAction *item)
{
    if (!item)
        return nullptr;
    return item->property(TargetProperty).value<QPointer<QObject>>().data();
}

void setTag(QAction *item, int tagValue)
{
    if (item)
        item->setProperty(TagProperty, tagValue);
}

int tag(const QAction *item)
{
    return item ? item->property(TagProperty).toInt() : 0;
}

void setRepresentedObject(QAction *item, const QVariant &object)
{
    if (item)
        item->setProperty(RepresentedObjectProperty, object);
}

QVariant representedObject(const QAction *item)
{
    return item ? item->property(RepresentedObjectProperty) : QVariant();
}

QObject *targetForItem(const QAction *item)
{
    const QByteArray name = action(item);
    if (name.isEmpty())
        return nullptr;
    QObject *explicitTarget = target(item);
    // An item whose target has gone away has no receiver (it does not fall back
    // to the responder chain).
    if (!explicitTarget && item->property(HasTargetProperty).toBool())
        return nullptr;
    return targetForAction(name.constData(), explicitTarget);
}

bool validateItem(QAction *item)
{
    if (!item || action(item).isEmpty())
        return item && item->isEnabled();
    bool enabled = false;
    if (QObject *receiver = targetForItem(item)) {
        const QMetaMethod method = validationMethod(receiver);
        if (method.isValid()) {
            bool answer = false;
            enabled = method.invoke(receiver, Qt::DirectConnection, Q_RETURN_ARG(bool, answer), Q_ARG(QAction *, item))
                && answer;
        } else if (const std::optional<bool> text = validateTextWidget(receiver, actionMethodName(item))) {
            enabled = *text;
        } else {
            enabled = true;
        }
    }
    item->setEnabled(enabled);
    return enabled;
}

void validateMenu(QMenu *menu)
{
    if (!menu)
        return;
    const QList<QAction *> actions = menu->actions();
    for (QAction *item : actions) {
        if (!item->isSeparator() && !item->menu())
            validateItem(item);
    }
}

void setAutoenablesItems(QMenu *menu, bool on)
{
    if (!menu || autoenablesItems(menu) == on)
        return;
    menu->setProperty(AutoenablesProperty, on);
    if (on) {
        QObject::connect(menu, &QMenu::aboutToShow, menu, platform::ExceptionBoundary::guarded(menu, "aboutToShow", [menu] {
            if (autoenablesItems(menu))
                validateMenu(menu);
        }));
        ShortcutValidator::instance().add(menu);
    } else {
        ShortcutValidator::instance().remove(menu);
    }
}

bool autoenablesItems(const QMenu *menu)
{
    return menu && menu->property(AutoenablesProperty).toBool();
}

bool sendItemAction(QAction *item)
{
    if (!item || !item->isEnabled())
        return false;
    // An item of a window a sheet holds acts no more than a click there would (an
    // assistive program's press of it, a menu left open when the sheet began).
    if (WindowHold::refusesInput(item))
        return false;
    const QByteArray name = action(item);
    if (name.isEmpty())
        return false;
    QObject *receiver = targetForItem(item);
    if (!receiver)
        return false;
    // Qt's text widgets would read the clipboard and wait for its owner.
    if (methodNameOf(name) == "paste" && ClipboardPaste::handles(receiver)) {
        ClipboardPaste::paste(static_cast<QWidget *>(receiver));
        return true;
    }
    return sendAction(name.constData(), receiver, item);
}

} // namespace platform::MenuItemValidation
