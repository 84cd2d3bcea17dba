#pragma once
// The registry of tab bar styles: style name → a factory of new styles. Registering
// a style also registers its archived class name with platform::CodingRegistry, so
// every registered style can be read back from an archive. A later registration
// under the same name replaces the earlier one; unregistering removes the name
// whatever stands under it (the archive registration stays).
// registerDefaultTabStyleClasses() runs once, before the first look-up, and
// registers the styles this library ships: Aqua, Unified, Adium, Metal, Card,
// LiveChat, Safari, in that order.
//
// A process-wide table; GUI thread only (checked in debug builds).
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class KZTabStyle;

class KZTabStyleRegistry
{
public:
    using Factory = std::function<std::shared_ptr<KZTabStyle>()>;

    static void registerDefaultTabStyleClasses();
    // Registers under the name of a style the factory makes.
    static void registerTabStyleClass(const Factory &factory);
    template <class Style> static void registerTabStyleClass()
    {
        registerTabStyleClass([] { return std::shared_ptr<KZTabStyle>(std::make_shared<Style>()); });
    }
    static void unregisterTabStyleClass(const QString &name);
    // The registered names, in the order of registration.
    static QStringList registeredTabStyleNames();
    // A new style of the registered name, or null.
    static std::shared_ptr<KZTabStyle> styleNamed(const QString &name);
};
