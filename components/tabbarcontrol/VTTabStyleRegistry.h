#pragma once
// The styles of the tab bar control by name: name → a factory of new styles.
// Registering a style also registers its archived class name with
// platform::CodingRegistry, so a registered style reads back from an archive. A later
// registration under the same name replaces the earlier one. The Metal, Aqua,
// Unified, Card and Adium styles are registered before the first look-up; further
// styles register themselves (or are registered by their library) under their names.
//
// styleNamed() answers a new style of the name, or a new Metal style for any name
// nobody registered (and for the empty name).
// A process-wide table; GUI thread only (checked in debug builds).
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class VTTabStyle;

class VTTabStyleRegistry
{
public:
    using Factory = std::function<std::shared_ptr<VTTabStyle>()>;

    static void registerStyle(const Factory &factory);
    template <class Style> static void registerStyle()
    {
        registerStyle([] { return std::shared_ptr<VTTabStyle>(std::make_shared<Style>()); });
    }
    static QStringList registeredStyleNames();
    static std::shared_ptr<VTTabStyle> styleNamed(const QString &name);
};
