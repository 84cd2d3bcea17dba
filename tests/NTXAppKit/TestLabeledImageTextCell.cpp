// The labelled image-and-text outline cell: its layout rectangles, the
// label band and pill in pixels, and the cell at work in a QTreeView through
// platform::CellItemDelegate, with selection and editing.
#include "tests/support/EvenWidthFont.h"
#include "tests/support/TestSupport.h"
#include "NTXAppKit/NTXColorLabelWidget/NTXColorLabelColors.h"
#include "NTXAppKit/NTXLabeledImageTextCell/NTXLabeledImageTextCell.h"
#include "platform/drawing/CellItemDelegate.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QStandardItemModel>
#include <QTest>
#include <QTreeView>
#include <cmath>
#include <gtest/gtest.h>

namespace {

constexpr int LabelRole = Qt::UserRole + 7;

QIcon solidIcon(int width, int height, const QColor &color)
{
    QPixmap pixmap(width, height);
    pixmap.fill(color);
    return QIcon(pixmap);
}

QFont testFont()
{
    QFont font = QApplication::font();
    font.setPixelSize(12);
    return font;
}

// The font of the layout tests: the info text "12h" is 18 wide in it, and its slice
// of the row takes 18 + 4.
QFont evenWidth12()
{
    return testsupport::evenWidthFont(12);
}

void expectRect(const QRectF &actual, const QRectF &expected, const char *what)
{
    EXPECT_NEAR(actual.x(), expected.x(), 1e-4) << what;
    EXPECT_NEAR(actual.y(), expected.y(), 1e-4) << what;
    EXPECT_NEAR(actual.width(), expected.width(), 1e-4) << what;
    EXPECT_NEAR(actual.height(), expected.height(), 1e-4) << what;
}

// A cell with everything: insets 2 and 3, a 16-point image reserving 20, a status
// image 12 wide, a right image 10 wide and an info text.
std::unique_ptr<NTXLabeledImageTextCell> fullCell()
{
    auto owned = std::make_unique<NTXLabeledImageTextCell>(QStringLiteral("Project"));
    NTXLabeledImageTextCell &cell = *owned;
    cell.setFont(testFont());
    cell.setLeftInset(2);
    cell.setRightInset(3);
    cell.setMinImageWidth(20);
    cell.setImage(solidIcon(16, 16, Qt::darkGreen));
    cell.setStatusImage(solidIcon(12, 12, Qt::red));
    cell.setRightImage(solidIcon(10, 10, Qt::blue));
    cell.setInfoText(QStringLiteral("12h"));
    return owned;
}

QImage drawCell(const NTXLabeledImageTextCell &cell, const QSize &size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    cell.drawWithFrame(painter, QRectF(QPointF(0, 0), QSizeF(size)), nullptr);
    painter.end();
    return image;
}

void expectColorNear(const QColor &actual, const QColor &expected, int tolerance, const QString &what)
{
    EXPECT_NEAR(actual.red(), expected.red(), tolerance) << what.toStdString();
    EXPECT_NEAR(actual.green(), expected.green(), tolerance) << what.toStdString();
    EXPECT_NEAR(actual.blue(), expected.blue(), tolerance) << what.toStdString();
}

QColor lightened(const QColor &label)
{
    return NTXLabeledImageTextCell::blendedColor(label, 0.5, Qt::white);
}

} // namespace

TEST(LabeledImageTextCell, StartsEmpty)
{
    NTXLabeledImageTextCell cell;
    EXPECT_EQ(cell.colorLabelType(), 0);
    EXPECT_FALSE(cell.labelColor().isValid());
    EXPECT_TRUE(cell.image().isNull());
    EXPECT_TRUE(cell.rightImage().isNull());
    EXPECT_TRUE(cell.statusImage().isNull());
    EXPECT_TRUE(cell.infoText().isEmpty());
    EXPECT_EQ(cell.minImageWidth(), 0.f);
    EXPECT_EQ(cell.leftInset(), 0.f);
    EXPECT_EQ(cell.rightInset(), 0.f);
    EXPECT_FALSE(cell.middleAlignedText());
    EXPECT_EQ(cell.capRadius(), 0.f);
    for (const QRectF &rect : {cell.layoutImageRect(), cell.layoutRightImageRect(), cell.layoutInfoTextRect(),
                               cell.layoutStatusImageRect(), cell.layoutTextRect(), cell.layoutLabelRect()})
        EXPECT_EQ(rect, QRectF(0, 0, 0, 0));
}

