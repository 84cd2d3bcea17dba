#pragma once
// The standard paper formats (A, B and DIN long series, American and broadsheet sizes,
// business cards): sizes in points as 32-bit floats, compared exactly; a pop-up menu
// of them whose items carry the row as tag and the size as represented object; the
// item of a size (upright or turned); and the name of a size. Names come from the
// string table "NTXPageFormat" of the framework's bundle ("" for a missing key).
// Only class operations; the table is built once, thread-safely. An index outside the
// table has a zero size.
#include <QSizeF>
#include <QString>

class QMenu;
class QWidget;

class NTXPageFormat
{
public:
    static constexpr int NumberOfFormats = 28;
    // The direction a size was found in.
    enum Direction { Upright = 0, Turned = 1, NotFound = 2 };

    // A new menu (the caller owns it) of the formats, with separators between the
    // series, and with a separator and "NTXPageFormatUserDefined" (tag 28) at the end
    // when asked.
    static QMenu *standardPageFormatMenuWithUserDefineEntry(bool userDefined, QWidget *parent = nullptr);
    // The index of the menu item whose size is the size, upright or turned; else the
    // last item without a size (-1 when none) with NotFound.
    static int indexOfStandardPageFormatWithSize(const QSizeF &size, const QMenu *menu, int *direction = nullptr);
    static QSizeF sizeOfPageStandardFormat(int index);
    // The name of the first format whose upright size equals the size exactly, or "".
    static QString nameForFormatWithSize(const QSizeF &size);
};
