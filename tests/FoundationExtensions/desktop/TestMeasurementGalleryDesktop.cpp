// Shows the measurement fields, the paper-format pop-up and the number fields in one
// window on the X server and writes a picture of it to the build folder, for a person
// to look at; the test checks what the fields show.
#include "tests/support/TestSupport.h"
#include "FoundationExtensions/NTXMeasurementTextField.h"
#include "FoundationExtensions/NTXMeasurementNumberFormatter.h"
#include "FoundationExtensions/NTXNumberTextField.h"
#include "FoundationExtensions/NTXPageFormat.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QPixmap>
#include <QTest>
#include <QWidget>
#include <iostream>

TEST(MeasurementGallery, FieldsAndPaperFormats)
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QStringLiteral("en_US")));
    QWidget window;
    auto *row = new QHBoxLayout(&window);
    auto *form = new QFormLayout;
    row->addLayout(form);

    auto *centimetres = new NTXMeasurementTextField;
    centimetres->setShowMeasurementType(2);
    centimetres->measurementFormatter()->setNumberOfDigitsAfterPoint(2);
    centimetres->setDoubleValue(72.0);
    auto *inches = new NTXMeasurementTextField;
    inches->setShowMeasurementType(4);
    inches->setDoubleValue(144.0);
    auto *percent = new NTXNumberTextField;
    percent->setNumberOfDigitsAfterPoint(2);
    percent->setDoubleValue(12.5);
    auto *degrees = new NTXNumberTextField;
    degrees->setShowNumberType(2);
    degrees->setNumberOfDigitsAfterPoint(1);
    degrees->setDoubleValue(90.0);
    for (platform::TextField *field : {static_cast<platform::TextField *>(centimetres), static_cast<platform::TextField *>(inches),
                                       static_cast<platform::TextField *>(percent), static_cast<platform::TextField *>(degrees)})
        field->setMinimumSize(140, 24);
    form->addRow(QStringLiteral("Width (cm):"), centimetres);
    form->addRow(QStringLiteral("Height (in):"), inches);
    form->addRow(QStringLiteral("Scale:"), percent);
    form->addRow(QStringLiteral("Angle:"), degrees);

    // The pop-up: the menu's items in a combo box, set to A4 by its size.
    std::unique_ptr<QMenu> menu(NTXPageFormat::standardPageFormatMenuWithUserDefineEntry(true));
    auto *popUp = new QComboBox;
    for (QAction *item : menu->actions()) {
        if (item->isSeparator())
            popUp->insertSeparator(popUp->count());
        else
            popUp->addItem(item->text());
    }
    int direction = -1;
    popUp->setCurrentIndex(NTXPageFormat::indexOfStandardPageFormatWithSize(NTXPageFormat::sizeOfPageStandardFormat(4), menu.get(), &direction));
    form->addRow(QStringLiteral("Paper:"), popUp);

    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(centimetres->cell()->title(), QStringLiteral("2.54 cm"));
    EXPECT_EQ(inches->cell()->title(), QStringLiteral("2.0000 in"));
    EXPECT_EQ(percent->cell()->title(), QStringLiteral("12.50%"));
    EXPECT_EQ(degrees->cell()->title(), QString::fromUtf8("90.0°"));
    EXPECT_EQ(popUp->currentText(), QStringLiteral("A4"));
    EXPECT_EQ(popUp->itemText(32), QStringLiteral("User Defined"));

    const QString path = testsupport::screenshotPath(QStringLiteral("measurement-gallery.png"));
    EXPECT_TRUE(window.grab().save(path));
    std::cout << "gallery: " << path.toStdString() << std::endl;
    popUp->showPopup();
    ASSERT_TRUE(QTest::qWaitFor([&] { return popUp->view()->isVisible(); }, 5000));
    const QString popUpPath = testsupport::screenshotPath(QStringLiteral("paper-format-popup.png"));
    EXPECT_TRUE(popUp->view()->window()->grab().save(popUpPath));
    popUp->hidePopup();
    QLocale::setDefault(saved);
}
