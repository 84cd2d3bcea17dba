// The inspector's field kinds and the image well: values into controls, the user's
// changes back through the binding, the locale pop-ups, the token list, the integer
// formatter, mail URLs, and the image well's drawing and chooser.
#include "NTXAppKit/NTXImageView/NTXGreyBackgroundWindow.h"
#include "NTXAppKit/NTXImageView/NTXImageView.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorCheckboxField.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorColorField.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorCountryField.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorEmailField.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorIntegerField.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorLanguageField.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorRatingField.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorSmallButtonField.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorTextField.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorTokenListField.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorTokenListFieldItem.h"
#include "NTXAppKit/sheetdimming/NTXSheetPresentation.h"
#include "FoundationExtensions/NTXNSStringExtension.h"
#include "platform/drawing/ColorWell.h"
#include "platform/drawing/Control.h"
#include "platform/drawing/LevelIndicator.h"
#include "platform/drawing/Sheet.h"
#include "platform/drawing/TokenField.h"
#include "platform/foundation/ArrayController.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/DataModel.h"
#include "tests/support/QtWarningCheck.h"
#include "tests/support/TestSupport.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QPointer>
#include <QMessageBox>
#include <QPainter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using platform::KeyValueObservable;
using Field = NTXTextViewInspectorField;

