#pragma once
// A tab's model object with the eight optional properties, and images for the tests.
#include "components/tabbarview/KZTabBarItem.h"
#include "components/tabbarview/KZTabStyle.h"

#include <QColor>
#include <QHash>
#include <QIcon>
#include <QPixmap>

namespace tabbartest {

class TabModel : public KZTabBarItem
{
public:
    QVariant value(const QString &key) const { return m_values.value(key); }

protected:
    const platform::KeyTable &keyTable() const override
    {
        static const platform::KeyTable table = [] {
            platform::KeyTable keys;
            for (const QString &key : propertyKeys()) {
                keys.insert(key, {[key](const KeyValueObservable &o) { return static_cast<const TabModel &>(o).value(key); },
                                  [key](KeyValueObservable &o, const QVariant &v) {
                                      static_cast<TabModel &>(o).m_values.insert(key, v);
                                  }});
            }
            return keys;
        }();
        return table;
    }

private:
    QHash<QString, QVariant> m_values;
};

// A style that implements nothing: the bar's and the cell's built-in look.
class BuiltInStyle : public KZTabStyle
{
public:
    QString name() const override { return QStringLiteral("BuiltIn"); }
};

// A plain square icon of one colour whose natural size is the pixmap's.
inline QIcon squareIcon(int side, const QColor &colour)
{
    QPixmap pixmap(side, side);
    pixmap.fill(colour);
    return QIcon(pixmap);
}

} // namespace tabbartest
