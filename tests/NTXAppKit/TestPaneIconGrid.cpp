// The icon grid of the preferences window: its geometry, grouping, hit testing,
// clicks and drag data. Coordinates are the view's own (y-down).
#include "NTXAppKit/preferences/NTXPrefPaneIcon.h"
#include "NTXAppKit/preferences/NTXPrefPaneIconView.h"

#include <QTest>
#include <cmath>
#include <gtest/gtest.h>

namespace {

class ClickTarget : public QObject
{
    Q_OBJECT
public:
    QStringList shown;
    Q_INVOKABLE void toolbarShowPane(QObject *sender) { shown << sender->property("itemIdentifier").toString(); }
};

NTXPrefPaneIcon *icon(const QString &title, const QString &category = QStringLiteral(""))
{
    auto *i = new NTXPrefPaneIcon(title, QImage(), title);
    i->setCategory(category);
    return i;
}

QList<NTXPrefPaneIcon *> shortIcons(int count)
{
    QList<NTXPrefPaneIcon *> icons;
    for (int i = 0; i < count; ++i)
        icons << icon(QString(QChar(u'A' + i)));
    return icons;
}

QStringList titles(const QList<NTXPrefPaneIcon *> &list)
{
    QStringList out;
    for (const NTXPrefPaneIcon *i : list)
        out << i->title();
    return out;
}

} // namespace

TEST(PaneIconGrid, IconImageIsAlways32Points)
{
    QImage big(100, 60, QImage::Format_ARGB32);
    big.fill(Qt::red);
    NTXPrefPaneIcon a(QStringLiteral("a"), big, QStringLiteral("A"));
    EXPECT_EQ(a.image().size(), QSize(32, 32));
    EXPECT_EQ(a.image().pixelColor(16, 16), QColor(Qt::red));
    NTXPrefPaneIcon empty;
    EXPECT_EQ(empty.image().size(), QSize(32, 32));
    EXPECT_EQ(empty.image().pixelColor(3, 3).alpha(), 0);
    EXPECT_EQ(empty.category(), QStringLiteral(""));
    NTXPrefPaneIcon b(QStringLiteral("b"), QImage(), QStringLiteral("b"));
    EXPECT_LT(a.compare(b), 0);
    EXPECT_EQ(a.caseInsensitiveCompare(NTXPrefPaneIcon(QStringLiteral("x"), QImage(), QStringLiteral("a"))), 0);
}

TEST(PaneIconGrid, SevenShortLabelsMakeOneRow)
{
    NTXPrefPaneIconView view(nullptr, shortIcons(7), 7);
    const QRectF frame = view.frame();
    const qreal labelHeight = view.titleSize(QStringLiteral("A")).height();
    ASSERT_LE(view.titleSize(QStringLiteral("G")).width(), 32);
    EXPECT_EQ(frame.width(), 264);
    EXPECT_DOUBLE_EQ(view.iconHeight(), labelHeight + 46);
    EXPECT_EQ(frame.height(), std::ceil(view.iconHeight() + 11 + 6));
    EXPECT_EQ(view.captionHeight(), 0);

    // An eighth icon wraps into a second row.
    view.addIcon(icon(QStringLiteral("H")));
    EXPECT_TRUE(view.dataChanged());
    EXPECT_EQ(view.frame().height(), std::ceil(2 * view.iconHeight() + 11 + 6));
    EXPECT_EQ(view.frame().width(), 264);
    // Row two of the hit frames lies one drawn row lower.
    EXPECT_DOUBLE_EQ(view.imageFrameForIconInCategoryWithIndex(0, 7).y(),
                     view.imageFrameForIconInCategoryWithIndex(0, 0).y() + view.iconHeight());
}

TEST(PaneIconGrid, WideLabelsWidenSpacingAndPadding)
{
    const QString wide = QStringLiteral("A rather long pane label");
    QList<NTXPrefPaneIcon *> icons{icon(QStringLiteral("A")), icon(QStringLiteral("B") + wide)};
    NTXPrefPaneIconView view(nullptr, icons, 7);
    view.rebuild();
    const qreal w = std::ceil(view.titleSize(QStringLiteral("B") + wide).width());
    const qreal expectedSpacing = std::max<qreal>(32, (32 + w) * 0.5) + 4;
    EXPECT_DOUBLE_EQ(view.iconSpacing(), expectedSpacing);
    EXPECT_DOUBLE_EQ(view.horizontalPadding(), 12);

    // The wide one first (sorted by title): it widens the padding too.
    NTXPrefPaneIconView first(nullptr, {icon(QStringLiteral("A") + wide), icon(QStringLiteral("B"))}, 7);
    first.rebuild();
    const QSizeF t = first.titleSize(QStringLiteral("A") + wide);
    EXPECT_DOUBLE_EQ(first.horizontalPadding(), (t.width() - 32) * 0.5 + 12);
}