TEST(LabeledImageTextCell, LabelTypeTakesItsColourFromTheTable)
{
    NTXLabeledImageTextCell cell;
    cell.setColorLabelType(2);
    EXPECT_EQ(cell.colorLabelType(), 2);
    EXPECT_EQ(cell.labelColor(), QColor(246, 170, 62));
    cell.setColorLabelType(8);
    EXPECT_EQ(cell.colorLabelType(), 8);
    EXPECT_FALSE(cell.labelColor().isValid()) << "8 has no colour";
    cell.setColorLabelType(0);
    EXPECT_FALSE(cell.labelColor().isValid());

    // the same type again does not replace the cached colour
    cell.setColorLabelType(2);
    QList<QColor> &list = NTXColorLabelColors::sharedVYXColorLabelColors().colorList();
    const QColor saved = list[2];
    list[2] = QColor(1, 2, 3);
    cell.setColorLabelType(2);
    EXPECT_EQ(cell.labelColor(), saved) << "unchanged type, unchanged colour";
    cell.setColorLabelType(3);
    cell.setColorLabelType(2);
    EXPECT_EQ(cell.labelColor(), QColor(1, 2, 3)) << "a different type reads the table again";
    list[2] = saved;
}

TEST(LabeledImageTextCell, CopiesShareTheirContents)
{
    auto owned = fullCell();
    NTXLabeledImageTextCell &cell = *owned;
    cell.setColorLabelType(5);
    std::unique_ptr<platform::Cell> copy = cell.clone();
    auto *labelled = dynamic_cast<NTXLabeledImageTextCell *>(copy.get());
    ASSERT_NE(labelled, nullptr);
    EXPECT_EQ(labelled->colorLabelType(), 5);
    EXPECT_EQ(labelled->labelColor(), cell.labelColor());
    EXPECT_EQ(labelled->infoText(), QStringLiteral("12h"));
    EXPECT_EQ(labelled->statusImage().cacheKey(), cell.statusImage().cacheKey()) << "the same image, not a copy";
    EXPECT_EQ(labelled->rightImage().cacheKey(), cell.rightImage().cacheKey());
    EXPECT_EQ(labelled->image().cacheKey(), cell.image().cacheKey());
    EXPECT_EQ(labelled->minImageWidth(), 20.f);
}

TEST(LabeledImageTextCell, LayoutWithEverythingAndABand)
{
    auto owned = fullCell();
    NTXLabeledImageTextCell &cell = *owned;
    cell.setFont(evenWidth12());
    cell.setColorLabelType(2);
    cell.calcDrawInfo(QRectF(10, 5, 300, 20));
    EXPECT_EQ(cell.capRadius(), 10.f);
    expectRect(cell.layoutImageRect(), QRectF(15, 5, 16, 16), "image: 3 into a slice of max(20, 16) + 4");
    expectRect(cell.layoutStatusImageRect(), QRectF(294, 5, 12, 12), "status image: rightmost, 3 into its slice");
    expectRect(cell.layoutRightImageRect(), QRectF(277, 5, 10, 10), "right image: left of the status image");
    expectRect(cell.layoutInfoTextRect(), QRectF(36, 5, 22, 20), "info text: full height");
    expectRect(cell.layoutLabelRect(), QRectF(58, 5, 219, 20), "band: the title's whole area");
    expectRect(cell.layoutTextRect(), QRectF(63, 5, 209, 20), "title: inset by cap/2 on each side");
}

