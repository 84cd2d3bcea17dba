#pragma once
// The process-wide registry of themes: a string key to a theme. Six themes are
// registered under their class names when the registry is first used:
// NTXGlassTheme, NTXFlatDarkTheme, NTXHUDTheme, NTXGrayTheme, NTXLightGrayTheme and
// NTXWhiteTheme. Entries are replaced, never removed.
//
// themeForKey() answers the theme of a key; for a null or unregistered key the theme
// of the default key when one is set (nothing sets it by default), else none. An
// unregistered key is no error: themed objects then draw as their platform class.
//
// Ownership: the registry shares its themes with callers; a theme replaced while a
// caller still holds it lives until the caller lets it go.
// Threading: the registry is created once on first use (thread-safe static); lookups
// and changes are made on the GUI thread, where all drawing runs.
#include "NTXAppKit/NTXThemeManager/NTXTheme.h"

#include <QHash>
#include <QString>
#include <memory>

namespace NTXThemeKeys {
inline const QString Glass = QStringLiteral("NTXGlassTheme");
inline const QString FlatDark = QStringLiteral("NTXFlatDarkTheme");
inline const QString HUD = QStringLiteral("NTXHUDTheme");
inline const QString Gray = QStringLiteral("NTXGrayTheme");
inline const QString LightGray = QStringLiteral("NTXLightGrayTheme");
inline const QString White = QStringLiteral("NTXWhiteTheme");
} // namespace NTXThemeKeys

class NTXThemeManager
{
public:
    static NTXThemeManager &sharedThemeManager();

    std::shared_ptr<const NTXTheme> themeForKey(const QString &key) const;
    // Stores the theme under the key, replacing an earlier one; a null theme is ignored.
    void setThemeForKey(std::shared_ptr<const NTXTheme> theme, const QString &key);
    // Registers a fresh instance of each built-in theme under its key, in the order
    // glass, flat dark, HUD, grey, light grey, white.
    void registerDefaultThemes();

    // The key whose theme stands in for unregistered keys; null until set.
    static QString keyOfDefaultTheme();
    static void setKeyOfDefaultThemeKey(const QString &key);

    NTXThemeManager(const NTXThemeManager &) = delete;
    NTXThemeManager &operator=(const NTXThemeManager &) = delete;

private:
    NTXThemeManager();
    static QString &defaultKey();

    QHash<QString, std::shared_ptr<const NTXTheme>> m_themes;
};
