// The gradient presets, the button bars and the backdrop views on a real X server, in
// one picture for a person to look at (bar-gallery.png in the build folder).
#include "tests/support/TestSupport.h"
#include "NTXAppKit/NTXAnchoredButtonBar/NTXAnchoredButton.h"
#include "NTXAppKit/NTXAnchoredButtonBar/NTXAnchoredButtonBar.h"
#include "NTXAppKit/NTXAnchoredButtonBar/NTXAnchoredButtonDrawing.h"
#include "NTXAppKit/NTXAnchoredButtonBar/NTXAnchoredPopUpButton.h"
#include "NTXAppKit/NTXAnchoredButtonBar/NTXUnanchoredButton.h"
#include "NTXAppKit/NTXAnchoredButtonBar/NTXUnanchoredButtonContainer.h"
#include "NTXAppKit/NTXCTGradient/NTXCTGradient.h"
#include "NTXAppKit/NTXContainerBox/NTXBaseView.h"
#include "NTXAppKit/NTXContainerBox/NTXCenteringClipView.h"
#include "NTXAppKit/NTXContainerBox/NTXColorBackgroundView.h"
#include "platform/drawing/SplitView.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPainter>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>
#include <iostream>

namespace {

QImage shown(QWidget &widget)
{
    widget.show();
    if (!QTest::qWaitForWindowExposed(&widget))
        return QImage();
    QCoreApplication::processEvents();
    return widget.grab().toImage();
}

// A row of bar buttons: +, −, an action pull-down and a pop-up, laid side by side.
void fillBar(NTXAnchoredButtonBar *bar, bool pressed, bool disabled, int x = 0)
{
    auto place = [&](QWidget *button, int width) {
        button->setGeometry(x, 0, width, 24);
        x += width - 1;
        button->setEnabled(!disabled);
    };
    for (const QString &title : {QStringLiteral("+"), QStringLiteral("\u2212")}) {
        auto *button = new NTXAnchoredButton(bar);
        button->buttonCell()->setTitle(title);
        button->buttonCell()->setHighlighted(pressed && title == QStringLiteral("+"));
        place(button, 32);
    }
    auto *action = new NTXAnchoredPopUpButton(true, bar);
    action->anchoredCell()->setImage(NTXAnchoredButtonDrawing::actionTemplateImage());
    action->anchoredCell()->setImagePosition(platform::Cell::ImagePosition::ImageOnly);
    action->addItemsWithTitles({QString(), QStringLiteral("Rename"), QStringLiteral("Delete")});
    place(action, 40);
    auto *popUp = new NTXAnchoredPopUpButton(false, bar);
    popUp->addItemsWithTitles({QStringLiteral("Weekly"), QStringLiteral("Daily")});
    place(popUp, 90);
}

QImage paintedPicture(const QSize &size, const std::function<void(QPainter &)> &draw)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    draw(painter);
    return image;
}

} // namespace

