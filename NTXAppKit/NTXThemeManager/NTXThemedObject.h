#pragma once
// What a themed cell or view offers: the key of its theme in NTXThemeManager. The
// object keeps only the key, never the theme, and looks the theme up each time it
// draws; with no theme for the key it draws exactly as its platform class does.
//
// The archive keys that the themed classes share (keyed archives only). A decoder
// reads a key only when the archive holds it and otherwise sets the field to none or
// 0; an encoder writes its platform class's part first, then its keys in this order.
// The interface holds no state of its own; its objects are used on the GUI thread.
#include <QString>

namespace NTXThemeArchiveKeys {
inline const QString ThemeKey = QStringLiteral("themeKey");
inline const QString ButtonType = QStringLiteral("KZButtonType");
inline const QString HighlightBackgroundMode = QStringLiteral("highlightBgMode");
inline const QString StateBackgroundMode = QStringLiteral("stateBgMode");
} // namespace NTXThemeArchiveKeys

class NTXThemedObject
{
public:
    virtual ~NTXThemedObject() = default;
    virtual QString themeKey() const = 0;
    virtual void setThemeKey(const QString &key) = 0;
};
