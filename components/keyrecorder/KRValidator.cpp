#include "components/keyrecorder/KRValidator.h"

#include "components/keyrecorder/KRDesktopShortcuts.h"
#include "components/keyrecorder/KRKeyCodeTransformer.h"
#include "components/keyrecorder/KRKeyEvent.h"
#include "components/keyrecorder/KRModifierStrings.h"
#include "platform/foundation/Bundle.h"

#include <QAction>
#include <QApplication>
#include <QKeySequence>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

namespace {

// Deepest submenu searched (menus may, by mistake, contain themselves).
constexpr int MaximumMenuDepth = 32;

QString localized(const QString &key)
{
    return platform::Bundle::bundleNamed(QStringLiteral("KRKeyRecorder"))
        .localizedString(key, QStringLiteral("NTXKeyRecorder"));
}

// Fills the %@ placeholders of a format in order.
QString format(QString text, const QStringList &arguments)
{
    qsizetype from = 0;
    for (const QString &argument : arguments) {
        const qsizetype at = text.indexOf(QLatin1String("%@"), from);
        if (at < 0)
            break;
        text.replace(at, 2, argument);
        from = at + argument.size();
    }
    return text;
}

QPointer<QWidget> &configuredMainMenu()
{
    static QPointer<QWidget> menu;
    return menu;
}

// The title of a menu item without its mnemonic marks ("&Quit" → "Quit", "&&" → "&").
QString itemTitle(const QAction *action)
{
    const QString text = action->text();
    QString title;
    title.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('&')) {
            if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('&')) {
                title += QLatin1Char('&');
                ++i;
            }
            continue;
        }
        title += text.at(i);
    }
    return title;
}

// Whether the key of a shortcut is the key with the virtual key code.
bool keyMatches(int qtKey, int keyCode)
{
    const int special = KRKeyEvent::virtualKeyCodeForQtKey(qtKey);
    if (qtKey > 0xffff)
        return special >= 0 && special == keyCode;
    if (qtKey == Qt::Key_Space)
        return keyCode == 49;
    const QString equivalent = QString(QChar(char16_t(qtKey))).toUpper();
    if (equivalent.isEmpty() || keyCode < 0 || keyCode > 0x7fff)
        return false;
    return equivalent == KRKeyCodeDisplayString(qint16(keyCode));
}

bool flagsAgree(quint32 itemCocoaFlags, quint32 carbonFlags)
{
    const bool command = itemCocoaFlags & KRCocoaFlags::Command;
    const bool option = itemCocoaFlags & KRCocoaFlags::Option;
    const bool shift = itemCocoaFlags & KRCocoaFlags::Shift;
    const bool control = itemCocoaFlags & KRCocoaFlags::Control;
    return command == bool(carbonFlags & KRCarbonFlags::Command) && option == bool(carbonFlags & KRCarbonFlags::Option)
        && shift == bool(carbonFlags & KRCarbonFlags::Shift) && control == bool(carbonFlags & KRCarbonFlags::Control);
}

} // namespace

KRValidatorDelegate::~KRValidatorDelegate() = default;

bool KRValidatorDelegate::shortcutValidator(KRValidator *, int, quint32, QString *)
{
    return false;
}

KRValidator::KRValidator(KRValidatorDelegate *delegate)
    : m_delegate(delegate)
{
}

KRValidatorError KRValidator::delegateError(int keyCode, quint32 carbonFlags, const QString &reason)
{
    const QString because = reason.isEmpty() ? QStringLiteral("it's already used") : reason;
    return KRValidatorError::withTexts(
        format(localized(QStringLiteral("The key combination %@ can't be used!")),
               {KRCarbonComboGlyphs(carbonFlags, keyCode)}),
        format(localized(QStringLiteral("The key combination \"%@\" can't be used because %@.")),
               {KRReadableCarbonCombo(carbonFlags, keyCode), because}),
        {QStringLiteral("OK")});
}

KRValidatorError KRValidator::systemShortcutError(int keyCode, quint32 carbonFlags)
{
    return KRValidatorError::withTexts(
        format(localized(QStringLiteral("The key combination %@ can't be used!")),
               {KRCarbonComboGlyphs(carbonFlags, keyCode)}),
        format(localized(QStringLiteral(
                   "The key combination \"%@\" can't be used because it's already used by a system-wide "
                   "keyboard shortcut. (If you really want to use this key combination, most shortcuts can be "
                   "changed in the Keyboard & Mouse panel in System Preferences.)")),
               {KRReadableCarbonCombo(carbonFlags, keyCode)}),
        {QStringLiteral("OK")});
}

