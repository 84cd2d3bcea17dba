// The themed cells: their platform look without a theme, the button cell's title,
// border strips and highlight, the pop-up arrows, the segmented and image cells'
// opacities, and the archive keys.
#include "NTXAppKit/NTXThemeManager/NTXTButtonCell.h"
#include "tests/support/QtWarningCheck.h"
#include "NTXAppKit/NTXThemeManager/NTXTImageCell.h"
#include "NTXAppKit/NTXThemeManager/NTXTPopUpButtonCell.h"
#include "NTXAppKit/NTXThemeManager/NTXTSegmentedCell.h"
#include "NTXAppKit/NTXThemeManager/NTXThemeManager.h"
#include "platform/archive/CodingRegistry.h"
#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"
#include "platform/drawing/SystemColors.h"

#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>

namespace {

using platform::ButtonCell;
using platform::Cell;

QImage render(const QSize &size, const std::function<void(QPainter &)> &draw, const QColor &fill = Qt::transparent)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(fill);
    QPainter painter(&image);
    draw(painter);
    return image;
}

QIcon solidIcon(const QColor &color, int size = 16)
{
    QPixmap pixmap(size, size);
    pixmap.fill(color);
    return QIcon(pixmap);
}

// The smallest rectangle holding every pixel that is not fully transparent.
QRect paintedBounds(const QImage &image)
{
    QRect bounds;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) != 0)
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

TEST(ThemedCells, DrawThePlatformPixelsWithoutATheme)
{
    QWidget view;
    view.resize(120, 30);
    const QRectF frame(0, 0, 120, 30);
    auto compare = [&](const Cell &themed, const Cell &plain, const char *what) {
        const QImage a = render(QSize(120, 30), [&](QPainter &p) { themed.drawWithFrame(p, frame, &view); });
        const QImage b = render(QSize(120, 30), [&](QPainter &p) { plain.drawWithFrame(p, frame, &view); });
        EXPECT_EQ(a, b) << what;
        EXPECT_TRUE(paintedBounds(a).isValid()) << what;
    };
    for (bool highlighted : {false, true}) {
        NTXTButtonCell themed(QStringLiteral("Button"));
        themed.setThemeKey(QStringLiteral("NoSuchTheme"));
        ButtonCell plain(QStringLiteral("Button"));
        themed.setHighlighted(highlighted);
        plain.setHighlighted(highlighted);
        compare(themed, plain, "button");
    }
    NTXTPopUpButtonCell themedPopUp;
    platform::PopUpButtonCell plainPopUp;
    for (auto *cell : {static_cast<platform::PopUpButtonCell *>(&themedPopUp), &plainPopUp})
        cell->addItemsWithTitles({QStringLiteral("One"), QStringLiteral("Two")});
    compare(themedPopUp, plainPopUp, "pop-up");
    NTXTSegmentedCell themedSegments;
    platform::SegmentedCell plainSegments;
    for (platform::SegmentedCell *cell : {static_cast<platform::SegmentedCell *>(&themedSegments), &plainSegments}) {
        cell->setSegmentCount(3);
        cell->setLabel(QStringLiteral("Day"), 0);
        cell->setImage(solidIcon(Qt::red), 1);
        cell->setSelectedSegment(2);
    }
    compare(themedSegments, plainSegments, "segments");
    compare(NTXTImageCell(solidIcon(Qt::blue)), platform::ImageCell(solidIcon(Qt::blue)), "image");
}

