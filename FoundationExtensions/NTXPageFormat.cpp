#include "FoundationExtensions/NTXPageFormat.h"

#include "FoundationExtensions/NTXMeasurementUnits.h"
#include "platform/document/MenuItemValidation.h"
#include "platform/drawing/MenuItemTitle.h"
#include "platform/foundation/Bundle.h"

#include <QAction>
#include <QMenu>
#include <array>

namespace {

struct Row
{
    bool separatorAfter;
    float width;
    float height;
    const char *nameKey;
};

constexpr int MillimetreRows = 18;

const std::array<Row, NTXPageFormat::NumberOfFormats> &table()
{
    static const std::array<Row, NTXPageFormat::NumberOfFormats> rows = [] {
        std::array<Row, NTXPageFormat::NumberOfFormats> t = {{
            {false, 841, 1189, "NTXPageFormatA0Name"},
            {false, 594, 841, "NTXPageFormatA1Name"},
            {false, 420, 594, "NTXPageFormatA2Name"},
            {false, 297, 420, "NTXPageFormatA3Name"},
            {false, 210, 297, "NTXPageFormatA4Name"},
            {false, 148, 210, "NTXPageFormatA5Name"},
            {false, 105, 148, "NTXPageFormatA6Name"},
            {false, 74, 105, "NTXPageFormatA7Name"},
            {false, 99, 210, "NTXPageFormatDINLongName"},
            {true, 110, 220, "NTXPageFormatDINLongEnvelopeName"},
            {false, 1000, 1414, "NTXPageFormatB0Name"},
            {false, 707, 1000, "NTXPageFormatB1Name"},
            {false, 500, 707, "NTXPageFormatB2Name"},
            {false, 353, 500, "NTXPageFormatB3Name"},
            {false, 250, 353, "NTXPageFormatB4Name"},
            {false, 176, 250, "NTXPageFormatB5Name"},
            {false, 125, 176, "NTXPageFormatB6Name"},
            {true, 88, 125, "NTXPageFormatB7Name"},
            {false, 396, 612, "NTXPageFormatInvoiceName"},
            {false, 522, 756, "NTXPageFormatExecutiveName"},
            {false, 612, 792, "NTXPageFormatLetterName"},
            {false, 612, 1008, "NTXPageFormatLegalName"},
            {false, 792, 1224, "NTXPageFormatLedgerName"},
            {false, 1224, 1584, "NTXPageFormatBroadsheetCName"},
            {false, 1584, 2448, "NTXPageFormatBroadsheetDName"},
            {true, 2448, 3168, "NTXPageFormatBroadsheetEName"},
            {false, 240.944885f, 153.070862f, "NTXPageFormatBusinessCardEuropeName"},
            {false, 252, 144, "NTXPageFormatBusinessCardAmericaName"},
        }};
        for (int i = 0; i < MillimetreRows; ++i) {
            t[i].width = NTXConvertUnit(NTXMillimeterUnit, NTXPointUnit, t[i].width);
            t[i].height = NTXConvertUnit(NTXMillimeterUnit, NTXPointUnit, t[i].height);
        }
        return t;
    }();
    return rows;
}

QString localizedName(const char *key)
{
    return platform::Bundle::bundleNamed(QStringLiteral("NTXFoundationExtensions"))
        .localizedString(QString::fromLatin1(key), QStringLiteral("NTXPageFormat"), QStringLiteral(""));
}

bool sameSize(const QSizeF &a, float width, float height)
{
    return float(a.width()) == width && float(a.height()) == height;
}

} // namespace

QMenu *NTXPageFormat::standardPageFormatMenuWithUserDefineEntry(bool userDefined, QWidget *parent)
{
    using namespace platform::MenuItemValidation;
    auto *menu = new QMenu(parent);
    const auto &rows = table();
    for (int i = 0; i < NumberOfFormats; ++i) {
        QAction *item = addItem(menu, platform::MenuItemTitle::fromUserText(localizedName(rows[i].nameKey)),
                                QByteArray(), QKeySequence(), nullptr, i);
        setRepresentedObject(item, QSizeF(rows[i].width, rows[i].height));
        if (rows[i].separatorAfter)
            menu->addSeparator();
    }
    if (userDefined) {
        menu->addSeparator();
        addItem(menu, platform::MenuItemTitle::fromUserText(localizedName("NTXPageFormatUserDefined")), QByteArray(),
                QKeySequence(), nullptr, NumberOfFormats);
    }
    return menu;
}

int NTXPageFormat::indexOfStandardPageFormatWithSize(const QSizeF &size, const QMenu *menu, int *direction)
{
    if (direction)
        *direction = NotFound;
    if (!menu)
        return -1;
    const QList<QAction *> items = menu->actions();
    const float width = float(size.width());
    const float height = float(size.height());
    int fallback = -1;
    for (int index = 0; index < items.size(); ++index) {
        const QAction *item = items.at(index);
        if (item->isSeparator())
            continue;
        const QVariant represented = platform::MenuItemValidation::representedObject(item);
        if (represented.metaType() != QMetaType::fromType<QSizeF>()) {
            fallback = index;
            continue;
        }
        const QSizeF itemSize = represented.toSizeF();
        if (sameSize(itemSize, width, height)) {
            if (direction)
                *direction = Upright;
            return index;
        }
        if (sameSize(itemSize, height, width)) {
            if (direction)
                *direction = Turned;
            return index;
        }
    }
    return fallback;
}

QSizeF NTXPageFormat::sizeOfPageStandardFormat(int index)
{
    if (index < 0 || index >= NumberOfFormats)
        return QSizeF(0, 0);
    const Row &row = table()[index];
    return QSizeF(row.width, row.height);
}

QString NTXPageFormat::nameForFormatWithSize(const QSizeF &size)
{
    for (const Row &row : table())
        if (sameSize(size, row.width, row.height))
            return localizedName(row.nameKey);
    return QString(QLatin1String(""));
}