TEST(LabeledImageTextCell, LayoutOfAHighlightedRowWithAStatusImageHasNoLabel)
{
    auto owned = fullCell();
    NTXLabeledImageTextCell &cell = *owned;
    cell.setFont(evenWidth12());
    cell.setColorLabelType(2);
    cell.setHighlighted(true);
    cell.calcDrawInfo(QRectF(10, 5, 300, 20));
    EXPECT_EQ(cell.layoutLabelRect(), QRectF(0, 0, 0, 0));
    expectRect(cell.layoutTextRect(), QRectF(63, 5, 214, 20), "title: cap/2 off the left only");
}

TEST(LabeledImageTextCell, LayoutOfAHighlightedRowPutsAPillAtTheRightEnd)
{
    auto owned = fullCell();
    NTXLabeledImageTextCell &cell = *owned;
    cell.setFont(evenWidth12());
    cell.setStatusImage(QIcon());
    cell.setColorLabelType(6);
    cell.setHighlighted(true);
    cell.calcDrawInfo(QRectF(10, 5, 300, 20));
    expectRect(cell.layoutRightImageRect(), QRectF(293, 5, 10, 10), "right image at the right edge");
    expectRect(cell.layoutLabelRect(), QRectF(273, 5, 20, 19), "pill: twice the cap radius, one point short");
    expectRect(cell.layoutTextRect(), QRectF(63, 5, 206, 20), "title: left of the pill");
}

TEST(LabeledImageTextCell, LayoutWithoutLabelInsetsTheTitleByAQuarterOfTheHeight)
{
    for (int type : {0, 8}) {
        NTXLabeledImageTextCell cell(QStringLiteral("Plain"));
        cell.setColorLabelType(type);
        cell.calcDrawInfo(QRectF(0, 0, 200, 24));
        EXPECT_EQ(cell.capRadius(), 12.f);
        expectRect(cell.layoutTextRect(), QRectF(6, 0, 188, 24), "a quarter of 24 on each side");
        EXPECT_EQ(cell.layoutLabelRect(), QRectF(0, 0, 0, 0)) << "the label rectangle is left as it was";
    }
}

TEST(LabeledImageTextCell, NarrowImageStillReservesTheMinimumWidth)
{
    NTXLabeledImageTextCell cell(QStringLiteral("x"));
    cell.setImage(solidIcon(8, 8, Qt::black));
    cell.setMinImageWidth(30);
    cell.calcDrawInfo(QRectF(0, 0, 200, 20));
    expectRect(cell.layoutImageRect(), QRectF(3, 0, 8, 8), "drawn at its own size, 3 from the slice's edge");
    expectRect(cell.layoutTextRect(), QRectF(34 + 5, 0, 200 - 34 - 10, 20), "30 + 4 reserved");
    expectRect(cell.imageRectForBounds(QRectF(0, 0, 200, 20)), QRectF(3, 0, 8, 8), "the image rectangle");
}

TEST(LabeledImageTextCell, MiddleAlignedTextIsCentredVertically)
{
    NTXLabeledImageTextCell cell(QStringLiteral("Middle"));
    // A line of the even-width font at 10 pixels is 10 high: (40 - 10) / 2 = 15 of
    // the row's 40 stand above it, less half a point.
    cell.setFont(testsupport::evenWidthFont(10));
    cell.setMiddleAlignedText(true);
    cell.calcDrawInfo(QRectF(0, 10, 200, 40));
    EXPECT_FLOAT_EQ(cell.layoutTextRect().y(), 24.5f);
    EXPECT_EQ(cell.layoutTextRect().height(), 40);
}

TEST(LabeledImageTextCell, EditorGoesIntoTheTextRectOfTheFrameAsReceived)
{
    auto owned = fullCell();
    NTXLabeledImageTextCell &cell = *owned;
    cell.setBordered(true); // a drawing rectangle smaller than the frame
    cell.setColorLabelType(3);
    const QRectF frame(0, 0, 300, 22);
    const QRectF title = cell.titleRectForBounds(frame);
    EXPECT_EQ(title, cell.layoutTextRect());
    // editing lays out the frame once (drawing rect 1 in), drawing lays out twice
    cell.calcDrawInfo(frame);
    EXPECT_EQ(cell.layoutTextRect(), title);
    EXPECT_EQ(cell.capRadius(), 10.f) << "drawing rectangle of the frame: 20 high";
}