TEST(ThemedButtonCell, TitleFrameAndAlternateTitles)
{
    QWidget view;
    NTXTButtonCell cell(QStringLiteral("OK"));
    cell.setThemeKey(NTXThemeKeys::White);
    QImage scratch(100, 20, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&scratch);
    const QRectF frame(0, 0, 100, 20);
    EXPECT_EQ(cell.drawTitle(painter, QStringLiteral("OK"), QColor(), frame, &view), QRectF(5, 0, 90, 18));
    EXPECT_EQ(cell.drawTitle(painter, QString(), QColor(), frame, &view), QRectF(5, 0, 90, 18));
    for (auto type : {ButtonCell::ButtonType::Switch, ButtonCell::ButtonType::Radio}) {
        cell.setButtonType(type);
        EXPECT_EQ(cell.drawTitle(painter, QStringLiteral("OK"), QColor(), frame, &view), frame);
    }
    painter.end();

    // momentary change while pressed, toggle while on: the alternate title
    auto titleImage = [&](NTXTButtonCell &c) {
        return render(QSize(100, 20), [&](QPainter &p) { c.drawTitle(p, c.title(), QColor(), frame, &view); });
    };
    NTXTButtonCell alternate(QStringLiteral("Alternate"));
    alternate.setThemeKey(NTXThemeKeys::White);
    const QImage expected = titleImage(alternate);
    NTXTButtonCell change(QStringLiteral("Main"));
    change.setThemeKey(NTXThemeKeys::White);
    change.setButtonType(ButtonCell::ButtonType::MomentaryChange);
    change.setAlternateTitle(QStringLiteral("Alternate"));
    EXPECT_NE(titleImage(change), expected);
    change.setHighlighted(true);
    EXPECT_EQ(titleImage(change), expected);
    NTXTButtonCell toggle(QStringLiteral("Main"));
    toggle.setThemeKey(NTXThemeKeys::White);
    toggle.setButtonType(ButtonCell::ButtonType::Toggle);
    toggle.setAlternateTitle(QStringLiteral("Alternate"));
    EXPECT_NE(titleImage(toggle), expected);
    toggle.setState(Cell::State::On);
    EXPECT_EQ(titleImage(toggle), expected);
}

TEST(ThemedButtonCell, BorderSidesHighlightModesAndCopies)
{
    NTXTButtonCell cell;
    cell.setThemeKey(NTXThemeKeys::Glass);
    cell.setBordered(false);
    cell.setBorderSideMask(5);
    cell.setHighlightBackgroundMode(2);
    const QImage strips =
        render(QSize(40, 30), [&](QPainter &p) { cell.drawInteriorWithFrame(p, QRectF(0, 0, 40, 30), nullptr); });
    EXPECT_NE(qAlpha(strips.pixel(0, 15)), 0);
    EXPECT_NE(qAlpha(strips.pixel(20, 0)), 0);
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 40; ++x) {
            if (qAlpha(strips.pixel(x, y)) != 0) {
                ASSERT_TRUE(x == 0 || y == 0) << x << "," << y;
            }
        }
    }

    const auto copy = cell.clone();
    const auto *themedCopy = dynamic_cast<NTXTButtonCell *>(copy.get());
    ASSERT_TRUE(themedCopy);
    EXPECT_EQ(themedCopy->borderSideMask(), 0u);
    EXPECT_EQ(themedCopy->themeKey(), NTXThemeKeys::Glass);
    EXPECT_EQ(themedCopy->highlightBackgroundMode(), 2u);

    // the white theme: no gradient (mode 2 draws nothing), white fill only where painted
    cell.setThemeKey(NTXThemeKeys::White);
    auto halfRed = [](QPainter &p) { p.fillRect(QRectF(0, 0, 20, 30), Qt::red); };
    const QImage before = render(QSize(40, 30), halfRed);
    const QImage gradient = render(QSize(40, 30), [&](QPainter &p) {
        halfRed(p);
        cell.drawHighlightedBackground(p, 4, QRectF(0, 0, 40, 30), nullptr);
    });
    EXPECT_EQ(gradient, before);
    cell.setHighlightBackgroundMode(0);
    const QImage flat = render(QSize(40, 30), [&](QPainter &p) {
        halfRed(p);
        cell.drawHighlightedBackground(p, 4, QRectF(0, 0, 40, 30), nullptr);
    });
    EXPECT_EQ(flat.pixel(10, 10), qRgba(255, 255, 255, 255));
    EXPECT_EQ(qAlpha(flat.pixel(30, 10)), 0);
}

class NSMatrix : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(int numberOfRows MEMBER m_rows)
public:
    int m_rows = 4;
};

