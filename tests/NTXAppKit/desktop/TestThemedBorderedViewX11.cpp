// The themed bordered view (its looks, its binding and its window's activation on a
// real X server) and a gallery of every themed cell in every state, one screenshot per
// theme and one without a theme ($CHRONARK_SCREENSHOT_DIR, else the temporary folder).
#include "tests/support/TestSupport.h"
#include "NTXAppKit/NTXThemeManager/NTXTBorderedView.h"
#include "NTXAppKit/NTXThemeManager/NTXTButton.h"
#include "NTXAppKit/NTXThemeManager/NTXTImageCell.h"
#include "NTXAppKit/NTXThemeManager/NTXTPopUpButtonCell.h"
#include "NTXAppKit/NTXThemeManager/NTXTSegmentedCell.h"
#include "NTXAppKit/NTXThemeManager/NTXThemeManager.h"
#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"
#include "platform/drawing/SystemColors.h"
#include "platform/foundation/KeyValueObserving.h"
#include "platform/foundation/BindingMarkers.h"

#include <QDir>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <cstdio>
#include <gtest/gtest.h>

namespace {

using platform::ButtonCell;
using platform::Cell;

class Model : public platform::KeyValueObservable
{
public:
    QVariant flag;

protected:
    const platform::KeyTable &keyTable() const override
    {
        static const platform::KeyTable table{
            {QStringLiteral("flag"),
             {[](const KeyValueObservable &o) { return static_cast<const Model &>(o).flag; },
              [](KeyValueObservable &o, const QVariant &v) { static_cast<Model &>(o).flag = v; }}}};
        return table;
    }
};

QImage renderView(NTXTBorderedView &view)
{
    QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    view.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

TEST(ThemedBorderedView, ActiveInCodeInactiveFromAnArchiveAndBound)
{
    NTXTBorderedView made;
    made.setThemeKey(NTXThemeKeys::Gray);
    made.resize(60, 30);
    EXPECT_TRUE(made.drawsActiveLook());

    platform::KeyedArchiver archiver;
    made.encodeWithCoder(archiver);
    const auto data = archiver.finishEncoding();
    ASSERT_TRUE(data);
    platform::KeyedUnarchiver unarchiver(*data);
    std::unique_ptr<NTXTBorderedView> decoded(NTXTBorderedView::fromCoder(unarchiver));
    ASSERT_TRUE(decoded);
    decoded->resize(60, 30);
    EXPECT_EQ(decoded->themeKey(), NTXThemeKeys::Gray);
    EXPECT_FALSE(decoded->drawsActiveLook());
    EXPECT_NE(renderView(made), renderView(*decoded)); // the grey bar against the light grey bar

    Model model;
    model.flag = true;
    decoded->bind(NTXTBorderedView::IsActiveBinding, &model, QStringLiteral("flag"));
    EXPECT_TRUE(decoded->isActive());
    EXPECT_EQ(renderView(made), renderView(*decoded));
    model.setValueForKey(platform::noSelectionMarker(), QStringLiteral("flag"));
    EXPECT_FALSE(decoded->isActive());
    model.setValueForKey(1, QStringLiteral("flag"));
    EXPECT_TRUE(decoded->isActive());
    model.setValueForKey(QStringLiteral("off"), QStringLiteral("flag"));
    EXPECT_TRUE(decoded->isActive());
    ASSERT_TRUE(decoded->infoForBinding(NTXTBorderedView::IsActiveBinding));
    decoded->unbind(NTXTBorderedView::IsActiveBinding);
    EXPECT_FALSE(decoded->infoForBinding(NTXTBorderedView::IsActiveBinding));
    model.setValueForKey(0, QStringLiteral("flag"));
    EXPECT_TRUE(decoded->isActive());
}

TEST(ThemedBorderedView, RoundedOutlineStrokedOncePerSideAndCustomGradientFades)
{
    NTXTBorderedView view;
    view.resize(80, 40);
    view.setThemeKey(NTXThemeKeys::HUD); // stroke at 0.7: a second stroke shows
    view.setPathStyle(1);
    view.setBorderSides(NTXTBorderedView::MinXSide);
    const QImage once = renderView(view);
    view.setBorderSides(NTXTBorderedView::MinXSide | NTXTBorderedView::MaxXSide);
    const QImage twice = renderView(view);
    EXPECT_EQ(qAlpha(twice.pixel(0, 0)), 0); // the corner is outside: no straight lines
    EXPECT_GT(qAlpha(twice.pixel(0, 20)), qAlpha(once.pixel(0, 20)));

    NTXTBorderedView faded;
    faded.resize(100, 20);
    faded.setThemeKey(NTXThemeKeys::White);
    faded.setActiveBackgroundGradient(platform::Gradient(QColor(Qt::red), QColor(Qt::red)));
    const QImage image = renderView(faded);
    EXPECT_GT(qRed(image.pixel(1, 10)), 240);
    EXPECT_EQ(qAlpha(image.pixel(1, 10)), 255);
    EXPECT_LT(qAlpha(image.pixel(98, 10)), 20);
    EXPECT_GT(qRed(image.pixel(50, 10)), 100);
    EXPECT_LT(qRed(image.pixel(50, 10)), 160);
}

TEST(ThemedBorderedView, FollowsItsWindowsActivationWhenItRespectsIt)
{
    QWidget window;
    window.setWindowTitle(QStringLiteral("bordered"));
    window.resize(200, 100);
    auto *view = new NTXTBorderedView(&window);
    view->setThemeKey(NTXThemeKeys::Gray);
    view->setGeometry(10, 10, 180, 80);
    auto *control = new NTXTButton(view);
    control->setGeometry(10, 10, 60, 24);
    QWidget other;
    other.resize(100, 100);
    other.move(400, 0);
    window.show();
    other.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    view->setRespectWindowState(true);
    EXPECT_TRUE(view->drawsActiveLook());
    const QImage active = view->grab().toImage();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    EXPECT_FALSE(view->drawsActiveLook());
    EXPECT_NE(view->grab().toImage(), active);
    view->setRespectWindowState(false);
    EXPECT_TRUE(view->drawsActiveLook());

    // a dark theme gives the controls inside the dark background style
    EXPECT_EQ(control->cell()->backgroundStyle(), Cell::BackgroundStyle::Light);
    view->setThemeKey(NTXThemeKeys::FlatDark);
    view->awakeFromNib();
    EXPECT_EQ(control->cell()->backgroundStyle(), Cell::BackgroundStyle::Dark);
}

// ---- The gallery ----

QIcon galleryIcon()
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(30, 120, 200));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QRectF(3, 3, 26, 26));
    p.setBrush(QColor(250, 220, 60));
    p.drawRect(QRectF(11, 11, 10, 10));
    return QIcon(pixmap);
}