TEST(LabeledImageTextCell, BandHasTheLabelColourAndLabelZeroDrawsNone)
{
    NTXLabeledImageTextCell cell; // no title: nothing but the label
    cell.setColorLabelType(5);
    const QColor label = cell.labelColor();
    const QImage band = drawCell(cell, QSize(200, 20));
    band.scaled(band.size() * 3).save(
        testsupport::screenshotPath(QStringLiteral("labeled_cell_band.png")));
    // the label colour at the bottom, blended halfway with white at the top
    expectColorNear(band.pixelColor(100, 19), label, 3, QStringLiteral("bottom of the band"));
    expectColorNear(band.pixelColor(100, 0), lightened(label), 3, QStringLiteral("top of the band"));
    const QColor middle = NTXLabeledImageTextCell::blendedColor(label, 0.25, Qt::white);
    expectColorNear(band.pixelColor(100, 10), middle, 4, QStringLiteral("middle of the band"));
    EXPECT_EQ(band.pixelColor(0, 0), QColor(Qt::white)) << "rounded ends: the corner stays clear";
    EXPECT_EQ(band.pixelColor(199, 19), QColor(Qt::white));
    expectColorNear(band.pixelColor(3, 10), NTXLabeledImageTextCell::blendedColor(label, 0.25, Qt::white), 4,
                    QStringLiteral("the band runs to the left end"));

    for (int type : {0, 8, -1}) {
        cell.setColorLabelType(type);
        const QImage none = drawCell(cell, QSize(200, 20));
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 200; ++x)
                ASSERT_EQ(none.pixel(x, y), qRgb(255, 255, 255)) << "label " << type << " draws no band at " << x << ","
                                                                 << y;
    }
}

TEST(LabeledImageTextCell, HighlightedRowDrawsAPillAtTheRightEnd)
{
    NTXLabeledImageTextCell cell;
    cell.setColorLabelType(1);
    cell.setHighlighted(true);
    const QImage image = drawCell(cell, QSize(200, 20));
    // pill: x 180 to 200, y 0 to 19
    expectColorNear(image.pixelColor(190, 17), cell.labelColor(), 12, QStringLiteral("pill bottom"));
    expectColorNear(image.pixelColor(190, 1), lightened(cell.labelColor()), 12, QStringLiteral("pill top"));
    EXPECT_EQ(image.pixelColor(100, 10), QColor(Qt::white)) << "no band behind the title";
    EXPECT_EQ(image.pixelColor(190, 19), QColor(Qt::white)) << "the pill is one point short";

    cell.setStatusImage(solidIcon(12, 12, Qt::black));
    const QImage withStatus = drawCell(cell, QSize(200, 20));
    for (int x = 0; x < 200; ++x)
        for (int y = 0; y < 20; ++y) {
            const QColor pixel = withStatus.pixelColor(x, y);
            ASSERT_FALSE(pixel != Qt::white && pixel != Qt::black) << "only the status image at " << x << "," << y;
        }
}

TEST(LabeledImageTextCell, DrawsImagesAndTitleOverTheBand)
{
    auto owned = fullCell();
    NTXLabeledImageTextCell &cell = *owned;
    cell.setColorLabelType(4);
    cell.setStringValue(QStringLiteral("WWWWWWWW"));
    const QImage image = drawCell(cell, QSize(300, 20));
    image.scaled(image.size() * 3).save(
        testsupport::screenshotPath(QStringLiteral("labeled_cell_full.png")));
    cell.calcDrawInfo(QRectF(0, 0, 300, 20));
    const QRectF imageRect = cell.layoutImageRect();
    EXPECT_EQ(image.pixelColor(imageRect.center().toPoint()), QColor(Qt::darkGreen));
    EXPECT_EQ(image.pixelColor(cell.layoutStatusImageRect().center().toPoint()), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(cell.layoutRightImageRect().center().toPoint()), QColor(Qt::blue));
    // the title is drawn after the band, so its dark strokes lie on the band
    const QRectF text = cell.layoutTextRect();
    int dark = 0;
    for (int x = int(text.left()); x < int(text.left()) + 60; ++x)
        for (int y = 0; y < 20; ++y)
            if (qGray(image.pixel(x, y)) < 60)
                ++dark;
    EXPECT_GT(dark, 10) << "title strokes over the band";
    // info text left of the title, in the same font
    int infoDark = 0;
    for (int x = int(cell.layoutInfoTextRect().left()); x < int(cell.layoutInfoTextRect().right()); ++x)
        for (int y = 0; y < 20; ++y)
            if (qGray(image.pixel(x, y)) < 100)
                ++infoDark;
    EXPECT_GT(infoDark, 5);
}

