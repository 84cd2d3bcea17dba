#include "NTXAppKit/NTXThemeManager/NTXThemeManager.h"

#include "NTXAppKit/NTXThemeManager/NTXFlatDarkTheme.h"
#include "NTXAppKit/NTXThemeManager/NTXGlassTheme.h"
#include "NTXAppKit/NTXThemeManager/NTXGrayTheme.h"
#include "NTXAppKit/NTXThemeManager/NTXHUDTheme.h"
#include "NTXAppKit/NTXThemeManager/NTXLightGrayTheme.h"
#include "NTXAppKit/NTXThemeManager/NTXWhiteTheme.h"

NTXThemeManager::NTXThemeManager()
{
    m_themes.reserve(10);
    registerDefaultThemes();
}

NTXThemeManager &NTXThemeManager::sharedThemeManager()
{
    static NTXThemeManager manager;
    return manager;
}

std::shared_ptr<const NTXTheme> NTXThemeManager::themeForKey(const QString &key) const
{
    if (!key.isNull()) {
        const auto found = m_themes.constFind(key);
        if (found != m_themes.constEnd())
            return found.value();
    }
    const QString fallback = defaultKey();
    if (!fallback.isNull())
        return m_themes.value(fallback);
    return nullptr;
}

void NTXThemeManager::setThemeForKey(std::shared_ptr<const NTXTheme> theme, const QString &key)
{
    if (theme)
        m_themes.insert(key, std::move(theme));
}

void NTXThemeManager::registerDefaultThemes()
{
    setThemeForKey(std::make_shared<NTXGlassTheme>(), NTXThemeKeys::Glass);
    setThemeForKey(std::make_shared<NTXFlatDarkTheme>(), NTXThemeKeys::FlatDark);
    setThemeForKey(std::make_shared<NTXHUDTheme>(), NTXThemeKeys::HUD);
    setThemeForKey(std::make_shared<NTXGrayTheme>(), NTXThemeKeys::Gray);
    setThemeForKey(std::make_shared<NTXLightGrayTheme>(), NTXThemeKeys::LightGray);
    setThemeForKey(std::make_shared<NTXWhiteTheme>(), NTXThemeKeys::White);
}

QString &NTXThemeManager::defaultKey()
{
    static QString key;
    return key;
}

QString NTXThemeManager::keyOfDefaultTheme()
{
    return defaultKey();
}

void NTXThemeManager::setKeyOfDefaultThemeKey(const QString &key)
{
    defaultKey() = key;
}
