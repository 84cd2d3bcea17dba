#include "platform/drawing/TextField.h"
#include "platform/foundation/NumberFormatter.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

namespace {

std::unique_ptr<platform::NumberFormatter> percent()
{
    auto formatter = std::make_unique<platform::NumberFormatter>();
    formatter->setLocaleName(QStringLiteral("en_US"));
    formatter->setFormat(QStringLiteral("#0.00'%'"));
    return formatter;
}

} // namespace

TEST(TextField, ShowsThroughFormatterAndReadsTypedTextBack)
{
    platform::TextField field;
    field.resize(120, 24);
    field.setFormatter(percent());
    field.setDoubleValue(12.5);
    EXPECT_EQ(field.cell()->title(), QStringLiteral("12.50%"));

    QSignalSpy refused(&field, &platform::TextField::textRefused);
    QTest::mouseClick(&field, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    ASSERT_TRUE(field.editor());
    EXPECT_EQ(field.editor()->text(), QStringLiteral("12.50%"));
    field.editor()->setText(QStringLiteral("7.25%"));
    EXPECT_TRUE(field.endEditing());
    EXPECT_FALSE(field.editor());
    EXPECT_EQ(field.doubleValue(), 7.25);

    field.beginEditing();
    field.editor()->setText(QStringLiteral("1e400"));
    EXPECT_FALSE(field.endEditing());
    EXPECT_EQ(field.doubleValue(), 7.25) << "refused text leaves the value";
    EXPECT_EQ(refused.count(), 1);

    auto copy = field.cell()->clone();
    EXPECT_EQ(copy->title(), QStringLiteral("7.25%")) << "the clone carries its own formatter";
}

TEST(TextField, WithoutFormatterKeepsText)
{
    platform::TextField field;
    EXPECT_TRUE(field.takeText(QStringLiteral("plain")));
    EXPECT_EQ(field.stringValue(), QStringLiteral("plain"));
    field.cell()->setEditable(false);
    field.beginEditing();
    EXPECT_FALSE(field.editor());
}
