// The framework windows the application itself does not open, on a real X server, in
// one picture for a person to look at (framework-windows-gallery.png in the build
// folder): a dimmed sheet, a pressed link, the scroll view's slots, both kinds of
// progress window, flip frames on a set clock, the crash alert and the two forms.
#include "tests/support/TestSupport.h"
#include "AppKitExtensions/NTXNSWindowExtension.h"
#include "NTXAppKit/NTXProgressWindowController/NTXProgressWindowController.h"
#include "NTXAppKit/agreement/NTXLicenseWindowController.h"
#include "NTXAppKit/agreement/URLTextView.h"
#include "NTXAppKit/reporting/NTXCrashReporter.h"
#include "NTXAppKit/reporting/NTXFeedbackProvider.h"
#include "NTXAppKit/scrollview/NTXScrollView.h"
#include "NTXAppKit/sheetdimming/NTXSheetDimmer.h"
#include "NTXAppKit/sheetdimming/NTXSheetPresentation.h"
#include "platform/foundation/Clock.h"
#include "platform/layers/AnimationDriver.h"
#include "platform/layers/LayerHostWidget.h"

#include <QCoreApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTextCursor>
#include <QVBoxLayout>
#include <gtest/gtest.h>
#include <iostream>

namespace {

struct Canvas
{
    QImage image{1300, 1250, QImage::Format_RGB32};
    QPainter painter;
    QPoint at{10, 10};
    int rowHeight = 0;
    Canvas()
    {
        image.fill(QColor(235, 235, 235));
        painter.begin(&image);
    }
    void add(const QString &caption, const QImage &picture)
    {
        const QImage shown = picture.width() > 600 ? picture.scaledToWidth(600, Qt::SmoothTransformation) : picture;
        if (at.x() + shown.width() > image.width() - 10) {
            at = QPoint(10, at.y() + rowHeight + 30);
            rowHeight = 0;
        }
        painter.setPen(Qt::black);
        painter.drawText(at + QPoint(0, 14), caption);
        painter.drawImage(at + QPoint(0, 20), shown);
        rowHeight = std::max(rowHeight, shown.height() + 20);
        at.rx() += shown.width() + 20;
    }
};

QImage grabShown(QWidget &widget)
{
    widget.show();
    if (!QTest::qWaitForWindowExposed(&widget))
        return QImage();
    QCoreApplication::processEvents();
    return widget.grab().toImage();
}

QWidget *filledWindow(const QString &text, const QColor &colour)
{
    auto *window = new QWidget;
    window->resize(260, 170);
    window->setAutoFillBackground(true);
    QPalette palette = window->palette();
    palette.setColor(QPalette::Window, colour);
    window->setPalette(palette);
    auto *layout = new QVBoxLayout(window);
    layout->addWidget(new QLabel(text));
    layout->addWidget(new QLineEdit(QStringLiteral("Some field")));
    layout->addWidget(new QPushButton(QStringLiteral("A button")));
    return window;
}

} // namespace