namespace {

// A model object with one key, "value", that counts the writes it receives.
class Model : public KeyValueObservable
{
public:
    QVariant value;
    int writes = 0;

protected:
    const platform::KeyTable &keyTable() const override
    {
        static const platform::KeyTable table{
            {QStringLiteral("value"), {[](const KeyValueObservable &o) { return static_cast<const Model &>(o).value; },
                                       [](KeyValueObservable &o, const QVariant &v) {
                                           auto &model = static_cast<Model &>(o);
                                           model.value = v;
                                           ++model.writes;
                                       }}}};
        return table;
    }
};

// Keeps the default locale of the process for the scope.
class ScopedDefaultLocale
{
public:
    explicit ScopedDefaultLocale(const QLocale &locale) { QLocale::setDefault(locale); }
    ~ScopedDefaultLocale() { QLocale::setDefault(m_old); }

private:
    QLocale m_old;
};

QString identifierAt(NTXTextViewInspectorLocaleField &field, int index)
{
    const QVariantList arranged = field.arrayController().arrangedObjects();
    if (index < 0 || index >= arranged.size())
        return QString();
    return KeyValueObservable::toObservable(arranged.at(index))->valueForKey(QStringLiteral("localeIdentifier")).toString();
}

QString selectedIdentifier(NTXTextViewInspectorLocaleField &field)
{
    return identifierAt(field, field.popUpButton()->currentIndex());
}

// The CRC of a PNG chunk.
quint32 crc32(const QByteArray &bytes)
{
    quint32 crc = 0xffffffffu;
    for (const char byte : bytes) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

QByteArray bigEndian(quint32 value)
{
    QByteArray bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[i] = char(value >> (24 - 8 * i));
    return bytes;
}

} // namespace

TEST(InspectorFieldKinds, CheckboxMixedStateAndClick)
{
    auto field = Field::fieldWithIdentifier<NTXTextViewInspectorCheckboxField>(QStringLiteral("done"), nullptr);
    Model model;
    field->bind(QStringLiteral("value"), &model, QStringLiteral("value"));
    platform::Control *box = field->button();
    box->show();

    model.setValueForKey(QVariantList{1, 0}, QStringLiteral("value"));
    EXPECT_EQ(box->state(), platform::Cell::State::Mixed);
    EXPECT_TRUE(box->isEnabled());
    EXPECT_EQ(field->notEditableReplacementString(), platform::Bundle::mainBundle().localizedString(QStringLiteral("MultipleValues")));
    const int writes = model.writes;
    QTest::mouseClick(box, Qt::LeftButton);
    EXPECT_EQ(box->state(), platform::Cell::State::On);
    EXPECT_EQ(model.value, field->ONValue());
    EXPECT_EQ(model.writes, writes + 1);
    EXPECT_FALSE(box->cell()->allowsMixedState());

    field->setValue(QVariant());
    EXPECT_FALSE(box->isEnabled());
    field->setValue(QVariantList{});
    EXPECT_EQ(box->state(), platform::Cell::State::Off);
    EXPECT_FALSE(box->isEnabled());
    EXPECT_TRUE(field->notEditableReplacementString().isNull());
    field->setValue(QVariantList{true});
    EXPECT_EQ(box->state(), platform::Cell::State::On);
    EXPECT_TRUE(box->isEnabled());
}

TEST(InspectorFieldKinds, CountryAndLanguageMatching)
{
    const ScopedDefaultLocale german(QLocale(QLocale::German, QLocale::Germany));
    NTXTextViewInspectorCountryField country(QStringLiteral("country"), QString(), nullptr);
    ASSERT_GT(country.popUpButton()->count(), 100);
    EXPECT_EQ(country.popUpButton()->count(), country.arrayController().arrangedObjects().size());

    country.setValue(QStringLiteral("fr"));
    EXPECT_EQ(selectedIdentifier(country), QStringLiteral("FR"));
    EXPECT_EQ(country.arrayController().selectionIndex(), country.popUpButton()->currentIndex());
    country.setValue(QStringLiteral("de"));
    EXPECT_EQ(selectedIdentifier(country), QStringLiteral("DE"));
    country.setValue(QStringLiteral("fr"));
    country.setValue(QStringLiteral("no such code"));
    EXPECT_EQ(selectedIdentifier(country), QStringLiteral("DE")) << "the current locale's country";
    {
        const ScopedDefaultLocale neutral(QLocale::c());
        country.setValue(QStringLiteral("no such code"));
        EXPECT_EQ(country.popUpButton()->currentIndex(), 0) << "no country of the locale: the first";
    }

    country.setValue(QVariantList{QStringLiteral("fr"), QStringLiteral("it")});
    EXPECT_EQ(country.popUpButton()->currentIndex(), -1);
    EXPECT_EQ(country.popUpButton()->placeholderText(), NTXTextViewInspectorTextField::multipleValuesText());
    EXPECT_TRUE(country.popUpButton()->isEnabled());
    country.setValue(QVariantList{});
    EXPECT_EQ(country.popUpButton()->currentIndex(), -1);
    EXPECT_EQ(country.popUpButton()->placeholderText(), QStringLiteral("No Selection"));
    EXPECT_FALSE(country.popUpButton()->isEnabled());
    country.setValue(QVariantList{QStringLiteral("it")});
    EXPECT_EQ(selectedIdentifier(country), QStringLiteral("IT"));
    EXPECT_TRUE(country.popUpButton()->isEnabled());

    // The user's choice is written back as the locale's identifier.
    Model model;
    country.bind(QStringLiteral("value"), &model, QStringLiteral("value"));
    const int fr = int(country.arrayController().arrangedObjects().indexOf(country.localeMatching(QStringLiteral("FR"))));
    country.popUpButton()->setCurrentIndex(fr);
    Q_EMIT country.popUpButton()->activated(fr);
    EXPECT_EQ(model.value, QVariant(QStringLiteral("FR")));
    EXPECT_EQ(country.arrayController().selectionIndex(), fr);

    NTXTextViewInspectorLanguageField language(QStringLiteral("language"), QString(), nullptr);
    language.setValue(QStringLiteral("fr"));
    EXPECT_EQ(selectedIdentifier(language), QStringLiteral("fr"));
    language.setValue(QStringLiteral("FR"));
    EXPECT_EQ(selectedIdentifier(language), QStringLiteral("de")) << "codes keep their case: the current language";
}

TEST(InspectorFieldKinds, ColourAndRatingValues)
{
    NTXTextViewInspectorColorField colour(QStringLiteral("colour"), QString(), nullptr);
    const struct
    {
        QVariant value;
        QColor shown;
    } colours[] = {
        {QVariant(), QColor(Qt::black)},
        {QVariantList{platform::nullValue()}, QColor()},
        {QColor(Qt::red), QColor(Qt::red)},
        {QVariantList{QColor(Qt::red), QColor(Qt::red)}, QColor(Qt::red)},
        {QVariantList{QColor(Qt::red), QColor(Qt::blue)}, QColor()},
        {QVariantList{}, QColor()},
        {QStringLiteral("red"), QColor(Qt::black)},
    };
    for (const auto &row : colours) {
        colour.setValue(row.value);
        EXPECT_EQ(colour.colorWell()->color().isValid(), row.shown.isValid()) << row.value.toString().toStdString();
        if (row.shown.isValid()) {
            EXPECT_EQ(colour.colorWell()->color(), row.shown);
        }
    }

    NTXTextViewInspectorRatingField rating(QStringLiteral("rating"), QString(), nullptr);
    const struct
    {
        QVariant value;
        int level;
    } levels[] = {{3, 3}, {QVariantList{2, 3}, 0}, {QVariantList{4, 4}, 4}, {9, 5}, {-2, 0}, {2.7, 2},
                  {QStringLiteral("x"), 2}, {QVariantList{}, 0}};
    for (const auto &row : levels) {
        rating.setValue(row.value);
        EXPECT_EQ(rating.levelIndicator()->level(), row.level) << row.value.toString().toStdString();
    }

    Model model;
    rating.bind(QStringLiteral("value"), &model, QStringLiteral("value"));
    platform::LevelIndicator *stars = rating.levelIndicator();
    stars->show();
    QTest::mouseClick(stars, Qt::LeftButton, {}, QPoint(stars->width() - 1, stars->height() / 2));
    EXPECT_EQ(model.value, QVariant(5));
    QTest::mouseClick(stars, Qt::LeftButton, {}, QPoint(0, stars->height() / 2));
    EXPECT_EQ(model.value, QVariant(0));
    rating.setEditable(false);
    QTest::mouseClick(stars, Qt::LeftButton, {}, QPoint(stars->width() - 1, stars->height() / 2));
    EXPECT_EQ(model.value, QVariant(0)) << "a read-only rating ignores clicks";
}

TEST(InspectorFieldKinds, TokenListRows)
{
    platform::ArrayController controller;
    NTXTextViewInspectorTokenListField list(QStringLiteral("tags"), QStringLiteral("Tag"), nullptr);
    list.bindToObject(&controller, QStringLiteral("arrangedObjects"), QString(), QString());
    controller.setContentArray({QStringLiteral("a"), QStringLiteral("b")});
    ASSERT_EQ(list.allRows().size(), 2);
    const auto tokensOfRow = [&](qsizetype index) {
        return static_cast<NTXTextViewInspectorTokenListFieldItem *>(list.rowAtIndex(index).get())->tokenField();
    };
    EXPECT_EQ(tokensOfRow(1)->tokens(), QStringList{QStringLiteral("b")});
    EXPECT_EQ(tokensOfRow(1)->placeholderText(), QStringLiteral("Tag"));

    // Clearing a row removes its element.
    platform::TokenField *second = tokensOfRow(1);
    QTest::keyClick(second, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(second, Qt::Key_Backspace);
    Q_EMIT second->editingFinished();
    testsupport::settleEvents();
    EXPECT_EQ(controller.arrangedObjects(), QVariantList{QStringLiteral("a")});
    ASSERT_EQ(list.allRows().size(), 1);

    // A line break adds an empty row right after its row; typed tokens are stored.
    platform::TokenField *first = tokensOfRow(0);
    QTest::keyClicks(first, QStringLiteral("; c"));
    QTest::keyClick(first, Qt::Key_Return);
    testsupport::settleEvents();
    ASSERT_EQ(list.allRows().size(), 2);
    EXPECT_FALSE(list.rowAtIndex(1)->value().isValid());
    EXPECT_TRUE(tokensOfRow(1)->text().isEmpty());
    EXPECT_EQ(controller.arrangedObjects(), QVariantList{QStringLiteral("a")}) << "the first token is the element";

    // A pasted line break counts as a typed one, and nothing typed is lost.
    QSignalSpy breaks(first, &platform::TokenField::lineBreakTyped);
    first->setText(QStringLiteral("x\ny"));
    EXPECT_EQ(breaks.size(), 1);
    EXPECT_EQ(first->tokens(), (QStringList{QStringLiteral("x"), QStringLiteral("y")}));
    EXPECT_EQ(platform::TokenField::tokensOfText(QStringLiteral(" a ;; ;b;")), (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
}

TEST(InspectorFieldKinds, IntegerFormatterRoundTrips)
{
    NTXTextViewInspectorIntegerField first(QStringLiteral("count"), QString(), nullptr);
    NTXTextViewInspectorIntegerField second(QStringLiteral("other"), QString(), nullptr);
    ASSERT_TRUE(first.formatter());
    EXPECT_EQ(first.formatter(), second.formatter()) << "made once, shared";
    const platform::Formatter &integers = *first.formatter();
    const struct
    {
        QString text;
        std::optional<double> number;
    } rows[] = {{QStringLiteral("42"), 42}, {QStringLiteral(" -7 "), -7}, {QStringLiteral("1.5"), std::nullopt},
                {QStringLiteral("abc"), std::nullopt}, {QStringLiteral(""), std::nullopt}};
    for (const auto &row : rows) {
        QVariant value;
        const bool read = integers.getObjectValue(value, row.text, nullptr);
        EXPECT_EQ(read, row.number.has_value()) << row.text.toStdString();
        if (read && row.number) {
            EXPECT_EQ(value.toDouble(), *row.number);
        }
    }
    const QString huge = integers.stringForObjectValue(1e300);
    EXPECT_EQ(huge.size(), 301) << "all the digits, not an empty text";
    QVariant back;
    ASSERT_TRUE(integers.getObjectValue(back, huge, nullptr));
    EXPECT_EQ(back.toDouble(), 1e300);
    EXPECT_EQ(first.valueObjectForString(QStringLiteral("12")), QVariant(12.0));
}

TEST(InspectorFieldKinds, MailAddressCannotAddHeaders)
{
    const QString address = QStringLiteral("a@b.c?bcc=x@y.z");
    ASSERT_TRUE(NTXNSStringExtension::validateEMailAddress(address)) << "the loose check lets it pass";
    const QUrl url = NTXTextViewInspectorEmailField::mailURLForAddress(address);
    EXPECT_EQ(url.scheme(), QStringLiteral("mailto"));
    EXPECT_FALSE(url.hasQuery());
    EXPECT_FALSE(url.hasFragment());
    EXPECT_EQ(url.path(QUrl::FullyDecoded), address);
    EXPECT_EQ(url.toEncoded(), QByteArray("mailto:a@b.c%3Fbcc=x@y.z"));

    const auto model = platform::DataModel::create({});
    const platform::DataEntity entity = model->addEntity(QStringLiteral("Person"), {QStringLiteral("mail")});
    const auto field = NTXTextViewInspectorEmailField::fieldWithPropertyName(QStringLiteral("mail"), entity);
    ASSERT_EQ(field->allFields().size(), 2);
    EXPECT_EQ(field->identifier(), QStringLiteral("mail"));
    QList<QUrl> opened;
    int beeps = 0;
    const auto oldOpener = NTXTextViewInspectorLinkField::setURLOpener([&](const QUrl &u) {
        opened.append(u);
        return true;
    });
    const auto oldBeeper = NTXTextViewInspectorLinkField::setBeeper([&] { ++beeps; });
    const struct
    {
        QVariant value;
        bool opens;
    } rows[] = {{QStringLiteral("   "), false},     {QVariant(), false},
                {QVariantList{QStringLiteral("a@b.c"), QStringLiteral("d@e.f")}, false},
                {QVariantList{}, false},          {42, false},
                {QStringLiteral(" a@b.c "), true}, {QVariantList{address}, true}};
    for (const auto &row : rows) {
        field->textField()->setValue(row.value);
        opened.clear();
        beeps = 0;
        field->writeEmailAction(nullptr);
        EXPECT_EQ(opened.size(), row.opens ? 1 : 0) << row.value.toString().toStdString();
        EXPECT_EQ(beeps, row.opens ? 0 : 1);
    }
    EXPECT_EQ(opened.value(0).toEncoded(), QByteArray("mailto:a@b.c%3Fbcc=x@y.z"));
    field->textField()->setValue(QStringLiteral("a@b.c"));
    EXPECT_TRUE(field->buttonField()->button()->isEnabled());
    field->textField()->setValue(QStringLiteral("nobody"));
    EXPECT_FALSE(field->buttonField()->button()->isEnabled()) << "the button follows the text's validity";
    NTXTextViewInspectorLinkField::setURLOpener(oldOpener);
    NTXTextViewInspectorLinkField::setBeeper(oldBeeper);
}

TEST(ImageView, DrawsImageCentredWithShadowBelow)
{
    NTXImageView view;
    view.resize(116, 116);
    QImage red(10, 10, QImage::Format_ARGB32_Premultiplied);
    red.fill(Qt::red);
    view.setImage(red);
    EXPECT_EQ(view.imageRectForSize(red.size()), QRectF(8, 8, 100, 100));
    const QImage shot = view.grab().toImage();
    // Red from 8 to 107 both ways, under a light grey outline on its edge.
    EXPECT_EQ(shot.pixelColor(9, 9), QColor(Qt::red));
    EXPECT_EQ(shot.pixelColor(106, 106), QColor(Qt::red));
    EXPECT_EQ(shot.pixelColor(58, 58), QColor(Qt::red));
    EXPECT_EQ(shot.pixelColor(8, 58), QColor(170, 170, 170));
    EXPECT_NE(shot.pixelColor(6, 58), QColor(Qt::red));
    EXPECT_NE(shot.pixelColor(109, 58), QColor(Qt::red));
    const QColor under = shot.pixelColor(58, 110);
    const QColor over = shot.pixelColor(58, 5);
    EXPECT_LT(under.lightness(), 235) << "the shadow lies below the image";
    EXPECT_GT(over.lightness(), under.lightness());
    ASSERT_TRUE(view.shadow());
}

TEST(ImageView, GreyBackgroundWindowTakesTheHighlightColour)
{
    NTXGreyBackgroundWindow window;
    window.resize(40, 30);
    EXPECT_EQ(window.grab().toImage().pixelColor(20, 15), window.palette().color(QPalette::Light));
}

TEST(ImageView, WithoutImageShowsInfoText)
{
    NTXImageView view;
    view.resize(120, 120);
    EXPECT_EQ(view.shownInfoText(), QStringLiteral("No Image Available"));
    view.setInfoText(QStringLiteral("Drop"));
    EXPECT_EQ(view.shownInfoText(), QStringLiteral("Drop"));
    const QImage shot = view.grab().toImage();
    int outline = 0;
    for (int x = 40; x < 80; ++x)
        outline += shot.pixelColor(x, 5) != QColor(Qt::white);
    EXPECT_GT(outline, 10) << "the dashed outline";
    EXPECT_EQ(shot.pixelColor(60, 60).red(), shot.pixelColor(60, 60).blue());
}

// The empty well's outline is dashed 10 on and 10 off along its straight sides: the
// dashes end flat, not lengthened by caps.
TEST(ImageView, TheEmptyWellsOutlineIsDashedTenOnTenOff)
{
    NTXImageView view;
    view.resize(300, 120);
    const QImage shot = view.grab().toImage();
    // Runs of inked and clear pixels along the top side's middle row (5 in), clear of
    // the rounded corners (radius 15).
    QList<std::pair<bool, int>> runs;
    for (int x = 25; x < 275; ++x) {
        const bool inked = shot.pixelColor(x, 5).lightness() < 212;
        if (runs.isEmpty() || runs.last().first != inked)
            runs.append({inked, 0});
        ++runs.last().second;
    }
    ASSERT_GE(runs.size(), 16);
    // The first and last runs are cut by the scan; one more may be where the outline's
    // path starts and ends.
    int irregular = 0;
    for (qsizetype i = 1; i + 1 < runs.size(); ++i)
        irregular += std::abs(runs[i].second - 10) > 1;
    EXPECT_LE(irregular, 1);
}

// The placeholder text is 18 pixels high at most: "No Image Available" stays whole
// inside a 100-pixel well, within the bounds less 10 on each side (a cut word would
// reach the edges of those bounds).
TEST(ImageView, PlaceholderTextFitsASmallWell)
{
    NTXImageView view;
    view.resize(100, 100);
    ASSERT_EQ(view.shownInfoText(), QStringLiteral("No Image Available"));
    const QImage shot = view.grab().toImage();
    if (!qEnvironmentVariableIsEmpty("CHRONARK_SCREENSHOT_DIR"))
        shot.save(QDir(qEnvironmentVariable("CHRONARK_SCREENSHOT_DIR")).filePath(QStringLiteral("image-well-placeholder.png")));
    int inked = 0;
    // Between the dashed outline (5 in, 5 wide) and the text's bounds (10 in), clear of
    // the outline's rounded corners, nothing is drawn.
    for (int along = 25; along < 75; ++along) {
        for (int x = 20; x < 80; ++x)
            inked += shot.pixelColor(x, along) != QColor(Qt::white);
        for (const int across : {8, 9, 10, 89, 90, 91}) {
            EXPECT_EQ(shot.pixelColor(across, along), QColor(Qt::white)) << across << "," << along;
            EXPECT_EQ(shot.pixelColor(along, across), QColor(Qt::white)) << along << "," << across;
        }
    }
    EXPECT_GT(inked, 50) << "the text is drawn";
    // Three lines of an 18-pixel font: their ink spans less than three line heights
    // of 18 × 1.25 (24 pixels, as 18 points would be, spans more).
    int top = shot.height(), bottom = -1;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 25; x < 75; ++x)
            if (shot.pixelColor(x, y) != QColor(Qt::white) && y > 10 && y < 90) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    EXPECT_LE(bottom - top + 1, 3 * 18 * 1.25);
}

namespace {

// A target that counts the actions it receives.
class ActionCounter : public QObject
{
    Q_OBJECT
public:
    int count = 0;
    QObject *sender = nullptr;
    Q_INVOKABLE void imageChosen(QObject *from)
    {
        ++count;
        sender = from;
    }
};

} // namespace

TEST(ImageView, ChooserCancelOKAndRefusedFiles)
{
    QWidget window;
    window.resize(300, 300);
    auto *view = new NTXImageView(&window);
    view->setGeometry(10, 10, 120, 120);
    window.show();
    ActionCounter target;
    view->setTarget(&target);
    view->setAction("imageChosen:");
    NTXSheetPresentation::sharedSheetPresentation().setFadeDuration(0);

    NTXImageView::ChooserDone pending;
    view->setImageChooser([&](NTXImageView *, NTXImageView::ChooserDone done) { pending = std::move(done); });
    QTest::mouseClick(view, Qt::LeftButton);
    ASSERT_TRUE(pending);
    EXPECT_TRUE(NTXSheetPresentation::sharedSheetPresentation().presentationViewForWindow(&window))
        << "the window is dimmed while the chooser is up";
    std::exchange(pending, nullptr)(NTXImageView::ChooserCancel, QString());
    testsupport::settleEvents();
    EXPECT_EQ(target.count, 0);
    EXPECT_TRUE(view->image().isNull());

    QTemporaryDir dir;
    const QString good = dir.filePath(QStringLiteral("good.png"));
    QImage picture(40, 20, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    ASSERT_TRUE(picture.save(good));
    QTest::mouseClick(view, Qt::LeftButton);
    std::exchange(pending, nullptr)(NTXImageView::ChooserOK, good);
    EXPECT_EQ(target.count, 1);
    EXPECT_EQ(target.sender, view);
    EXPECT_EQ(view->image().size(), QSize(40, 20));

    // Refused files: the old image stays, no action, a message on the window.
    QFile pngFile(good);
    ASSERT_TRUE(pngFile.open(QIODevice::ReadOnly));
    const QByteArray png = pngFile.readAll();
    // Signature and header claiming 20480 × 20480, an empty data chunk and the end.
    QByteArray huge = png.left(33);
    huge.replace(16, 8, QByteArray::fromHex("0000500000005000"));
    huge.replace(29, 4, bigEndian(crc32(huge.mid(12, 17))));
    for (const QByteArray &chunk : {QByteArray("IDAT"), QByteArray("IEND")})
        huge += QByteArray(4, '\0') + chunk + bigEndian(crc32(chunk));
    const struct
    {
        const char *name;
        QByteArray bytes;
    } refused[] = {{"truncated.png", png.left(png.size() / 2)}, {"text.png", "not an image at all"}, {"huge.png", huge}};
    for (const auto &file : refused) {
        const testsupport::ExpectedQtWarning tooLarge(QStringLiteral("exceeds the current allocation limit"));
        const QString path = dir.filePath(QString::fromLatin1(file.name));
        ASSERT_TRUE(testsupport::writeFile(path, file.bytes));
        QTest::mouseClick(view, Qt::LeftButton);
        std::exchange(pending, nullptr)(NTXImageView::ChooserOK, path);
        testsupport::settleEvents();
        EXPECT_EQ(target.count, 1) << file.name;
        EXPECT_EQ(view->image().size(), QSize(40, 20)) << file.name;
        auto *alert = qobject_cast<QMessageBox *>(platform::Sheet::sheetOfWindow(&window));
        ASSERT_TRUE(alert) << file.name;
        EXPECT_TRUE(alert->informativeText().startsWith(QString::fromLatin1(file.name)));
        if (std::strcmp(file.name, "huge.png") == 0) {
            EXPECT_EQ(tooLarge.count(), 1) << "refused by the allocation limit";
        }
        platform::Sheet::end(alert, QMessageBox::Ok);
        testsupport::settleEvents();
    }

    // The default chooser: a file dialog as the window's sheet.
    view->setImageChooser({});
    QTest::mouseClick(view, Qt::LeftButton);
    auto *dialog = qobject_cast<QFileDialog *>(platform::Sheet::sheetOfWindow(&window));
    ASSERT_TRUE(dialog);
    EXPECT_EQ(platform::Sheet::activeSheet(), dialog);
    QPointer<QFileDialog> first = dialog;
    dialog->reject();
    testsupport::settleEvents();
    EXPECT_EQ(target.count, 1);
    EXPECT_FALSE(platform::Sheet::sheetOfWindow(&window));
    // The next choice asks with the same dialog.
    QTest::mouseClick(view, Qt::LeftButton);
    dialog = qobject_cast<QFileDialog *>(platform::Sheet::sheetOfWindow(&window));
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog, first.data());
    dialog->reject();
    testsupport::settleEvents();
    EXPECT_EQ(target.count, 1);
    EXPECT_FALSE(platform::Sheet::sheetOfWindow(&window));

    view->setImageChooser([&](NTXImageView *, NTXImageView::ChooserDone done) { pending = std::move(done); });
    view->setEditable(false);
    QTest::mouseClick(view, Qt::LeftButton);
    EXPECT_FALSE(pending) << "a read-only well ignores clicks";
    NTXSheetPresentation::sharedSheetPresentation().setFadeDuration(1000);
}

#include "TestInspectorFieldKinds.moc"
