// The framework's smaller windows and views: sheet dimming, the link-clicking text
// view, the scroll view's slots and the progress window with its descriptors.
#include "FoundationExtensions/NTXNSMutableAttributedStringExtensions.h"
#include "NTXAppKit/NTXProgressWindowController/NTXProgressNotifications.h"
#include "NTXAppKit/NTXProgressWindowController/NTXProgressWindowController.h"
#include "NTXAppKit/agreement/NTXLicenseWindowController.h"
#include "NTXAppKit/agreement/URLTextView.h"
#include "NTXAppKit/scrollview/NTXScrollView.h"
#include "NTXAppKit/sheetdimming/NTXSheetDimmer.h"
#include "NTXAppKit/sheetdimming/NTXSheetPresentation.h"
#include "NTXAppKit/sheetdimming/NTXSheetPresentationView.h"
#include "platform/foundation/Exception.h"

#include <QDialog>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <gtest/gtest.h>

#include <memory>

namespace {

void waitForDeletion(QObject *object)
{
    QSignalSpy gone(object, &QObject::destroyed);
    ASSERT_TRUE(gone.wait(5000));
}

} // namespace

// ---- Sheet dimming ----

TEST(SheetDimming, OneOverlayFadesInAndOutAndFollowsTheWindow)
{
    NTXSheetPresentation &dimming = NTXSheetPresentation::sharedSheetPresentation();
    dimming.setFadeDuration(40);
    QWidget window;
    window.resize(300, 200);
    window.show();

    dimming.setUseHighlightEffect(false);
    dimming.prepareSheetPresentationForWindow(&window);
    EXPECT_EQ(dimming.presentationViewForWindow(&window), nullptr);
    dimming.cleanUpSheetPresentationForWindow(&window); // finds nothing
    dimming.setUseHighlightEffect(true);

    dimming.prepareSheetPresentationForWindow(&window);
    dimming.prepareSheetPresentationForWindow(&window);
    EXPECT_EQ(window.findChildren<NTXSheetPresentationView *>().size(), 1);
    NTXSheetPresentationView *view = dimming.presentationViewForWindow(&window);
    ASSERT_NE(view, nullptr);
    QTRY_COMPARE(view->opacityEffect()->opacity(), 1.0);
    window.resize(420, 260);
    EXPECT_EQ(view->geometry(), window.rect());

    dimming.cleanUpSheetPresentationForWindow(&window);
    EXPECT_EQ(dimming.presentationViewForWindow(&window), view); // still fading out
    dimming.prepareSheetPresentationForWindow(&window);          // adds nothing then
    EXPECT_EQ(window.findChildren<NTXSheetPresentationView *>().size(), 1);
    waitForDeletion(view);
    EXPECT_EQ(dimming.presentationViewForWindow(&window), nullptr);
    dimming.setFadeDuration(1000);
}

TEST(SheetDimming, TheDimmerFollowsTheWindowsSheets)
{
    NTXSheetPresentation::sharedSheetPresentation().setFadeDuration(10);
    QWidget window;
    window.resize(300, 200);
    window.show();
    NTXSheetDimmer *dimmer = NTXSheetDimmer::watch(&window);
    EXPECT_EQ(NTXSheetDimmer::watch(&window), dimmer);

    QDialog plain(&window); // not window-modal: no sheet
    plain.show();
    EXPECT_EQ(NTXSheetPresentation::sharedSheetPresentation().presentationViewForWindow(&window), nullptr);
    plain.hide();

    QDialog sheet(&window);
    sheet.setWindowModality(Qt::WindowModal);
    sheet.show();
    EXPECT_EQ(dimmer->visibleSheetCount(), 1);
    NTXSheetPresentationView *view = NTXSheetPresentation::sharedSheetPresentation().presentationViewForWindow(&window);
    ASSERT_NE(view, nullptr);
    sheet.hide();
    EXPECT_EQ(dimmer->visibleSheetCount(), 0);
    waitForDeletion(view);
    NTXSheetPresentation::sharedSheetPresentation().setFadeDuration(1000);
}