KRValidatorError KRValidator::menuItemError(int keyCode, quint32 carbonFlags, quint32 itemCocoaFlags,
                                           const QString &title)
{
    return KRValidatorError::withTexts(
        format(localized(QStringLiteral("The key combination %@ can't be used!")),
               {KRCarbonComboGlyphs(carbonFlags, keyCode)}),
        format(localized(QStringLiteral("The key combination \"%@\" can't be used because it's already used by "
                                        "the menu item \"%@\".")),
               {KRReadableCocoaCombo(itemCocoaFlags, keyCode), title}),
        {QStringLiteral("OK")});
}

KRValidatorError KRValidator::unusableError(int keyCode, quint32 carbonFlags)
{
    return KRValidatorError::withTexts(format(localized(QStringLiteral("The key combination %@ can't be used!")),
                                              {KRCarbonComboGlyphs(carbonFlags, keyCode)}),
                                       QString(), {QStringLiteral("OK")});
}

bool KRValidator::isKeyCode(int keyCode, quint32 carbonFlags, KRValidatorError *error) const
{
    if (m_delegate) {
        QString reason;
        if (m_delegate->shortcutValidator(const_cast<KRValidator *>(this), keyCode,
                                          KRFlagsCarbonToCocoa(carbonFlags), &reason)) {
            if (error)
                *error = delegateError(keyCode, carbonFlags, reason);
            return true;
        }
    }

    if (KRDesktopShortcuts::isAvailable()) {
        // A key that cannot be shown cannot be explained either: refused as it stands.
        if (keyCode < 0 || keyCode > 0x7fff || KRKeyCodeDisplayString(qint16(keyCode)).isEmpty())
            return true;
        switch (KRDesktopShortcuts::statusOfKeyCode(keyCode, KRFlagsCarbonToCocoa(carbonFlags))) {
        case KRDesktopShortcuts::Status::Free:
            break;
        case KRDesktopShortcuts::Status::ReservedByServer:
        case KRDesktopShortcuts::Status::TakenByAnotherApplication:
            if (error)
                *error = systemShortcutError(keyCode, carbonFlags);
            return true;
        case KRDesktopShortcuts::Status::Unknown:
            return true; // the list of system shortcuts could not be read
        }
    }

    for (QWidget *menu : mainMenus()) {
        if (isKeyCodeAndFlagsTakenInMenu(keyCode, carbonFlags, menu, error))
            return true;
    }
    return false;
}

bool KRValidator::isKeyCodeAndFlagsTakenInMenu(int keyCode, quint32 carbonFlags, const QWidget *menu,
                                               KRValidatorError *error) const
{
    if (!menu)
        return false;
    return isTakenInActions(keyCode, carbonFlags, menu->actions(), error, 0);
}

bool KRValidator::isTakenInActions(int keyCode, quint32 carbonFlags, const QList<QAction *> &actions,
                                   KRValidatorError *error, int depth) const
{
    if (depth > MaximumMenuDepth)
        return false;
    for (const QAction *action : actions) {
        if (!action || action->isSeparator())
            continue;
        if (const QMenu *submenu = action->menu()) {
            if (isTakenInActions(keyCode, carbonFlags, submenu->actions(), error, depth + 1))
                return true;
        }
        for (const QKeySequence &shortcut : action->shortcuts()) {
            // A sequence of several chords is not triggered by one combination.
            if (shortcut.count() != 1)
                continue;
            const QKeyCombination chord = shortcut[0];
            const quint32 itemFlags = KRKeyEvent::cocoaFlagsForQtModifiers(chord.keyboardModifiers());
            if (keyMatches(int(chord.key()), keyCode) && flagsAgree(itemFlags, carbonFlags)) {
                if (error)
                    *error = menuItemError(keyCode, carbonFlags, itemFlags, itemTitle(action));
                return true;
            }
        }
    }
    return false;
}

void KRValidator::setMainMenu(QWidget *menu)
{
    configuredMainMenu() = menu;
}

QList<QWidget *> KRValidator::mainMenus()
{
    if (QWidget *menu = configuredMainMenu())
        return {menu};
    QList<QWidget *> menus;
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return menus;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        auto *window = qobject_cast<QMainWindow *>(widget);
        if (!window)
            continue;
        // menuBar() would create an empty bar; only look at one that exists.
        if (auto *bar = qobject_cast<QMenuBar *>(window->menuWidget()))
            menus.append(bar);
    }
    return menus;
}
