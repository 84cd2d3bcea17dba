#pragma once
// The interface files of the process, by name: a builder registered under a file's
// name makes the file's top-level view for an owner and connects the owner's
// outlets (typically a Qt Designer form compiled in, or a view built in code).
//
// Registering a name again replaces its builder; an empty builder removes it.
// Ownership: the caller of load() owns the view it answers. Threads: registration
// and look-up are thread-safe; a builder runs unlocked on the caller's thread (the
// GUI thread for widgets), so it may load other files.
#include <QObject>
#include <QString>
#include <QWidget>
#include <functional>

namespace platform {

class InterfaceFiles
{
public:
    using Builder = std::function<QWidget *(QObject *owner)>;

    static void registerInterfaceFile(const QString &name, Builder builder);
    static bool hasInterfaceFile(const QString &name);
    // The view the file's builder made for the owner; null when the name is not
    // registered or the builder could not build it.
    static QWidget *load(const QString &name, QObject *owner);
};

} // namespace platform