TEST(ThemedButtonCell, PlacesChecksByTheControlViewsClassName)
{
    NSMatrix matrix;
    matrix.resize(80, 100);
    const QRectF frame(0, 0, 20, 10);
    EXPECT_EQ(NTXTButtonCell::checkFrameForPlacement(frame, &matrix), QRectF(0.5, 0.5 + 12.5 - 5, 20, 10));
    QWidget plain;
    plain.resize(80, 100);
    EXPECT_EQ(NTXTButtonCell::checkFrameForPlacement(frame, &plain), QRectF(0.5, 0.5 + 50 - 5, 20, 10));
    EXPECT_EQ(NTXTButtonCell::checkFrameForPlacement(frame, nullptr), QRectF(0.5, 0.5 - 5, 20, 10));
}

TEST(ThemedPopUpButtonCell, PaintsArrowsAtTheRightInTheInactiveOrDisabledColour)
{
    QWidget view; // never shown: its window is not the active one
    NTXTPopUpButtonCell cell;
    cell.setThemeKey(NTXThemeKeys::FlatDark);
    for (bool bordered : {false, true}) {
        cell.setBordered(bordered);
        const QImage arrows =
            render(QSize(100, 22), [&](QPainter &p) { cell.drawArrowsInRect(p, QRectF(0, 0, 100, 22), &view); });
        const QRect painted = paintedBounds(arrows);
        ASSERT_TRUE(painted.isValid());
        EXPECT_GE(painted.left(), bordered ? 79 : 89);
        const QColor centre = arrows.pixelColor(bordered ? 89 : 94, 11 + 4);
        EXPECT_NEAR(centre.redF(), platform::SystemColors::darkGrayColor().redF(), 0.02);
        EXPECT_EQ(centre.alpha(), 255);
    }
    cell.setEnabled(false);
    const QImage disabled =
        render(QSize(100, 22), [&](QPainter &p) { cell.drawArrowsInRect(p, QRectF(0, 0, 100, 22), &view); });
    const QColor white = disabled.pixelColor(89, 15);
    EXPECT_NEAR(white.alpha(), 51, 2);
    EXPECT_EQ(white.red(), 255);
    EXPECT_EQ(white.blue(), 255);
}

TEST(ThemedSegmentedCell, StylesTextSeparatorsAndOpacity)
{
    NTXTSegmentedCell cell;
    testsupport::CapturedLog log;
    cell.setSegmentStyle(platform::SegmentedCell::SegmentStyle::Rounded);
    cell.setSegmentStyle(platform::SegmentedCell::SegmentStyle::TexturedRounded);
    const QStringList messages = log.take();
    EXPECT_EQ(cell.segmentStyle(), platform::SegmentedCell::SegmentStyle::Rounded);
    EXPECT_EQ(messages, QStringList{QStringLiteral("Warning: unsupported segment style for:NTXTSegmentedCell")});

    EXPECT_FALSE(cell.hasText());
    cell.setSegmentCount(2);
    cell.setLabel(QStringLiteral(""), 0);
    EXPECT_FALSE(cell.hasText());
    cell.setLabel(QStringLiteral("Week"), 1);
    EXPECT_TRUE(cell.hasText());

    cell.setThemeKey(NTXThemeKeys::HUD);
    cell.setLabel(QString(), 1);
    const QRectF segment(0, 0, 30, 20);
    const QImage first = render(QSize(40, 20), [&](QPainter &p) { cell.drawSegment(p, 0, segment, nullptr); });
    const QImage last = render(QSize(40, 20), [&](QPainter &p) { cell.drawSegment(p, 1, segment, nullptr); });
    EXPECT_NE(qAlpha(first.pixel(30, 10)), 0);
    EXPECT_EQ(qAlpha(last.pixel(30, 10)), 0);

    cell.setLabel(QStringLiteral("MMMMMMMM"), 0);
    const QImage title = render(QSize(60, 20), [&](QPainter &p) { cell.drawInteriorForSegment(p, 0, QRectF(0, 0, 4, 20)); });
    ASSERT_TRUE(paintedBounds(title).isValid());
    EXPECT_GE(paintedBounds(title).left(), 3);

    cell.setImage(solidIcon(Qt::red), 1);
    cell.setImageScaling(platform::ImageScaling::None, 1);
    auto imageRed = [&] {
        const QImage image =
            render(QSize(30, 20), [&](QPainter &p) { cell.drawInteriorForSegment(p, 1, QRectF(0, 0, 30, 20)); }, Qt::black);
        return qRed(image.pixel(15, 10));
    };
    EXPECT_NEAR(imageRed(), 178, 2);
    cell.setEnabled(false);
    EXPECT_NEAR(imageRed(), 51, 2);
}

