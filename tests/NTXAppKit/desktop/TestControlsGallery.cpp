// The line-number ruler and the small controls on a real X server, in one picture for
// a person to look at (controls-gallery.png in the build folder): marker rulers beside
// a text and a table, the three menu buttons, rounded boxes (tab, full bar,
// selected), a resize button in a split-view pane and an open completion list.
#include "tests/support/TestSupport.h"
#include "NTXAppKit/NTXAutoCompleteTextField/NTXAutoCompleteTextField.h"
#include "NTXAppKit/NTXContextMenuToolbarItem/NTXContextMenuButton.h"
#include "NTXAppKit/NTXContextMenuToolbarItem/NTXNewContextMenuButtonCell.h"
#include "NTXAppKit/NTXLineNumberRuler/NTXLineNumberRulerWithMarker.h"
#include "NTXAppKit/NTXRoundedBox/NTXRoundedBox.h"
#include "NTXAppKit/NTXSplitSubviewResizeButton/NTXSplitSubviewResizeButton.h"
#include "components/splitview/ZQSplitView.h"
#include "platform/drawing/WithVerticalRuler.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QCoreApplication>
#include <QDir>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>
#include <iostream>

TEST(ControlsGallery, ShowsTheControls)
{
    QWidget window;
    window.resize(900, 560);
    auto *grid = new QGridLayout(&window);

    auto *text = new platform::WithVerticalRuler<QPlainTextEdit>;
    auto *textRuler = new NTXLineNumberRulerWithMarker(text);
    text->setVerticalRulerView(textRuler);
    QStringList lines;
    for (int i = 1; i <= 120; ++i)
        lines << (i % 5 == 0 ? QStringLiteral("line %1, long enough to wrap around in this narrow editor").arg(i)
                             : QStringLiteral("line %1").arg(i));
    text->setPlainText(lines.join(u'\n'));
    textRuler->setBackgroundColor(QColor(245, 245, 240));
    textRuler->addMarkerWithLineNumber(3);
    textRuler->addMarkerWithLineNumber(6);
    grid->addWidget(text, 0, 0, 2, 1);

    auto *table = new platform::WithVerticalRuler<QTableView>;
    auto *model = new QStandardItemModel(30, 2, table);
    for (int row = 0; row < 30; ++row)
        model->setItem(row, 0, new QStandardItem(QStringLiteral("row %1").arg(row + 1)));
    model->setHorizontalHeaderLabels({QStringLiteral("Job"), QStringLiteral("Hours")});
    table->setModel(model);
    auto *tableRuler = new NTXLineNumberRulerWithMarker(table);
    table->setVerticalRulerView(tableRuler);
    tableRuler->addMarkerWithLineNumber(2);
    grid->addWidget(table, 0, 1, 2, 1);

    auto *buttons = new QWidget;
    auto *buttonRow = new QHBoxLayout(buttons);
    for (int type : {0, 1, 2}) {
        auto *button = new NTXContextMenuButton;
        static_cast<NTXContextMenuButtonCell *>(button->cell())->setType(type);
        button->setFixedSize(26, 20);
        buttonRow->addWidget(button);
    }
    auto *plainLook = new NTXContextMenuButton;
    plainLook->setCell(std::make_unique<NTXNewContextMenuButtonCell>(QStringLiteral("Actions")));
    plainLook->setFixedSize(80, 24);
    buttonRow->addWidget(plainLook);
    grid->addWidget(buttons, 2, 0);

    auto *boxes = new QWidget;
    auto *boxRow = new QHBoxLayout(boxes);
    const auto addBox = [boxRow](const QString &title, bool full, bool selected) {
        auto *box = new NTXRoundedBox;
        box->setTitle(title);
        box->setDrawsFullTitleBar(full);
        box->setSelected(selected);
        box->setFixedSize(140, 70);
        boxRow->addWidget(box);
    };
    addBox(QStringLiteral("Tab"), false, false);
    addBox(QStringLiteral("Full bar"), true, false);
    addBox(QStringLiteral("Selected"), false, true);
    grid->addWidget(boxes, 2, 1);

    auto *split = new ZQSplitView(QRectF(0, 0, 409, 80));
    split->setDividerThickness(9);
    auto *pane = new ZQSplitSubview(QRectF(0, 0, 200, 80));
    auto *other = new ZQSplitSubview(QRectF(0, 0, 200, 80));
    split->addSubview(pane);
    split->addSubview(other);
    split->adjustSubviews();
    for (ZQSplitSubview *each : {pane, other}) {
        auto *label = new QLabel(each == pane ? QStringLiteral("Pane with a resize button") : QStringLiteral("Other pane"), each);
        label->setAutoFillBackground(true);
        label->setPalette(QPalette(each == pane ? QColor(225, 235, 250) : QColor(250, 240, 225)));
        label->setAlignment(Qt::AlignTop | Qt::AlignLeft);
        label->setGeometry(0, 0, 200, 80);
    }
    auto *resize = new NTXSplitSubviewResizeButton(pane);
    resize->setGeometry(174, 56, 22, 22);
    resize->awakeFromNib();
    split->setFixedSize(409, 80);
    grid->addWidget(split, 3, 0);

    auto *field = new NTXAutoCompleteTextField;
    field->setCompletionWords({QStringLiteral("chronark"), QStringLiteral("chrome"), QStringLiteral("chronicle")});
    grid->addWidget(field, 3, 1, Qt::AlignTop);

    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    field->setFocus();
    QTest::keyClicks(field, QStringLiteral("chr"));
    QAbstractItemView *popup = field->completer()->popup();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(popup));
    EXPECT_EQ(field->completer()->completionCount(), 3);
    QCoreApplication::processEvents();

    QImage picture = window.grab().toImage();
    {
        QPainter painter(&picture);
        const QPoint popupAt = window.mapFromGlobal(popup->mapToGlobal(QPoint(0, 0)));
        painter.drawImage(popupAt, popup->grab().toImage());
    }
    EXPECT_EQ(textRuler->width(), int(textRuler->ruleThickness()));
    const QString file = testsupport::screenshotPath(QStringLiteral("controls-gallery.png"));
    ASSERT_TRUE(picture.save(file));
    std::cout << "gallery: " << file.toStdString() << std::endl;
    popup->hide();
}
