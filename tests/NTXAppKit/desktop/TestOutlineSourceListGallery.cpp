// The source list on a real X server, for a person to look at
// (outline-source-list-gallery.png in $CHRONARK_SCREENSHOT_DIR, else the temporary folder): two groups, one held open
// for good, items with icons and badges, and a selected row with the keyboard focus,
// without it, and in an inactive window.
#include "tests/NTXAppKit/SourceListTestDataSource.h"
#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QLineEdit>
#include <QPainter>
#include <QTest>
#include <QVBoxLayout>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <iostream>

namespace {

struct Gallery
{
    SourceListTestDataSource data;
    SourceListTestDelegate delegate;
    QWidget window;
    QLineEdit *field = new QLineEdit(QStringLiteral("Another field"));
    NTXOutlineSourceList *list = new NTXOutlineSourceList;

    explicit Gallery(const QPoint &at)
    {
        NTXOutlineSourceListItem *library =
            data.add(nullptr, QStringLiteral("LIBRARY"), -1, QImage(), QStringLiteral("library"));
        data.add(library, QStringLiteral("Music"), 7, testsupport::numberedPicture(0, 32, 40));
        data.add(library, QStringLiteral("Movies"), 128, testsupport::numberedPicture(1, 32, 40));
        data.add(library, QStringLiteral("Podcasts"), -1, testsupport::numberedPicture(2, 12, 40));
        NTXOutlineSourceListItem *places = data.add(nullptr, QStringLiteral("PLACES"));
        data.add(places, QStringLiteral("Desktop"), 0, testsupport::numberedPicture(3, 32, 40));
        NTXOutlineSourceListItem *documents = data.add(places, QStringLiteral("Documents"), 12345);
        data.add(documents, QStringLiteral("Invoices"));
        data.add(nullptr, QStringLiteral("DEVICES"));
        list->setDelegate(&delegate);
        list->setDataSource(&data);
        list->expandItem(SourceListTestDataSource::variantOf(places));
        auto *layout = new QVBoxLayout(&window);
        layout->addWidget(list);
        layout->addWidget(field);
        window.resize(240, 260);
        window.move(at);
    }
};

QImage shown(QWidget &window)
{
    QCoreApplication::processEvents();
    return window.grab().toImage();
}

} // namespace

TEST(OutlineSourceListGallery, GroupsIconsBadgesAndSelectionsAsAPersonSeesThem)
{
    Gallery focused(QPoint(40, 40));
    Gallery unfocused(QPoint(320, 40));
    focused.window.show();
    unfocused.window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&focused.window));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&unfocused.window));

    focused.list->selectRows({2}, false);
    unfocused.list->selectRows({1}, false);
    focused.window.raise();
    focused.window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&focused.window));
    focused.list->setFocus();
    QImage withFocus = shown(focused.window);
    focused.field->setFocus();
    QImage withoutFocus = shown(focused.window);
    unfocused.window.raise();
    unfocused.window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&unfocused.window));
    QImage inactive = shown(focused.window);

    QImage canvas(3 * 260 + 10, 320, QImage::Format_RGB32);
    canvas.fill(QColor(235, 235, 235));
    QPainter painter(&canvas);
    const QList<std::pair<QString, QImage>> pictures{{QStringLiteral("Selected, focus"), withFocus},
                                                     {QStringLiteral("Selected, no focus"), withoutFocus},
                                                     {QStringLiteral("Inactive window"), inactive}};
    int x = 10;
    for (const auto &[caption, picture] : pictures) {
        painter.setPen(Qt::black);
        painter.drawText(x, 20, caption);
        painter.drawImage(x, 30, picture);
        x += 260;
    }
    painter.end();
    const QString path = testsupport::screenshotPath(QStringLiteral("outline-source-list-gallery.png"));
    ASSERT_TRUE(canvas.save(path));
    std::cout << "Gallery: " << QFileInfo(path).absoluteFilePath().toStdString() << std::endl;

    // Badges of selected rows are white, so the picture shows them on the selection.
    EXPECT_FALSE(withFocus.isNull());
    EXPECT_NE(withFocus, inactive);
}
