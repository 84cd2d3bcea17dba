#include "NTXAppKit/NTXColorLabelWidget/NTXColorLabelColors.h"

NTXColorLabelColors::NTXColorLabelColors()
{
    // Each component the given number / 255, alpha 1.
    m_colorList = {
        QColor(Qt::transparent), // 0: no label, the platform's clear colour
        QColor(252, 99, 89),     // 1: red
        QColor(246, 170, 62),    // 2: orange
        QColor(235, 219, 65),    // 3: yellow
        QColor(174, 216, 65),    // 4: green
        QColor(92, 160, 255),    // 5: blue
        QColor(194, 138, 217),   // 6: purple
        QColor(168, 168, 168),   // 7: grey
    };
}

NTXColorLabelColors &NTXColorLabelColors::sharedVYXColorLabelColors()
{
    // Main thread only (the table is created without a lock); a function-local
    // static is thread-safe anyway.
    static NTXColorLabelColors *shared = new NTXColorLabelColors();
    return *shared;
}

QColor NTXColorLabelColors::getLabelColorAtindex(int index)
{
    if (index < 1 || index > 7)
        return QColor();
    const QList<QColor> &list = sharedVYXColorLabelColors().colorList();
    if (index >= list.size())
        return QColor();
    return list.at(index);
}

QColor NTXColorLabelColors::getLabelColorForLabelType(int type)
{
    return getLabelColorAtindex(type);
}

QColor NTXColorLabelColors::letteringColorForLabelType(int type)
{
    switch (type) {
    case -1:
    case 4:
    case 5:
    case 6:
        return QColor(Qt::white);
    default:
        return QColor(Qt::black);
    }
}