namespace {

struct Outline
{
    QStandardItemModel model;
    QTreeView view;
    platform::CellItemDelegate *delegate = new platform::CellItemDelegate(&view);

    Outline()
    {
        model.setColumnCount(2);
        model.setHorizontalHeaderLabels({QStringLiteral("Name"), QStringLiteral("Time")});
        const QStringList names = {QStringLiteral("Customer A"), QStringLiteral("Website"),
                                   QStringLiteral("Support"), QStringLiteral("Unlabelled"),
                                   QStringLiteral("Customer B")};
        const QList<int> labels = {1, 5, 4, 0, 7};
        QStandardItem *parent = nullptr;
        for (int i = 0; i < names.size(); ++i) {
            auto *name = new QStandardItem(names[i]);
            name->setData(labels[i], LabelRole);
            name->setData(solidIcon(16, 16, i == 0 || i == 4 ? QColor(70, 90, 160) : QColor(90, 150, 70)),
                          Qt::DecorationRole);
            auto *time = new QStandardItem(QStringLiteral("%1:00").arg(i + 1));
            if (i == 0 || i == 4 || !parent) {
                model.appendRow({name, time});
                parent = name;
            } else {
                parent->appendRow({name, time});
            }
        }
        auto prototype = std::make_unique<NTXLabeledImageTextCell>();
        prototype->setEditable(true);
        prototype->setFont(testFont());
        delegate->setPrototypeCell(0, std::move(prototype));
        delegate->setWillDisplayCell([](platform::Cell &cell, const QModelIndex &index) {
            if (auto *labelled = dynamic_cast<NTXLabeledImageTextCell *>(&cell))
                labelled->setColorLabelType(index.data(LabelRole).toInt());
        });
        view.setItemDelegate(delegate);
        view.setModel(&model);
        view.expandAll();
        view.resize(420, 190);
        view.header()->resizeSection(0, 260);
    }

    QModelIndex nameIndex(int row, const QModelIndex &parent = {}) const { return model.index(row, 0, parent); }

    QStyleOptionViewItem optionFor(const QModelIndex &index) const
    {
        QStyleOptionViewItem option;
        option.rect = view.visualRect(index);
        option.state = QStyle::State_Enabled;
        if (view.selectionModel()->isSelected(index))
            option.state |= QStyle::State_Selected;
        option.widget = &view;
        return option;
    }

    // The prepared cell of a row, laid out as drawing lays it out.
    std::unique_ptr<NTXLabeledImageTextCell> laidOut(const QModelIndex &index) const
    {
        const QStyleOptionViewItem option = optionFor(index);
        std::unique_ptr<platform::Cell> cell = delegate->preparedCell(option, index);
        auto *labelled = dynamic_cast<NTXLabeledImageTextCell *>(cell.get());
        if (!labelled)
            return nullptr;
        cell.release();
        std::unique_ptr<NTXLabeledImageTextCell> result(labelled);
        result->calcDrawInfo(result->drawingRectForBounds(QRectF(option.rect)));
        return result;
    }
};

} // namespace