TEST(BarGallery, GradientsBarsAndBackdropsAsAPersonSeesThem)
{
    QImage canvas(1100, 1040, QImage::Format_RGB32);
    canvas.fill(QColor(235, 235, 235));
    QPainter painter(&canvas);
    painter.setPen(Qt::black);

    // The presets: axial at 0°, 45° and 90°, then radial.
    const std::pair<const char *, NTXCTGradient> presets[] = {
        {"aquaSelected", NTXCTGradient::aquaSelectedGradient()},
        {"aquaNormal", NTXCTGradient::aquaNormalGradient()},
        {"aquaPressed", NTXCTGradient::aquaPressedGradient()},
        {"unifiedSelected", NTXCTGradient::unifiedSelectedGradient()},
        {"unifiedNormal", NTXCTGradient::unifiedNormalGradient()},
        {"unifiedPressed", NTXCTGradient::unifiedPressedGradient()},
        {"unifiedDark", NTXCTGradient::unifiedDarkGradient()},
        {"sourceListSelected", NTXCTGradient::sourceListSelectedGradient()},
        {"sourceListUnselected", NTXCTGradient::sourceListUnselectedGradient()},
        {"rainbow", NTXCTGradient::rainbowGradient()},
        {"hydrogenSpectrum", NTXCTGradient::hydrogenSpectrumGradient()},
    };
    painter.drawText(10, 16, QStringLiteral("Presets: 0\u00b0, 45\u00b0, 90\u00b0 (y down), radial"));
    for (int i = 0; i < 11; ++i) {
        const int y = 24 + i * 44;
        painter.drawText(10, y + 24, QString::fromLatin1(presets[i].first));
        int x = 150;
        for (float angle : {0.0f, 45.0f, 90.0f}) {
            painter.drawImage(x, y, paintedPicture(QSize(80, 40), [&](QPainter &p) {
                                  presets[i].second.fillRect(p, QRectF(0, 0, 80, 40), angle);
                              }));
            x += 86;
        }
        painter.drawImage(x, y, paintedPicture(QSize(80, 40), [&](QPainter &p) {
                              presets[i].second.radialFillRect(p, QRectF(0, 0, 80, 40));
                          }));
    }

    // Bars in a split view: resizable bottom bars in both panes (the handle at the
    // split side), then a bottom bar that is not resizable and a bordered bar with
    // pressed and disabled buttons.
    {
        platform::SplitView split;
        split.resize(520, 120);
        QWidget *panes[2] = {new QWidget, new QWidget};
        for (QWidget *pane : panes) {
            pane->setAutoFillBackground(true);
            split.addWidget(pane);
        }
        split.setSizes({260, 260});
        NTXAnchoredButtonBar *bars[2];
        for (int i = 0; i < 2; ++i) {
            bars[i] = new NTXAnchoredButtonBar(panes[i]);
            fillBar(bars[i], false, false, i == 0 ? 0 : 16); // room for the handle at the left
        }
        split.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&split));
        for (NTXAnchoredButtonBar *bar : bars)
            bar->setGeometry(0, bar->parentWidget()->height() - 23, bar->parentWidget()->width(), 23);
        painter.drawText(520, 16, QStringLiteral("Bottom bars, resizable, in a split view"));
        const QImage picture = shown(split);
        painter.drawImage(520, 24, picture);
        // magnified three times: the left pane's buttons and the handles at the divider
        const QImage ends = picture.copy(150, 120 - 26, 165, 26);
        painter.drawText(10, 560, QStringLiteral("Magnified \u00d73: buttons, pull-down, pop-up and both handles"));
        painter.drawImage(10, 568, ends.scaled(ends.size() * 3, Qt::IgnoreAspectRatio, Qt::FastTransformation));
    }
    {
        QWidget window;
        window.resize(520, 120);
        window.setAutoFillBackground(true);
        auto *plain = new NTXAnchoredButtonBar(&window);
        plain->setSelectedIndex(1);
        plain->setGeometry(0, 10, 520, 23);
        fillBar(plain, true, false);
        auto *bordered = new NTXAnchoredButtonBar(&window);
        bordered->setSelectedIndex(2);
        bordered->setGeometry(10, 50, 300, 24);
        fillBar(bordered, false, false);
        auto *disabled = new NTXAnchoredButtonBar(&window);
        disabled->setSelectedIndex(1);
        disabled->setGeometry(0, 90, 520, 23);
        fillBar(disabled, false, true);
        painter.drawText(520, 166, QStringLiteral("Not resizable (+ pressed); bordered; disabled"));
        painter.drawImage(520, 174, shown(window));
    }
    {
        QWidget window;
        window.resize(520, 60);
        window.setAutoFillBackground(true);
        auto *container = new NTXUnanchoredButtonContainer(&window);
        container->setGeometry(10, 10, 500, 40);
        int x = 0;
        for (const QString &title : {QStringLiteral("Add"), QStringLiteral("Remove"), QStringLiteral("Pressed")}) {
            auto *button = new NTXUnanchoredButton(container);
            button->buttonCell()->setTitle(title);
            button->buttonCell()->setHighlighted(title == QStringLiteral("Pressed"));
            button->setGeometry(x, 4, 80, 30);
            x += 90;
        }
        container->awakeFromNib();
        painter.drawText(520, 316, QStringLiteral("Unanchored buttons"));
        painter.drawImage(520, 324, shown(window));
    }

    // Backdrops.
    {
        QWidget window;
        window.resize(560, 420);
        window.setAutoFillBackground(true);
        auto *box = new NTXContainerBox(&window);
        box->setGeometry(10, 10, 160, 100);
        auto *lines = new NTXContainerBox(&window);
        lines->setGeometry(190, 10, 160, 100);
        lines->setHasBottomLine(false);
        lines->setTopLineWidth(6);
        lines->setLeftLineWidth(2);
        lines->setBorderColor(Qt::darkBlue);
        auto *gradient = new NTXContainerBox(&window);
        gradient->setGeometry(370, 10, 160, 100);
        gradient->setHasGradient(true);
        auto *empty = new NTXBaseView(&window);
        empty->setGeometry(10, 130, 260, 160);
        auto *filled = new NTXBaseView(&window);
        filled->setGeometry(290, 130, 260, 160);
        auto *label = new QLabel(QStringLiteral("A subview"), filled);
        label->move(20, 20);
        auto *banded = new NTXColorBackgroundView(&window);
        banded->setGeometry(10, 310, 160, 90);
        banded->setBackgroundColor(QColor::fromRgbF(0.2f, 0.45f, 0.7f));
        banded->setBlended(true);
        auto *plainColour = new NTXColorBackgroundView(&window);
        plainColour->setGeometry(190, 310, 100, 90);
        auto *clip = new NTXCenteringClipView(&window);
        clip->setGeometry(310, 310, 240, 100);
        auto *document = new QLabel(QStringLiteral("centred"));
        document->setAutoFillBackground(true);
        document->setStyleSheet(QStringLiteral("background: #f0d090"));
        document->resize(90, 50);
        clip->setDocumentView(document);
        painter.drawText(520, 426, QStringLiteral("Boxes (framed, lines of their widths, gradient); base views"));
        painter.drawText(520, 440, QStringLiteral("without and with a subview; banded, plain; a centred document"));
        painter.drawImage(520, 448, shown(window));
    }
    painter.end();
    const QString file = testsupport::screenshotPath(QStringLiteral("bar-gallery.png"));
    ASSERT_TRUE(canvas.save(file));
    std::cout << "gallery: " << file.toStdString() << std::endl;
}