TEST(ThemedImageCell, OpacityFollowsTheBackgroundStyle)
{
    NTXTImageCell cell(solidIcon(Qt::red));
    cell.setThemeKey(NTXThemeKeys::White);
    auto alpha = [&] {
        return qAlpha(render(QSize(16, 16), [&](QPainter &p) { cell.drawInteriorWithFrame(p, QRectF(0, 0, 16, 16), nullptr); })
                          .pixel(8, 8));
    };
    cell.setBackgroundStyle(Cell::BackgroundStyle::Dark);
    EXPECT_EQ(alpha(), 255);
    cell.setBackgroundStyle(Cell::BackgroundStyle::Light);
    EXPECT_NEAR(alpha(), 153, 1);
}

// An archived button cell without the themed keys.
class PlainArchivedButton : public ButtonCell, public platform::Coding
{
public:
    QString classNameForCoder() const override { return QStringLiteral("NTXTButtonCell"); }
    void encodeWithCoder(platform::Coder &coder) const override { ButtonCell::encodeWithCoder(coder); }
    bool initWithCoder(platform::Coder &coder) override { return ButtonCell::initWithCoder(coder); }
};

TEST(ThemedCells, ArchiveKeysRoundTripAndAbsentKeysReadAsNone)
{
    auto button = std::make_shared<NTXTButtonCell>(QStringLiteral("Save"));
    button->setThemeKey(NTXThemeKeys::HUD);
    button->setButtonType(ButtonCell::ButtonType::Switch);
    button->setHighlightBackgroundMode(2);
    button->setStateBackgroundMode(1);
    button->setBorderSideMask(3);
    const auto data = platform::KeyedArchiver::archivedData(button);
    ASSERT_TRUE(data);
    const auto read = platform::KeyedUnarchiver::unarchivedObject<NTXTButtonCell>(*data);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->themeKey(), NTXThemeKeys::HUD);
    EXPECT_EQ(read->storedButtonType(), 3u);
    EXPECT_EQ(read->highlightBackgroundMode(), 2u);
    EXPECT_EQ(read->stateBackgroundMode(), 1u);
    EXPECT_EQ(read->borderSideMask(), 0u);
    EXPECT_EQ(read->title(), QStringLiteral("Save"));

    auto popUp = std::make_shared<NTXTPopUpButtonCell>();
    popUp->setThemeKey(NTXThemeKeys::Gray);
    popUp->setHighlightBackgroundMode(1);
    popUp->addItemsWithTitles({QStringLiteral("A"), QStringLiteral("B")});
    popUp->selectItemAtIndex(1);
    const auto readPopUp = platform::KeyedUnarchiver::unarchivedObject<NTXTPopUpButtonCell>(
        *platform::KeyedArchiver::archivedData(popUp));
    ASSERT_TRUE(readPopUp);
    EXPECT_EQ(readPopUp->themeKey(), NTXThemeKeys::Gray);
    EXPECT_EQ(readPopUp->highlightBackgroundMode(), 1u);
    EXPECT_EQ(readPopUp->titleOfSelectedItem(), QStringLiteral("B"));

    auto plain = std::make_shared<PlainArchivedButton>();
    plain->setBordered(false);
    plain->setHighlightsBy(ButtonCell::ChangeGrayCellMask);
    const auto readPlain = platform::KeyedUnarchiver::unarchivedObject<NTXTButtonCell>(
        *platform::KeyedArchiver::archivedData(plain));
    ASSERT_TRUE(readPlain);
    EXPECT_TRUE(readPlain->themeKey().isNull());
    EXPECT_EQ(readPlain->storedButtonType(), 0u);
    EXPECT_EQ(readPlain->highlightBackgroundMode(), 0u);
    EXPECT_EQ(readPlain->stateBackgroundMode(), 0u);
    EXPECT_EQ(readPlain->highlightsBy(), ButtonCell::ChangeGrayCellMask | ButtonCell::ChangeBackgroundCellMask);
}

} // namespace

#include "TestThemedCells.moc"