TEST(LabeledImageTextCell, DrawsTheRowsOfAnOutlineWithSelection)
{
    Outline outline;
    outline.view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&outline.view));
    const QModelIndex customerA = outline.nameIndex(0);
    const QModelIndex website = outline.nameIndex(0, customerA);
    const QModelIndex support = outline.nameIndex(1, customerA);
    const QModelIndex unlabelled = outline.nameIndex(2, customerA);
    outline.view.selectionModel()->select(support, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    QApplication::processEvents();

    const QImage shot = outline.view.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const qreal ratio = shot.devicePixelRatio();
    outline.view.grab().save(
        testsupport::screenshotPath(QStringLiteral("labeled_cell_outline.png")));
    auto pixelAt = [&](const QPointF &point) { return shot.pixelColor((point * ratio).toPoint()); };

    // an unselected labelled row: the band behind the title, label colour at its bottom
    {
        auto cell = outline.laidOut(website);
        ASSERT_NE(cell, nullptr);
        EXPECT_EQ(cell->colorLabelType(), 5);
        EXPECT_FALSE(cell->isHighlighted());
        const QRectF band = cell->layoutLabelRect();
        EXPECT_GT(band.width(), 100);
        const QPointF bottom(band.center().x() + 60, std::floor(band.bottom()) - 1);
        expectColorNear(pixelAt(bottom), cell->labelColor(), 14, QStringLiteral("band bottom, blue label"));
        const QPointF top(band.center().x() + 60, band.top());
        expectColorNear(pixelAt(top), lightened(cell->labelColor()), 14, QStringLiteral("band top"));
        // the row's image is drawn left of the band
        EXPECT_EQ(pixelAt(cell->layoutImageRect().center()), QColor(90, 150, 70));
    }
    // the selected row: the selection highlight, and the label as a pill at the right end
    {
        auto cell = outline.laidOut(support);
        ASSERT_NE(cell, nullptr);
        EXPECT_TRUE(cell->isHighlighted());
        const QRectF pill = cell->layoutLabelRect();
        EXPECT_NEAR(pill.width(), 2 * cell->capRadius(), 1e-4);
        EXPECT_NEAR(pill.right(), outline.view.visualRect(support).right() + 1, 1e-4);
        const QColor green = cell->labelColor();
        expectColorNear(pixelAt(QPointF(pill.center().x(), pill.bottom() - 2)), green, 20,
                        QStringLiteral("pill of the green label"));
        const QColor highlight = outline.view.palette().color(QPalette::Active, QPalette::Highlight);
        const QPointF plain(pill.left() - 8, pill.top() + 2);
        expectColorNear(pixelAt(plain), highlight, 40, QStringLiteral("selection behind the title area"));
    }
    // the unlabelled row: nothing but the view's base colour in its title area (right of the text)
    {
        auto cell = outline.laidOut(unlabelled);
        ASSERT_NE(cell, nullptr);
        EXPECT_FALSE(cell->labelColor().isValid());
        const QRectF text = cell->layoutTextRect();
        const QColor base = outline.view.palette().color(QPalette::Base);
        for (qreal x = text.right() - 40; x < text.right() - 2; x += 3)
            expectColorNear(pixelAt(QPointF(x, text.center().y())), base, 8, QStringLiteral("no band"));
    }
}

TEST(LabeledImageTextCell, OutlineEditorGoesWhereTheTitleGoes)
{
    Outline outline;
    outline.view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&outline.view));
    const QModelIndex customerB = outline.nameIndex(1);
    outline.view.setCurrentIndex(customerB);
    outline.view.edit(customerB);
    auto *editor = outline.view.viewport()->findChild<QLineEdit *>();
    ASSERT_NE(editor, nullptr);
    // the view lays out its editors without the selected state, so the title rectangle
    // is the unhighlighted one (no pill)
    QStyleOptionViewItem option = outline.optionFor(customerB);
    option.state &= ~QStyle::State_Selected;
    std::unique_ptr<platform::Cell> cell = outline.delegate->preparedCell(option, customerB);
    const QRect title = cell->titleRectForBounds(QRectF(option.rect)).toAlignedRect();
    EXPECT_EQ(editor->geometry().left(), title.left());
    EXPECT_EQ(editor->geometry().right(), title.right());
    EXPECT_GT(editor->geometry().left(), option.rect.left() + 16) << "right of the image";
    EXPECT_EQ(editor->text(), QStringLiteral("Customer B"));
}
