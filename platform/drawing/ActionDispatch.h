#pragma once
// Target/action. An action is a Q_INVOKABLE method (or slot) named after the
// selector's first keyword that takes the sender as one QObject* argument, e.g.
//     Q_INVOKABLE void copy(QObject *sender);
// A method of that name without arguments is accepted too. Action names may be given
// with or without the selector's colon ("copy:" and "copy" are the same action).
//
// With no target, sendAction() walks the responder chain: the focused widget, its
// parents up to its window (the active window when nothing has focus), then the
// responders the application registers (the window's document, the application
// controller); the first object that responds receives the action. While a menu bar
// or a menu holds the keyboard (opened with Alt, F10 or a title's mnemonic, walked with
// the arrows) the chain starts at the widget that had it before: a menu item chosen by keyboard reaches what the same
// item clicked reaches.
// Threads: GUI thread only (checked in debug builds).
#include <QList>
#include <QObject>
#include <functional>

namespace platform {

// An object may decline actions and delegate operations it has methods for (a view
// that inherits a "selectAll" slot but never offers it): when it declares
//     Q_INVOKABLE bool respondsToSelector(const QByteArray &name) const;
// it is asked first, with the name without colon; false means it does not respond,
// true leaves the answer to its methods. The responder chain passes over an object
// that declines an action.

// Whether the object has a method for the action.
bool respondsTo(const QObject *target, const char *action);

// Whether the object has a Q_INVOKABLE method or slot of that name, whatever its
// arguments: the responds-to test of informal delegates, whose operations take
// their own arguments.
bool respondsToMethod(const QObject *target, const char *name);

// Sends the action to the target, or along the responder chain when target is null.
// Answers whether some object received it. The action is where a menu item, a key
// binding or a control enters our code: an exception it raises stops here, before
// any frame of Qt's, and is reported and counted (platform::ExceptionBoundary); the
// sender's caller does not see it and the action counts as received.
bool sendAction(const char *action, QObject *target, QObject *sender);

// The object that would receive the action: the target itself when it responds,
// else (no target) the first responder of the chain; null when none.
QObject *targetForAction(const char *action, QObject *target = nullptr);

// The responder chain as it stands now, in the order it is asked (no duplicates).
QList<QObject *> responderChain();

// Puts `next` into the chain right after `responder` whenever the chain passes
// `responder` (a view's controller after the view); a null `next` removes it. The
// entry goes when either object is destroyed. Main thread only.
void setNextResponder(QObject *responder, QObject *next);
QObject *nextResponder(const QObject *responder);

// Responders asked after the window (the application sets this once).
void setApplicationResponders(std::function<QList<QObject *>()> responders);

} // namespace platform