class Gallery : public QWidget
{
public:
    Gallery(const QString &key, QWidget *inactiveView)
        : m_key(key)
        , m_inactive(inactiveView)
    {
        resize(960, 700);
        // dark themes are meant for dark panels
        const auto theme = NTXThemeManager::sharedThemeManager().themeForKey(key);
        const bool dark = theme && theme->backgroundStyle() == NTXTheme::BackgroundStyle::Dark;
        m_captionColor = dark ? QColor(230, 230, 230) : QColor(Qt::black);
        QPalette palette = this->palette();
        palette.setColor(QPalette::Window, dark ? QColor(52, 54, 58) : QColor(214, 216, 220));
        setPalette(palette);
        setAutoFillBackground(true);
        const QRectF custom(0, 0, 1, 1);
        for (int i = 0; i < 9; ++i) {
            auto *view = new NTXTBorderedView(this);
            view->setThemeKey(key);
            view->setGeometry(10 + i * 104, 610, 96, 70);
            view->setPathStyle(i < 8 ? unsigned(i % 4) : 1);
            view->setBorderSides(NTXTBorderedView::MinXSide | NTXTBorderedView::MaxXSide | NTXTBorderedView::MaxYSide
                                 | NTXTBorderedView::MinYSide);
            view->setActive(i < 4 || i == 8);
            if (i == 8) {
                view->setActiveBackgroundGradient(platform::Gradient(QColor(40, 110, 220), QColor(120, 200, 255)));
                view->setActiveBackgroundGradientAngle(90);
            }
        }
    }

protected:
    void paintEvent(QPaintEvent *event) override
    {
        QWidget::paintEvent(event);
        QPainter p(this);
        caption(p, 10, 14, QStringLiteral("theme: %1").arg(m_key));
        drawButtonTypes(p);
        drawHighlightModes(p);
        drawBezelPainters(p);
        drawArrowsAndSegments(p);
        caption(p, 10, 604, QStringLiteral("bordered views: path styles 0-3 active, 0-3 inactive, faded custom gradient"));
    }

private:
    void caption(QPainter &p, qreal x, qreal y, const QString &text) const
    {
        p.save();
        p.setPen(m_captionColor);
        QFont font = p.font();
        font.setPixelSize(11);
        p.setFont(font);
        p.drawText(QPointF(x, y), text);
        p.restore();
    }