TEST(FrameworkGallery, TheFrameworkWindowsAsAPersonSeesThem)
{
    Canvas canvas;

    // A dimmed sheet.
    {
        NTXSheetPresentation::sharedSheetPresentation().setFadeDuration(1);
        std::unique_ptr<QWidget> window(filledWindow(QStringLiteral("Document window"), QColor(250, 250, 240)));
        window->resize(320, 200);
        NTXSheetDimmer::watch(window.get());
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        QDialog sheet(window.get());
        sheet.setWindowModality(Qt::WindowModal);
        sheet.resize(200, 80);
        sheet.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&sheet));
        testsupport::settleEvents();
        canvas.add(QStringLiteral("Sheet dimming (content behind a sheet)"), window->grab().toImage());
        sheet.hide();
        NTXSheetPresentation::sharedSheetPresentation().setFadeDuration(1000);
    }

    // A pressed link in the agreement window.
    {
        NTXLicenseWindowController &license = NTXLicenseWindowController::sharedLicenseWindow();
        license.window()->resize(480, 300);
        license.showLicenseWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(license.window()));
        URLTextView *view = license.textView();
        view->setURLOpener([](const QUrl &) { return true; });
        const qsizetype at = view->document()->toPlainText().indexOf(QStringLiteral("www.chronark.org"));
        ASSERT_GE(at, 0);
        QTextCursor cursor(view->document());
        cursor.setPosition(int(at) + 3);
        const QPoint point = view->cursorRect(cursor).center();
        QTest::mousePress(view->viewport(), Qt::LeftButton, Qt::NoModifier, point);
        canvas.add(QStringLiteral("Agreement window, link held down"), license.window()->grab().toImage());
        QTest::mouseRelease(view->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
        license.window()->hide();
    }

    // The scroll view's slots.
    {
        NTXScrollView view;
        view.resize(360, 220);
        auto *document = new QLabel(QStringLiteral("A large document\n\n") + QStringLiteral("line of text\n").repeated(30));
        document->setAutoFillBackground(true);
        document->resize(700, 700);
        view.setDocumentView(document);
        auto button = [](const QString &text, int width) {
            auto *b = new QPushButton(text);
            b->resize(width, 16);
            return b;
        };
        view.addView(button(QStringLiteral("L"), 24), NTXScrollView::HorizontalLeft);
        view.addView(button(QStringLiteral("R1"), 30), NTXScrollView::HorizontalRight);
        view.addView(button(QStringLiteral("R2"), 30), NTXScrollView::HorizontalRight);
        view.addView(button(QStringLiteral("T"), 16), NTXScrollView::VerticalTop);
        view.addView(button(QStringLiteral("B"), 16), NTXScrollView::VerticalBottom);
        auto *header = new QLabel(QStringLiteral("  Header view"));
        header->setAutoFillBackground(true);
        header->setStyleSheet(QStringLiteral("background: #cde"));
        header->resize(360, 22);
        view.setHeaderView(header);
        auto *corner = new QLabel;
        corner->setStyleSheet(QStringLiteral("background: #e88"));
        view.setBottomRightCornerView(corner);
        view.shownVerticalScroller()->setValue(60);
        canvas.add(QStringLiteral("Scroll view: slots, header, corner"), grabShown(view));
    }

    // Both kinds of progress window.
    {
        NTXProgressWindowController determinate;
        const NTXProgressDescriptorPtr d = determinate.setupAsDeterminate(QStringLiteral("Copying files"), 0, 10, 6, true);
        d->setProgressDescription(QStringLiteral("File 6 of 10"));
        canvas.add(QStringLiteral("Progress, determinate with Cancel"), grabShown(*determinate.window()));
        determinate.window()->hide();
        NTXProgressWindowController indeterminate;
        indeterminate.setupAsIndeterminate(QStringLiteral("Looking for changes"), false);
        canvas.add(QStringLiteral("Progress, indeterminate, no Cancel"), grabShown(*indeterminate.window()));
        indeterminate.window()->hide();
    }

    // Flip frames on a set clock.
    {
        platform::AnimationDriver::instance();
        platform::Clock::setNow(QDateTime(QDate(2024, 5, 1), QTime(12, 0), Qt::UTC));
        std::unique_ptr<QWidget> from(filledWindow(QStringLiteral("Front"), QColor(120, 190, 120)));
        std::unique_ptr<QWidget> to(filledWindow(QStringLiteral("Back"), QColor(200, 120, 160)));
        from->move(300, 300);
        from->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(from.get()));
        NTXNSWindowExtension::Flip flip = NTXNSWindowExtension::flipWithArguments(
            from.get(), NTXNSWindowExtension::FlipArguments{to.get(), 1.0, true}, Qt::NoModifier);
        auto *fromHost = static_cast<platform::LayerHostWidget *>(flip.fromFlipWindow.data());
        auto *toHost = static_cast<platform::LayerHostWidget *>(flip.toFlipWindow.data());
        QImage strip(4 * 230, 190, QImage::Format_RGB32);
        strip.fill(QColor(60, 60, 70));
        QPainter p(&strip);
        for (int i = 0; i < 4; ++i) {
            platform::AnimationDriver::instance()->tick();
            QImage frame(fromHost->size(), QImage::Format_ARGB32_Premultiplied);
            frame.fill(Qt::transparent);
            QPainter f(&frame);
            f.drawImage(0, 0, toHost->renderToImage());
            f.drawImage(0, 0, fromHost->renderToImage());
            f.end();
            p.drawImage(QRect(i * 230, 0, 230, 190), frame);
            p.setPen(Qt::white);
            p.drawText(i * 230 + 6, 16, QStringLiteral("t = %1 s").arg(i * 0.3, 0, 'f', 1));
            platform::Clock::advance(300);
        }
        p.end();
        canvas.add(QStringLiteral("Window flip, frames 0.3 s apart (1 s flip)"), strip);
        platform::Clock::advance(1000);
        platform::AnimationDriver::instance()->tick();
        QTRY_VERIFY(flip.delegate->hasEnded());
        platform::Clock::useSystemClock();
    }

    // The crash alert and the two forms.
    {
        std::unique_ptr<QMessageBox> alert = NTXCrashReporter::makeCrashAlert();
        canvas.add(QStringLiteral("Crash alert at launch"), grabShown(*alert));
        alert->hide();
        auto *reporter = new NTXCrashReporter;
        reporter->reportTextView()->setPlainText(QStringLiteral(
            "Process: chronark [4242]\nVersion: 2.0\nSignal: 11 (SIGSEGV)\nAddress: 0x0\n\nBacktrace:\n"
            "chronark(+0x1a2b3)[0x55d0c0a1a2b3]\n\n2026-12-07 11:02:03.456 chronark[4242]: opened document"));
        reporter->describeTextView()->setPlainText(QStringLiteral("I pressed Start twice."));
        reporter->reporterWindow()->resize(520, 360);
        canvas.add(QStringLiteral("Crash reporter window"), grabShown(*reporter->reporterWindow()));
        reporter->sendActionAbort(reporter->dontSendButton());
        auto *feedback = new NTXFeedbackProvider;
        feedback->feedbackWindow()->resize(440, 320);
        canvas.add(QStringLiteral("Feedback form"), grabShown(*feedback->feedbackWindow()));
        feedback->closeFeedbackWindow();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    canvas.painter.end();
    const QString file = testsupport::screenshotPath(QStringLiteral("framework-windows-gallery.png"));
    ASSERT_TRUE(canvas.image.save(file));
    std::cout << "screenshot: " << file.toStdString() << std::endl;
}
