// The encoding pop-up in a window-modal dialog on a real X server: its command item
// opens the panel, which takes real clicks while the dialog is up; the open pop-up,
// the dialog and the panel are captured to encoding-panel.png beside the program.
#include "tests/support/TestSupport.h"
#include "AppKitExtensions/NTXEncodingPopUpButton.h"
#include "AppKitExtensions/NTXSelectEncodingsPanel.h"
#include "FoundationExtensions/NTXEncodingManager.h"
#include "FoundationExtensions/NTXStringEncodings.h"
#include "platform/foundation/UserDefaults.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QListWidget>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <QVBoxLayout>

using namespace NTXStringEncodings;

namespace {

// A real click through the X server (so modality applies), at a global point.
bool click(const QPoint &global)
{
    QProcess process;
    process.start(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QString::number(global.x()),
                                              QString::number(global.y()), QStringLiteral("click"), QStringLiteral("1")});
    return process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

} // namespace

TEST(EncodingPanelDesktop, PanelBesideAWindowModalDialog)
{
    NTXEncodingManager &manager = NTXEncodingManager::sharedInstance();
    manager.encodingListChanged({UTF8StringEncoding, MacOSRomanStringEncoding, WindowsCP1252StringEncoding});

    QWidget document;
    document.setWindowTitle(QStringLiteral("Document"));
    document.setGeometry(60, 60, 520, 360);
    document.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&document));

    QDialog dialog(&document);
    dialog.setWindowTitle(QStringLiteral("Export"));
    dialog.setWindowModality(Qt::WindowModal);
    auto *layout = new QVBoxLayout(&dialog);
    auto *popUp = new NTXEncodingPopUpButton(&dialog);
    layout->addWidget(popUp);
    layout->addStretch();
    popUp->setEncoding(MacOSRomanStringEncoding, false);
    dialog.setGeometry(100, 120, 320, 200);
    dialog.open();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    ASSERT_EQ(QApplication::activeModalWidget(), &dialog);

    // The command item of the open pop-up opens the panel and keeps the choice.
    popUp->showPopup();
    QAbstractItemView *view = popUp->view();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view->window()));
    const QModelIndex command = view->model()->index(popUp->count() - 1, 0);
    ASSERT_TRUE(click(view->viewport()->mapToGlobal(view->visualRect(command).center())));
    NTXSelectEncodingsPanel &panel = NTXSelectEncodingsPanel::sharedPanel();
    ASSERT_TRUE(QTest::qWaitFor([&] { return panel.isVisible(); }, 5000));
    EXPECT_EQ(popUp->selectedEncoding(), quint32(MacOSRomanStringEncoding));
    EXPECT_FALSE(panel.parentWidget());
    EXPECT_TRUE(panel.windowFlags() & Qt::WindowStaysOnTopHint);
    panel.move(460, 140);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));

    // A real click on a check box of the panel while the dialog is up.
    QListWidget *list = panel.list();
    int row = -1;
    for (int i = 0; i < list->count(); ++i) {
        if (list->item(i)->data(Qt::UserRole).value<quint32>() == UTF16BigEndianStringEncoding)
            row = i;
    }
    ASSERT_GE(row, 0);
    list->scrollToItem(list->item(row));
    QApplication::processEvents();
    EXPECT_EQ(list->item(row)->checkState(), Qt::Unchecked);
    const QRect rect = list->visualItemRect(list->item(row));
    ASSERT_TRUE(click(list->viewport()->mapToGlobal(QPoint(rect.left() + 10, rect.center().y()))));
    ASSERT_TRUE(QTest::qWaitFor([&] { return list->item(row)->checkState() == Qt::Checked; }, 5000));
    EXPECT_TRUE(manager.enabledEncodings().contains(UTF16BigEndianStringEncoding));
    EXPECT_EQ(QApplication::activeModalWidget(), &dialog);
    // The pop-up rebuilt itself with the new encoding and kept its choice.
    EXPECT_GE(popUp->findText(QStringLiteral("Unicode (UTF-16BE)")), 0);
    EXPECT_EQ(popUp->selectedEncoding(), quint32(MacOSRomanStringEncoding));

    // The open pop-up beside the panel.
    popUp->showPopup();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view->window()));
    for (QWidget *w : {view->window(), static_cast<QWidget *>(&panel), static_cast<QWidget *>(&dialog)})
        w->repaint(); // painted and flushed before the screen is read
    QApplication::processEvents();
    const QPixmap shot = document.screen()->grabWindow(0, 40, 40, 800, 540);
    EXPECT_TRUE(shot.save(testsupport::screenshotPath(QStringLiteral("encoding-panel.png"))));
    popUp->hidePopup();
    panel.hide();
    dialog.reject();
    manager.revertToDefault();
}