// ---- Link-clicking text view ----

namespace {

QPoint pointOfCharacter(URLTextView &view, int position)
{
    QTextCursor cursor(view.document());
    cursor.setPosition(position);
    const QRect before = view.cursorRect(cursor);
    cursor.setPosition(position + 1);
    const QRect after = view.cursorRect(cursor);
    return QPoint((before.x() + after.x()) / 2, before.center().y());
}

QColor colourAt(URLTextView &view, int position)
{
    QTextCursor cursor(view.document());
    cursor.setPosition(position + 1);
    return cursor.charFormat().foreground().color();
}

} // namespace

TEST(URLTextView, PressReleaseOpensOnlyOnTheLinkAndRecolours)
{
    URLTextView view;
    view.resize(400, 120);
    view.setPlainText(QStringLiteral("Go to www.example.org now"));
    NTXNSMutableAttributedStringExtensions::detectURLs(*view.document(), QColor(Qt::blue));
    QList<QUrl> opened;
    view.setURLOpener([&](const QUrl &url) { opened.append(url); return true; });
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));

    const QPoint onLink = pointOfCharacter(view, 9);
    const QPoint plain = pointOfCharacter(view, 1);
    QMouseEvent move(QEvent::MouseMove, onLink, view.viewport()->mapToGlobal(onLink), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view.viewport(), &move);
    EXPECT_EQ(view.viewport()->cursor().shape(), Qt::PointingHandCursor);

    QTest::mousePress(view.viewport(), Qt::LeftButton, Qt::NoModifier, onLink);
    EXPECT_TRUE(view.isLinkPressed());
    EXPECT_EQ(colourAt(view, 9), URLTextView::pressedColor());
    QTest::mouseRelease(view.viewport(), Qt::LeftButton, Qt::NoModifier, plain);
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_EQ(colourAt(view, 9), URLTextView::linkColor());

    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, onLink);
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened.first(), QUrl(QStringLiteral("http://www.example.org")));

    // Plain text selects as in any text view.
    QTest::mousePress(view.viewport(), Qt::LeftButton, Qt::NoModifier, plain);
    QTest::mouseMove(view.viewport(), pointOfCharacter(view, 4));
    QTest::mouseRelease(view.viewport(), Qt::LeftButton, Qt::NoModifier, pointOfCharacter(view, 4));
    EXPECT_TRUE(view.textCursor().hasSelection());
    EXPECT_EQ(opened.size(), 1);
}

TEST(URLTextView, TheAgreementWindowLinksItsAddresses)
{
    NTXLicenseWindowController &controller = NTXLicenseWindowController::sharedLicenseWindow();
    EXPECT_EQ(&NTXLicenseWindowController::sharedLicenseWindow(), &controller);
    const QTextDocument *document = controller.textView()->document();
    QStringList links;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            if (it.fragment().charFormat().isAnchor())
                links.append(it.fragment().charFormat().anchorHref());
        }
    }
    EXPECT_TRUE(links.contains(QStringLiteral("http://www.chronark.org"))) << links.join(u' ').toStdString();
    EXPECT_TRUE(links.contains(QStringLiteral("mailto:license@chronark.org")));
    EXPECT_TRUE(controller.window()->windowTitle().contains(QStringLiteral("License Agreement")));
}

// ---- Scroll view with slots ----

namespace {

QWidget *sized(int width, int height)
{
    auto *widget = new QWidget;
    widget->resize(width, height);
    return widget;
}

} // namespace

