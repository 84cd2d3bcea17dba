// The link field (NTXURLClickField): the link look, the pointing-hand
// cursor, archiving, and a click opening its address exactly once through the
// replaceable opener (no browser starts).
#include "tests/support/TestSupport.h"
#include "NTXAppKit/NTXURLClickField/NTXURLClickField.h"

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QTest>
#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"
#include "tests/support/NonKeyedCoder.h"

#include <gtest/gtest.h>

namespace {

// Replaces the opener for one test and puts the default back afterwards.
class RecordingOpener
{
public:
    RecordingOpener()
    {
        m_previous = NTXURLClickField::setURLOpener([this](const QUrl &url) {
            urls.append(url);
            return true;
        });
    }
    ~RecordingOpener() { NTXURLClickField::setURLOpener(m_previous); }
    QList<QUrl> urls;

private:
    NTXURLClickField::URLOpener m_previous;
};

} // namespace

TEST(URLClickField, LooksLikeALink)
{
    NTXURLClickField field;
    EXPECT_EQ(field.URLString(), QString(""));
    EXPECT_FALSE(field.URLString().isNull()) << "the empty string, not nothing";
    EXPECT_EQ(field.tag(), 0);
    const platform::Cell *cell = field.cell();
    EXPECT_FALSE(cell->isBezeled());
    EXPECT_FALSE(cell->isBordered());
    EXPECT_FALSE(cell->drawsBackground());
    EXPECT_FALSE(cell->isEditable());
    EXPECT_FALSE(cell->isSelectable());
    EXPECT_EQ(field.focusPolicy(), Qt::NoFocus) << "no focus ring, no focus";
    EXPECT_EQ(field.cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(field.palette().color(QPalette::Active, QPalette::Text), QColor(Qt::blue));

    field.setStringValue(QStringLiteral("www.example.org"));
    field.sizeToFit();
    QImage image(field.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    field.render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
    image.save(testsupport::screenshotPath(QStringLiteral("url_click_field.png")));
    int blue = 0;
    int other = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (pixel == Qt::white)
                continue;
            if (pixel.blue() > 200 && pixel.red() == pixel.green())
                ++blue;
            else
                ++other;
        }
    EXPECT_GT(blue, 20) << "blue text";
    EXPECT_EQ(other, 0) << "nothing but the blue text: no bezel, border or background";
}

TEST(URLClickField, ClickOpensTheAddressOnce)
{
    RecordingOpener opener;
    NTXURLClickField field;
    field.setStringValue(QStringLiteral("Chronark on the web"));
    field.setURLString(QStringLiteral("https://example.org/chronark?from=about"));
    field.sizeToFit();
    QTest::mouseClick(&field, Qt::LeftButton, Qt::NoModifier, field.rect().center());
    ASSERT_EQ(opener.urls.size(), 1) << "exactly one open for a click";
    EXPECT_EQ(opener.urls.first(), QUrl(QStringLiteral("https://example.org/chronark?from=about")));

    // the open happens on the press; the release adds nothing
    QTest::mousePress(&field, Qt::LeftButton, Qt::NoModifier, field.rect().center(), 500);
    EXPECT_EQ(opener.urls.size(), 2);
    QTest::mouseRelease(&field, Qt::LeftButton, Qt::NoModifier, field.rect().center());
    EXPECT_EQ(opener.urls.size(), 2);

    // other buttons open nothing
    QTest::mouseClick(&field, Qt::RightButton, Qt::NoModifier, field.rect().center(), 500);
    EXPECT_EQ(opener.urls.size(), 2);
}

TEST(URLClickField, NoAddressOpensNothing)
{
    RecordingOpener opener;
    NTXURLClickField field;
    QTest::mouseClick(&field, Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
    EXPECT_TRUE(opener.urls.isEmpty()) << "the empty string makes no URL";
    field.setURLString(QStringLiteral("http://exa mple.org/%zz"));
    QTest::mouseClick(&field, Qt::LeftButton, Qt::NoModifier, QPoint(2, 2), 500);
    EXPECT_TRUE(opener.urls.isEmpty()) << "a malformed address makes no URL";
    EXPECT_FALSE(field.url().isValid());
}

TEST(URLClickField, MailAddressesOpenToo)
{
    RecordingOpener opener;
    NTXURLClickField field;
    field.setURLString(QStringLiteral("mailto:support@example.org"));
    QTest::mouseClick(&field, Qt::LeftButton, Qt::NoModifier, QPoint(1, 1));
    ASSERT_EQ(opener.urls.size(), 1);
    EXPECT_EQ(opener.urls.first().scheme(), QStringLiteral("mailto"));
}

TEST(URLClickField, KeyedArchive)
{
    NTXURLClickField field;
    field.setURLString(QStringLiteral("https://example.org/"));
    platform::KeyedArchiver archiver;
    field.encodeWithCoder(archiver);
    const auto bytes = archiver.finishEncoding();
    ASSERT_TRUE(bytes);

    platform::KeyedUnarchiver unarchiver(*bytes);
    EXPECT_EQ(unarchiver.decodeObject<QString>(QStringLiteral("URLString")), QStringLiteral("https://example.org/"));
    std::unique_ptr<NTXURLClickField> decoded(NTXURLClickField::fromCoder(unarchiver));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->URLString(), QStringLiteral("https://example.org/"));
    EXPECT_EQ(decoded->cursor().shape(), Qt::PointingHandCursor) << "the same set-up after decoding";
    EXPECT_FALSE(decoded->cell()->isEditable());

    platform::KeyedArchiver nothing;
    platform::KeyedUnarchiver emptyReader(*nothing.finishEncoding());
    std::unique_ptr<NTXURLClickField> empty(NTXURLClickField::fromCoder(emptyReader));
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->URLString(), QString(""));

    // No field from a coder without keyed coding or from a number under the key.
    testsupport::NonKeyedCoder plain;
    field.encodeWithCoder(plain);
    EXPECT_EQ(NTXURLClickField::fromCoder(plain), nullptr);
    EXPECT_EQ(plain.calls(), 0);
    platform::KeyedArchiver wrong;
    wrong.encodeObject(QVariant(5), NTXURLClickField::URLStringKey);
    platform::KeyedUnarchiver wrongReader(*wrong.finishEncoding());
    EXPECT_EQ(NTXURLClickField::fromCoder(wrongReader), nullptr);
    EXPECT_FALSE(wrongReader.error().isEmpty());
}

TEST(URLClickField, DefaultOpenerIsRestored)
{
    {
        RecordingOpener opener;
    }
    // the default opener is QDesktopServices::openUrl: not called here (it would start
    // the desktop's browser); the replaced opener is gone
    NTXURLClickField::URLOpener current = NTXURLClickField::setURLOpener({});
    EXPECT_FALSE(static_cast<bool>(current)) << "back to the desktop opener";
}
