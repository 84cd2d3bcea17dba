// Three scope bars of three groups (labels, separators, images, a search field as
// accessory) at three widths: all expanded, the right groups as pop-ups, and objects
// in the overflow menu; in each, a button is selected and another hovered. The
// window is saved as scopebar-gallery.png in $CHRONARK_SCREENSHOT_DIR or the temp
// folder.
#include "components/scopebar/SRScopeBar.h"
#include "components/scopebar/SRScopeBarGroupHelper.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <QVBoxLayout>
#include <cstdio>
#include <gtest/gtest.h>

namespace {

class GalleryDataSource : public QObject
{
    Q_OBJECT
public:
    QList<QStringList> lists{{"All", "Jobs", "Days", "Entries"}, {"Today", "This Week", "This Month"}, {"Open", "Billed"}};

    Q_INVOKABLE int scopeBarNumberOfObjectsInScopeBarGroup(SRScopeBar *, int group)
    {
        return int(lists.value(group).size());
    }
    Q_INVOKABLE QVariant scopeBarValueForObjectInGroupAtIndex(SRScopeBar *, int group, int index)
    {
        return lists.value(group).value(index);
    }
    Q_INVOKABLE QIcon scopeBarImageForObjectInGroupAtIndex(SRScopeBar *, int group, int index)
    {
        if (group != 2)
            return QIcon();
        return QIcon(QPixmap::fromImage(testsupport::numberedPicture(index + 1, 14, 90)));
    }
};

QString screenshotPath(const QString &name)
{
    return testsupport::screenshotPath(name);
}

SRScopeBar *makeBar(GalleryDataSource &source, QWidget *parent)
{
    auto *bar = new SRScopeBar(parent);
    bar->setDataSource(&source);
    auto first = bar->addGroup();
    first->setLabel(QStringLiteral("Show:"));
    auto second = bar->addGroup();
    second->setLabel(QStringLiteral("When:"));
    second->setIdentifier(QStringLiteral("When"));
    auto third = bar->addGroup();
    third->setGroupSelectionStyle(1);
    auto *search = new QLineEdit;
    search->setPlaceholderText(QStringLiteral("Search"));
    search->resize(130, 20);
    bar->setAccessoryView(search);
    bar->reloadData();
    first->selectObjectWithIndex(1);
    third->setSelectionIndexes({0});
    return bar;
}

} // namespace

TEST(ScopeBarGallery, ThreeWidths)
{
    GalleryDataSource source;
    QWidget window;
    window.setGeometry(30, 30, 900, 120);
    window.setAutoFillBackground(true);
    auto *layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    QList<SRScopeBar *> bars;
    for (int width : {900, 660, 330}) {
        SRScopeBar *bar = makeBar(source, nullptr);
        bar->setFixedSize(width, 25);
        layout->addWidget(bar, 0, Qt::AlignLeft);
        bars << bar;
    }
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    for (SRScopeBar *bar : bars)
        bar->repaint();
    EXPECT_FALSE(bars.at(0)->groupAtIndex(1)->isCollapsed());
    EXPECT_TRUE(bars.at(1)->groupAtIndex(2)->isCollapsed());
    EXPECT_GE(bars.at(2)->overflowPullDownCell()->numberOfItems(), 2);

    // Hover the first group's third button (or its pop-up) in each bar, and keep a
    // picture of each bar while hovered.
    QImage shot(900, 3 * 25 + 2 * 8, QImage::Format_ARGB32_Premultiplied);
    shot.fill(Qt::white);
    QPainter painter(&shot);
    for (int i = 0; i < bars.size(); ++i) {
        SRScopeBar *bar = bars.at(i);
        const QList<QRectF> rects = bar->helperAtIndex(0)->trackingRects();
        ASSERT_FALSE(rects.isEmpty());
        // Sent straight to the bar, so that the real pointer of the shared X server
        // cannot come in between before the picture is taken.
        const QPointF point = rects.at(std::min<qsizetype>(2, rects.size() - 1)).center();
        QMouseEvent move(QEvent::MouseMove, point, bar->mapToGlobal(point), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QCoreApplication::sendEvent(bar, &move);
        EXPECT_NE(bar->helperAtIndex(0)->trackingCell(), nullptr);
        painter.drawImage(0, i * 33, bar->grab().toImage());
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(bar, &leave);
        EXPECT_EQ(bar->helperAtIndex(0)->trackingCell(), nullptr);
    }
    painter.end();
    ASSERT_TRUE(shot.save(screenshotPath(QStringLiteral("scopebar-gallery.png"))));
    std::printf("gallery screenshot: %s\n", qPrintable(screenshotPath(QStringLiteral("scopebar-gallery.png"))));
}

#include "TestScopeBarGalleryX11.moc"