TEST(PaneIconGrid, CategoriesFollowTheSortOrderThenTheirGroupingOrder)
{
    QList<NTXPrefPaneIcon *> icons{icon(QStringLiteral("Sound"), QStringLiteral("beta")),
                                   icon(QStringLiteral("General"), QStringLiteral("Alpha")),
                                   icon(QStringLiteral("Update"), QStringLiteral("gamma")),
                                   icon(QStringLiteral("Accounts"), QStringLiteral("beta"))};
    NTXPrefPaneIconView view(nullptr, icons, 7);
    view.setSortByCategory(true);
    view.rebuild();
    // Without an order: by shown name, ignoring case; titles sorted within.
    auto lists = view.iconListList();
    ASSERT_EQ(lists.size(), 3);
    EXPECT_EQ(titles(lists[0]), QStringList{QStringLiteral("General")});
    EXPECT_EQ(titles(lists[1]), QStringList({QStringLiteral("Accounts"), QStringLiteral("Sound")}));
    EXPECT_EQ(titles(lists[2]), QStringList{QStringLiteral("Update")});
    EXPECT_GT(view.captionHeight(), 0);

    view.setCategorySortOrder({QStringLiteral("gamma"), QStringLiteral("missing")});
    view.rebuild();
    lists = view.iconListList();
    EXPECT_EQ(titles(lists[0]), QStringList{QStringLiteral("Update")});
    // The rest in their grouping order: beta was met first.
    EXPECT_EQ(titles(lists[1]), QStringList({QStringLiteral("Accounts"), QStringLiteral("Sound")}));
    EXPECT_EQ(titles(lists[2]), QStringList{QStringLiteral("General")});

    // Bands stack without gaps and the last one reaches the bottom.
    for (int k = 1; k < 3; ++k)
        EXPECT_DOUBLE_EQ(view.frameForCategoryWithIndex(k).y(),
                         view.frameForCategoryWithIndex(k - 1).bottom());
    EXPECT_EQ(view.frameForCategoryWithIndex(3), QRectF());
}

TEST(PaneIconGrid, IconsWithoutCategoryFormAGroupOfTheirOwn)
{
    auto *none = icon(QStringLiteral("None"));
    none->setCategory(QString());
    NTXPrefPaneIconView view(nullptr, {none, icon(QStringLiteral("Empty"), QStringLiteral(""))}, 7);
    view.setSortByCategory(true);
    view.rebuild();
    EXPECT_EQ(view.iconListList().size(), 2);
}

TEST(PaneIconGrid, HitTestingFindsIconsAndLabels)
{
    NTXPrefPaneIconView view(nullptr, shortIcons(9), 4);
    view.rebuild();
    int category = -1, index = -1;
    for (int i = 0; i < 9; ++i) {
        const QRectF image = view.imageFrameForIconInCategoryWithIndex(0, i);
        EXPECT_EQ(view.iconAt(image.center(), &category, &index), view.iconListList()[0][i]);
        EXPECT_EQ(index, i);
        EXPECT_EQ(category, 0);
        const QRectF label = view.labelFrameForIconInCategoryWithIndex(0, i);
        EXPECT_EQ(view.iconAt(label.center()), view.iconListList()[0][i]);
    }
    EXPECT_EQ(view.iconAt(QPointF(1, 1)), nullptr);
    EXPECT_EQ(view.iconAt(QPointF(-5, 300)), nullptr);
    EXPECT_EQ(view.imageFrameForIconInCategoryWithIndex(0, 99), QRectF());
}

TEST(PaneIconGrid, ClickSendsTheActionOnlyWhenReleasedOnTheSameIcon)
{
    ClickTarget target;
    QList<NTXPrefPaneIcon *> icons = shortIcons(3);
    for (NTXPrefPaneIcon *i : icons) {
        i->setTarget(&target);
        i->setSelector("toolbarShowPane");
    }
    NTXPrefPaneIconView view(nullptr, icons, 7);
    view.show();
    const QPoint onA = view.imageFrameForIconInCategoryWithIndex(0, 0).center().toPoint();
    const QPoint onB = view.imageFrameForIconInCategoryWithIndex(0, 1).center().toPoint();
    QTest::mousePress(&view, Qt::LeftButton, {}, onA);
    EXPECT_EQ(view.selectedIcon(), icons[0]);
    QTest::mouseRelease(&view, Qt::LeftButton, {}, onB);
    EXPECT_TRUE(target.shown.isEmpty());
    EXPECT_EQ(view.selectedIcon(), nullptr);
    QTest::mouseClick(&view, Qt::LeftButton, {}, onB);
    EXPECT_EQ(target.shown, QStringList{QStringLiteral("B")});
}

TEST(PaneIconGrid, DragCarriesTheToolbarItemIdentifier)
{
    NTXPrefPaneIconView view(nullptr, shortIcons(2), 7);
    EXPECT_EQ(view.draggingSourceOperationMaskForLocal(false), Qt::DropActions(Qt::IgnoreAction));
    EXPECT_TRUE(view.draggingSourceOperationMaskForLocal(true) & Qt::MoveAction);
    EXPECT_TRUE(view.ignoreModifierKeysWhileDragging());
    const auto data = view.dragMimeData(*view.icons()[1]);
    EXPECT_TRUE(data->hasFormat(QStringLiteral("application/x-NSToolbarIndividualItemDragType")));
    EXPECT_EQ(data->data(QStringLiteral("application/x-NSToolbarItemIdentifierPboardType")), QByteArray("B"));
    const QImage image = view.dragImageForIcon(*view.icons()[1], 0, 1);
    EXPECT_EQ(image.height(), int(std::ceil(view.labelFrameForIconInCategoryWithIndex(0, 1).height() + 33)));
}

TEST(PaneIconGrid, ColumnsAreAtLeastOne)
{
    NTXPrefPaneIconView view(nullptr, shortIcons(3), 0);
    EXPECT_EQ(view.columns(), 1);
    view.rebuild();
    EXPECT_EQ(view.frame().height(), std::ceil(3 * view.iconHeight() + 11 + 6));
    view.setColumns(-4);
    EXPECT_EQ(view.columns(), 1);
}

#include "TestPaneIconGrid.moc"