    std::unique_ptr<NTXTButtonCell> button(const QString &title) const
    {
        auto cell = std::make_unique<NTXTButtonCell>(title);
        cell->setThemeKey(m_key);
        return cell;
    }

    void drawButtonTypes(QPainter &p)
    {
        using Type = ButtonCell::ButtonType;
        const std::pair<Type, const char *> types[] = {
            {Type::MomentaryPushIn, "push in"}, {Type::MomentaryLight, "light"},   {Type::MomentaryChange, "change"},
            {Type::PushOnPushOff, "on/off push"}, {Type::Toggle, "toggle"},      {Type::OnOff, "on-off"},
            {Type::Switch, "switch"},             {Type::Radio, "radio"}};
        const char *states[] = {"normal", "disabled", "pressed", "on", "mixed"};
        caption(p, 10, 34, QStringLiteral("button types (rows) in the states normal, disabled, pressed, on, mixed"));
        for (int s = 0; s < 5; ++s)
            caption(p, 110 + s * 112, 50, QString::fromLatin1(states[s]));
        for (int t = 0; t < 8; ++t) {
            caption(p, 10, 70 + t * 26, QString::fromLatin1(types[t].second));
            for (int s = 0; s < 5; ++s) {
                auto cell = button(QStringLiteral("Button"));
                cell->setButtonType(types[t].first);
                cell->setAlternateTitle(QStringLiteral("Alternate"));
                cell->setAllowsMixedState(true);
                cell->setEnabled(s != 1);
                cell->setHighlighted(s == 2);
                cell->setState(s == 3 ? Cell::State::On : (s == 4 ? Cell::State::Mixed : Cell::State::Off));
                cell->drawWithFrame(p, QRectF(104 + s * 112, 56 + t * 26, 104, 22), this);
            }
        }
    }

    void drawHighlightModes(QPainter &p)
    {
        caption(p, 690, 34, QStringLiteral("highlight modes 0, 1, 2; border sides 5, 15"));
        for (int mode = 0; mode < 3; ++mode) {
            auto cell = button(QString());
            cell->setBordered(false);
            cell->setImage(galleryIcon());
            cell->setImagePosition(Cell::ImagePosition::ImageOnly);
            cell->setHighlightBackgroundMode(unsigned(mode));
            cell->setHighlighted(true);
            cell->drawWithFrame(p, QRectF(690 + mode * 56, 44, 48, 48), this);
        }
        for (int i = 0; i < 2; ++i) {
            auto cell = button(QStringLiteral("Sides"));
            cell->setBordered(false);
            cell->setBorderSideMask(i == 0 ? 5 : 15);
            cell->drawWithFrame(p, QRectF(690 + i * 90, 100, 80, 26), this);
        }
    }

    void drawBezelPainters(QPainter &p)
    {
        caption(p, 10, 286, QStringLiteral("bezel painters: textured rounded, round rect, small square, rounded, recessed, "
                                           "check, radio (normal, pressed, on, disabled)"));
        for (int painter = 0; painter < 7; ++painter) {
            for (int s = 0; s < 4; ++s) {
                auto cell = button(QStringLiteral("Bezel"));
                if (painter == 5 || painter == 6)
                    cell->setButtonType(painter == 5 ? ButtonCell::ButtonType::Switch : ButtonCell::ButtonType::Radio);
                cell->setImagePosition(painter >= 5 ? Cell::ImagePosition::ImageLeft : Cell::ImagePosition::NoImage);
                cell->setHighlighted(s == 1);
                cell->setState(s == 2 ? Cell::State::On : Cell::State::Off);
                cell->setEnabled(s != 3);
                const QRectF frame(0, 0, 126, 26);
                // the small square and check painters place themselves in their control
                // view: a strip of their own
                p.save();
                p.translate(10 + painter * 134, 296 + s * 34);
                QWidget strip;
                strip.resize(126, 26);
                switch (painter) {
                case 0: cell->drawTexturedRoundedButtonInFrame(p, frame, this); break;
                case 1: cell->drawRoundRectButtonInFrame(p, frame, this); break;
                case 2: cell->drawSmallSquareButtonInFrame(p, frame, &strip); break;
                case 3: cell->drawRoundedButtonInFrame(p, frame.adjusted(0, -4, 0, 8), this); break;
                case 4: cell->drawRecessedButtonInFrame(p, frame, this); break;
                default: cell->drawCheckInFrame(p, frame, &strip, painter == 6); break;
                }
                p.restore();
            }
        }
    }

