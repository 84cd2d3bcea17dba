#pragma once
// Tells whether a key combination is taken before the recorder accepts it: first its
// delegate is asked (the recorder cell, which asks the application), then the
// desktop's global shortcuts (KRDesktopShortcuts), then the shortcuts of the
// application's menus. A taken combination comes with an error holding the texts of
// the alert to show (KRAdditions::alertWithNonRecoverableError()).
//
// Key codes are virtual key codes; the flags given to the validator are Carbon
// modifiers (command 0x100, shift 0x200, option 0x800, control 0x1000). Menu items are
// QActions: their shortcuts' Meta (Super) counts as command, Alt as option, Control as
// control, Shift as shift.
#include "components/keyrecorder/KRValidatorError.h"

#include <QList>
#include <QPointer>
#include <QString>
#include <QWidget>

class KRValidator;

// What the validator asks its delegate; the default answers "not taken".
class KRValidatorDelegate
{
public:
    virtual ~KRValidatorDelegate();
    // Whether the application uses the combination (Cocoa flags); `reason` may receive
    // the end of the sentence "… can't be used because <reason>."
    virtual bool shortcutValidator(KRValidator *validator, int keyCode, quint32 cocoaFlags, QString *reason);
};

class KRValidator
{
public:
    explicit KRValidator(KRValidatorDelegate *delegate = nullptr);

    KRValidatorDelegate *delegate() const { return m_delegate; }
    void setDelegate(KRValidatorDelegate *delegate) { m_delegate = delegate; }

    // Whether the combination is taken (Carbon flags). The error, when asked for, is
    // filled for a taken combination (it stays empty when nothing could tell why).
    bool isKeyCode(int keyCode, quint32 carbonFlags, KRValidatorError *error = nullptr) const;
    // Whether an item of the menu (a QMenu, a QMenuBar or any widget's actions),
    // searched depth first with submenus before later items, has the combination as
    // its shortcut.
    bool isKeyCodeAndFlagsTakenInMenu(int keyCode, quint32 carbonFlags, const QWidget *menu,
                                      KRValidatorError *error = nullptr) const;

    // The application's main menu, which isKeyCode() searches: the one set here, or
    // else the menu bars of the application's main windows.
    static void setMainMenu(QWidget *menu);
    static QList<QWidget *> mainMenus();

    // The texts of the errors.
    static KRValidatorError delegateError(int keyCode, quint32 carbonFlags, const QString &reason);
    static KRValidatorError systemShortcutError(int keyCode, quint32 carbonFlags);
    static KRValidatorError menuItemError(int keyCode, quint32 carbonFlags, quint32 itemCocoaFlags,
                                          const QString &itemTitle);
    static KRValidatorError unusableError(int keyCode, quint32 carbonFlags);

private:
    bool isTakenInActions(int keyCode, quint32 carbonFlags, const QList<QAction *> &actions,
                          KRValidatorError *error, int depth) const;

    KRValidatorDelegate *m_delegate = nullptr;
};