TEST(NTXScrollView, SlotsShortenTheScrollersAndSitBesideThem)
{
    NTXScrollView view;
    view.resize(300, 200);
    view.setDocumentView(sized(800, 900));
    const QRect bar = view.shownHorizontalScroller()->geometry();
    const QRect vbar = view.shownVerticalScroller()->geometry();
    const QRect content = view.viewport()->geometry();

    QWidget *left = sized(20, 10);
    QWidget *right = sized(30, 10);
    view.addView(left, NTXScrollView::HorizontalLeft);
    view.addView(right, NTXScrollView::HorizontalRight);
    const QRect shorter = view.shownHorizontalScroller()->geometry();
    EXPECT_EQ(shorter.width(), bar.width() - 50);
    EXPECT_EQ(shorter.x(), bar.x() + 20);
    EXPECT_EQ(left->geometry(), QRect(content.x(), bar.y(), 20, bar.height()));
    EXPECT_EQ(right->y(), bar.y());
    EXPECT_EQ(right->height(), bar.height());

    // A second right view goes left of the first.
    QWidget *second = sized(25, 10);
    view.addView(second, NTXScrollView::HorizontalRight);
    EXPECT_EQ(right->x(), content.x() + content.width() - 30);
    EXPECT_EQ(second->x(), content.x() + content.width() - 55);

    // A header moves the content and the top of the vertical scroller down.
    view.setHeaderView(sized(300, 24));
    EXPECT_EQ(view.viewport()->geometry().y(), content.y() + 24);
    EXPECT_EQ(view.viewport()->geometry().height(), content.height() - 24);
    EXPECT_EQ(view.shownVerticalScroller()->geometry().y(), vbar.y() + 24);
    EXPECT_EQ(view.shownVerticalScroller()->geometry().height(), vbar.height() - 24);

    // The corner view sits between the scrollers.
    QWidget *corner = new QWidget;
    view.setBottomRightCornerView(corner);
    EXPECT_EQ(corner->geometry(), QRect(view.shownVerticalScroller()->x(), view.shownHorizontalScroller()->y(),
                                        vbar.width(), bar.height()));

    // The view scrolls through Qt's hidden bars.
    view.shownVerticalScroller()->setValue(50);
    EXPECT_EQ(view.verticalScrollBar()->value(), 50);
    EXPECT_EQ(view.documentView()->y(), -50);

    // Removing from the wrong slot still takes it out; a bad slot changes nothing.
    view.removeView(left, NTXScrollView::HorizontalRight);
    EXPECT_EQ(left->parent(), nullptr);
    delete left;
    const std::unique_ptr<QWidget> refused(sized(5, 5)); // not taken: the test lets it go
    EXPECT_THROW(view.addView(refused.get(), 4), platform::Exception);
}

TEST(NTXScrollView, SlotCoordinatesAreWholeNumbersAndEmptyViewsRestart)
{
    NTXScrollView view;
    view.resize(300, 200);
    QWidget *zero = sized(0, 10);
    QWidget *next = sized(15, 10);
    view.addView(zero, NTXScrollView::HorizontalLeft);
    view.addView(next, NTXScrollView::HorizontalLeft);
    const QRectF all = view.tileSlotsFor(NTXScrollView::HorizontalLeft, QRectF(10.7, 5, 200, 100));
    EXPECT_EQ(next->x(), 10);
    EXPECT_EQ(all.x(), 10);
    EXPECT_EQ(all.width(), 15);
    EXPECT_TRUE(view.tileSlotsFor(7, QRectF(0, 0, 10, 10)).isNull());
    QWidget *top = sized(12, 18);
    QWidget *bottom = sized(12, 22);
    view.addView(top, NTXScrollView::VerticalTop);
    view.addView(bottom, NTXScrollView::VerticalBottom);
    view.tileSlotsFor(NTXScrollView::VerticalBottom, QRectF(0, 0.9, 100, 100));
    EXPECT_EQ(bottom->geometry(), QRect(100, 100 - 22, 12, 22));
}

// ---- Progress window ----

namespace {

void drain(NTXProgressWindowController &controller)
{
    QTRY_VERIFY_WITH_TIMEOUT(controller.operationQueue().operationCount() == 0 && !controller.isObservingNotifications(), 5000);
    QCoreApplication::processEvents();
}

} // namespace