    void drawArrowsAndSegments(QPainter &p)
    {
        caption(p, 10, 450, QStringLiteral("arrows: pop-up bordered / borderless, pull-down; key window, then not key"));
        for (int i = 0; i < 6; ++i) {
            NTXTPopUpButtonCell cell;
            cell.setThemeKey(m_key);
            cell.setBordered(i % 3 != 1);
            cell.setPullsDown(i % 3 == 2);
            const QRectF frame(10 + i * 110, 458, 100, 22);
            p.save();
            p.setPen(QColor(150, 150, 150));
            p.drawRect(frame.adjusted(0.5, 0.5, -0.5, -0.5));
            p.restore();
            cell.drawArrowsInRect(p, frame, i < 3 ? this : m_inactive);
        }
        caption(p, 10, 500, QStringLiteral("segmented styles 1 and 6 (enabled, disabled); image cells (light, dark, disabled)"));
        for (int i = 0; i < 4; ++i) {
            NTXTSegmentedCell cell;
            cell.setThemeKey(m_key);
            cell.setSegmentStyle(i < 2 ? platform::SegmentedCell::SegmentStyle::Rounded
                                       : platform::SegmentedCell::SegmentStyle::SmallSquare);
            cell.setSegmentCount(3);
            cell.setLabel(QStringLiteral("Day"), 0);
            cell.setImage(galleryIcon(), 1);
            cell.setLabel(QStringLiteral("Week"), 2);
            cell.setImage(galleryIcon(), 2);
            cell.setSelectedSegment(0);
            cell.setEnabled(i % 2 == 0);
            p.save();
            cell.drawWithFrame(p, QRectF(10 + i * 160, 510, 150, 26), this);
            p.restore();
        }
        for (int i = 0; i < 3; ++i) {
            NTXTImageCell cell(galleryIcon());
            cell.setThemeKey(m_key);
            cell.setBackgroundStyle(i == 1 ? Cell::BackgroundStyle::Dark : Cell::BackgroundStyle::Light);
            cell.setEnabled(i != 2);
            cell.drawWithFrame(p, QRectF(660 + i * 50, 506, 36, 36), this);
        }
        caption(p, 10, 566, QStringLiteral("a themed button control"));
    }

    QString m_key;
    QWidget *m_inactive;
    QColor m_captionColor;
};

TEST(ThemedCellsGallery, OneScreenshotPerThemeAndOneWithout)
{
    QWidget inactive; // never shown: the "not key" window of the arrows
    const QStringList keys{QStringLiteral("NoTheme"), NTXThemeKeys::Glass, NTXThemeKeys::FlatDark, NTXThemeKeys::HUD,
                           NTXThemeKeys::Gray, NTXThemeKeys::LightGray, NTXThemeKeys::White};
    QImage platformLook;
    const QString dir = QFileInfo(testsupport::screenshotPath(QStringLiteral("x"))).path();
    for (const QString &key : keys) {
        Gallery gallery(key, &inactive);
        NTXTButton control(&gallery);
        control.buttonCell()->setTitle(QStringLiteral("Control"));
        control.setThemeKey(key);
        control.setGeometry(10, 572, 120, 24);
        gallery.show();
        gallery.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&gallery));
        gallery.repaint();
        QGuiApplication::sync();
        const QImage shot = gallery.grab().toImage();
        const QString path = dir + QStringLiteral("/themed-cells-%1.png").arg(key);
        ASSERT_TRUE(shot.save(path));
        std::printf("gallery screenshot: %s\n", qPrintable(path));
        // the platform's bevels without a theme; each theme looks different
        if (platformLook.isNull())
            platformLook = shot;
        else
            EXPECT_NE(shot, platformLook) << qPrintable(key);
        gallery.hide();
    }
}

} // namespace