TEST(ProgressWindow, AnEmptyQueueCompletesAtOnceWithoutASheet)
{
    NTXProgressWindowController controller;
    QWidget parent;
    std::optional<bool> result;
    {
        testing::internal::CaptureStderr();
        controller.beginProgressSheetForWindow(&parent, [&](bool cancelled) { result = cancelled; });
        testing::internal::GetCapturedStderr();
    }
    EXPECT_EQ(result, std::optional<bool>(false));
    EXPECT_FALSE(controller.window()->isVisible());
    EXPECT_THROW(controller.beginProgressSheetForWindow(nullptr, nullptr), platform::Exception);
}

TEST(ProgressWindow, DeterminateBarsClampAndTheCancelButtonTakesItsPlace)
{
    NTXProgressWindowController controller;
    QProgressBar *bar = controller.progressIndicator();
    controller.setupAsDeterminate(QStringLiteral("Copy"), 10, 20, 35, false);
    EXPECT_EQ(bar->value(), bar->maximum());
    EXPECT_EQ(bar->width(), controller.cancelButton()->x() + controller.cancelButton()->width() - bar->x());
    EXPECT_FALSE(controller.cancelButton()->isVisible() && controller.cancelButton()->isEnabled());
    EXPECT_EQ(controller.currentProgressDescriptor()->infoText(), QStringLiteral("Copy") + QChar(0x2026));

    const NTXProgressDescriptorPtr below = NTXProgressDescriptor::determinate(QString(), QString(), 10, 20, true);
    below->setCurrentValue(3);
    controller.addProgressDescriptor(below);
    EXPECT_EQ(bar->value(), bar->minimum());
    EXPECT_EQ(bar->width(), controller.defaultIndicatorWidth());
    // Without a title or info text of its own it shows the covered descriptor's.
    EXPECT_EQ(below->title(), QStringLiteral("Copy"));
    EXPECT_EQ(controller.infoTextField()->text(), QStringLiteral("Copy") + QChar(0x2026));
    controller.setupAsIndeterminate(QString(), true);
    EXPECT_EQ(bar->maximum(), 0); // busy
}

TEST(ProgressWindow, WorkReportsThroughNotificationsAndCancellingReachesTheCompletion)
{
    NTXProgressWindowController controller;
    controller.setupAsDeterminate(QStringLiteral("Import"), 0, 100, 0, true);
    QSemaphore started, release;
    std::atomic<bool> sawCancel{false};
    controller.operationQueue().addOperation([&](platform::Operation &) {
        const NTXProgressDescriptorPtr step =
            NTXProgressNotifications::postWillBeginProcessing(QStringLiteral("Step"), QStringLiteral("reading"), 0, 10, 0, true);
        NTXProgressNotifications::postUpdate(step, QString(), QString(), 5.0f, QStringLiteral("half"));
        started.release();
        release.acquire();
        sawCancel = step->isCancelled();
        NTXProgressNotifications::postDidEndProcessing(step);
    });
    std::optional<bool> result;
    QWidget parent;
    controller.beginProgressSheetForWindow(&parent, [&](bool cancelled) { result = cancelled; });
    started.acquire();
    QTRY_COMPARE(controller.progressDescriptionTextField()->text(), QStringLiteral("half"));
    EXPECT_EQ(controller.progressIndicator()->value(), NTXProgressWindowController::IndicatorSteps / 2);

    controller.cancel();
    EXPECT_FALSE(controller.cancelButton()->isEnabled());
    for (const NTXProgressDescriptorPtr &d : controller.progressDescriptors())
        EXPECT_TRUE(d->isCancelled());
    EXPECT_FALSE(result.has_value());
    release.release();
    QTRY_VERIFY_WITH_TIMEOUT(result.has_value(), 5000);
    EXPECT_TRUE(*result);
    EXPECT_TRUE(sawCancel);
    EXPECT_TRUE(controller.progressDescriptors().isEmpty());
    EXPECT_FALSE(controller.window()->isVisible());
    drain(controller);
}
