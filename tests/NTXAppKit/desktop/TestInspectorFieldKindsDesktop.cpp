// The inspector's field kinds on a real X server: the e-mail button handing a mail
// URL to the desktop (the real xdg-open, a fake mail handler in temporary XDG
// folders), and a gallery of the thirteen kinds in inspectors with one, several and
// no values, editable and read-only, the image well with and without an image
// (inspector-field-kinds-gallery.png in the build folder, for a person to look at).
#include "NTXAppKit/NTXImageView/NTXImageView.h"
#include "NTXAppKit/inspector/NTXTextViewInspector.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorCheckboxField.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorColorField.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorCountryField.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorDateField.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorEmailField.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorImageField.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorIntegerField.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorLanguageField.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorRatingField.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorSmallButtonField.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorTextField.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorTokenListField.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorURLField.h"
#include "platform/foundation/ArrayController.h"
#include "platform/foundation/DataModel.h"
#include "tests/support/TestSupport.h"

#include <QCoreApplication>
#include <QFile>
#include <QBoxLayout>
#include <list>
#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

using Field = NTXTextViewInspectorField;

namespace {

const auto NoLabel = NTXTextViewInspectorFieldLabelPtr();

std::shared_ptr<NTXTextViewInspectorEmailField> mailField()
{
    static const auto model = platform::DataModel::create({{QStringLiteral("Property/mail"), QStringLiteral("E-Mail")}});
    static const platform::DataEntity entity = model->addEntity(QStringLiteral("Person"), {QStringLiteral("mail")});
    return NTXTextViewInspectorEmailField::fieldWithPropertyName(QStringLiteral("mail"), entity);
}

} // namespace

TEST(InspectorFieldKindsDesktop, EmailButtonReachesTheMailHandler)
{
    testsupport::ScopedXdgHome home;
    const QString record = home.path() + QStringLiteral("/opened.txt");
    const QString script = home.path() + QStringLiteral("/fake-mail");
    ASSERT_TRUE(testsupport::writeFile(script, "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" + record.toUtf8() + "'\n"));
    QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    ASSERT_TRUE(testsupport::writeFile(home.path() + QStringLiteral("/xdg_data_home/applications/fake-mail.desktop"),
                                       "[Desktop Entry]\nType=Application\nName=Fake Mail\nExec=" + script.toUtf8() +
                                           " %u\nMimeType=x-scheme-handler/mailto;\n"));
    ASSERT_TRUE(testsupport::writeFile(home.path() + QStringLiteral("/xdg_config_home/mimeapps.list"),
                                       "[Default Applications]\nx-scheme-handler/mailto=fake-mail.desktop\n"));

    int beeps = 0;
    const auto oldBeeper = NTXTextViewInspectorLinkField::setBeeper([&] { ++beeps; });
    const auto field = mailField();
    field->textField()->setValue(QStringLiteral("   "));
    field->writeEmailAction(nullptr);
    EXPECT_EQ(beeps, 1);
    field->textField()->setValue(QStringLiteral("someone@example.org?bcc=spy@example.org"));
    field->writeEmailAction(nullptr);
    EXPECT_EQ(beeps, 1);
    NTXTextViewInspectorLinkField::setBeeper(oldBeeper);

    ASSERT_TRUE(QTest::qWaitFor([&] { return testsupport::readFile(record).endsWith('\n'); }, 20000));
    EXPECT_EQ(testsupport::readFile(record), QByteArray("mailto:someone@example.org%3Fbcc=spy@example.org\n"))
        << "one call, the address alone (the blank text opened nothing)";
}

TEST(InspectorFieldKindsDesktop, Gallery)
{
    // Country and language names in English whatever the machine's locale.
    const QLocale oldLocale;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    QWidget window;
    window.setWindowTitle(QStringLiteral("Inspector field kinds"));
    auto *grid = new QHBoxLayout(&window);

    std::list<platform::ArrayController> tagLists;
    const QImage picture = testsupport::numberedPicture(2, 64, 40);
    const QColor blue(40, 90, 200);
    const auto label = [](const char *text) { return NTXTextViewInspectorFieldLabel::fieldLabelWithString(QString::fromLatin1(text) + QLatin1Char(':')); };
    struct Kind
    {
        std::function<NTXTextViewInspectorFieldPtr()> make;
        QVariant one, several;
    };
    const QList<Kind> kinds = {
        {[&] { return Field::fieldWithIdentifier<NTXTextViewInspectorCheckboxField>(QStringLiteral("done"), label("Done")); },
         true, QVariantList{1, 0}},
        {[&] { return Field::fieldWithIdentifier<NTXTextViewInspectorColorField>(QStringLiteral("colour"), label("Colour")); },
         blue, QVariantList{blue, QColor(Qt::red)}},
        {[&] { return Field::fieldWithIdentifier<NTXTextViewInspectorCountryField>(QStringLiteral("country"), label("Country")); },
         QStringLiteral("ch"), QVariantList{QStringLiteral("ch"), QStringLiteral("at")}},
        {[&] { return Field::fieldWithIdentifier<NTXTextViewInspectorDateField>(QStringLiteral("due"), label("Due")); },
         QDateTime(QDate(2026, 12, 7), QTime(9, 30)), QVariantList{QDate(2026, 1, 1), QDate(2026, 2, 2)}},
        {[] { return NTXTextViewInspectorFieldPtr(mailField()); },
         QStringLiteral("someone@example.org"), QVariantList{QStringLiteral("a@b.c"), QStringLiteral("d@e.f")}},
        {[&] { return Field::fieldWithIdentifier<NTXTextViewInspectorImageField>(QStringLiteral("photo"), label("Photo")); },
         picture, QVariantList{picture, QImage()}},
        {[&] { return Field::fieldWithIdentifier<NTXTextViewInspectorIntegerField>(QStringLiteral("count"), label("Count")); },
         1234, QVariantList{1, 2}},
        {[&] { return Field::fieldWithIdentifier<NTXTextViewInspectorLanguageField>(QStringLiteral("language"), label("Language")); },
         QStringLiteral("fr"), QVariantList{QStringLiteral("fr"), QStringLiteral("it")}},
        {[&] { return Field::fieldWithIdentifier<NTXTextViewInspectorRatingField>(QStringLiteral("rating"), label("Rating")); },
         3, QVariantList{2, 4}},
        {[&] {
             auto button = Field::fieldWithIdentifier<NTXTextViewInspectorSmallButtonField>(QStringLiteral("action"), label("Action"));
             button->setImage(QIcon(QPixmap::fromImage(testsupport::numberedPicture(0, 14, 0))));
             return NTXTextViewInspectorFieldPtr(button);
         },
         QVariant(), QVariant()},
        {[&] {
             auto list = Field::fieldWithIdentifier<NTXTextViewInspectorTokenListField>(QStringLiteral("tags"), label("Tags"));
             platform::ArrayController &tags = tagLists.emplace_back();
             list->bindToObject(&tags, QStringLiteral("arrangedObjects"), QString(), QString());
             tags.setContentArray({QStringLiteral("urgent"), QStringLiteral("home")});
             return NTXTextViewInspectorFieldPtr(list);
         },
         QVariant(), QVariant()},
        {[] {
             static const auto model = platform::DataModel::create({{QStringLiteral("Property/url"), QStringLiteral("Web Page")}});
             static const platform::DataEntity entity = model->addEntity(QStringLiteral("Site"), {QStringLiteral("url")});
             return NTXTextViewInspectorFieldPtr(NTXTextViewInspectorURLField::fieldWithPropertyName(QStringLiteral("url"), entity));
         },
         QStringLiteral("www.example.org"), QVariantList{QStringLiteral("a.org"), QStringLiteral("b.org")}},
    };
    const char *captions[] = {"One value", "Several values", "No value", "Read-only, one value"};
    QList<NTXTextViewInspector *> inspectors;
    QList<NTXTextViewInspectorFieldPtr> all;
    for (int c = 0; c < 4; ++c) {
        QList<NTXTextViewInspectorFieldPtr> fields;
        for (const Kind &kind : kinds) {
            const NTXTextViewInspectorFieldPtr field = kind.make();
            const QVariant value = c == 0 || c == 3 ? kind.one : c == 1 ? kind.several : QVariant();
            if (auto *link = dynamic_cast<NTXTextViewInspectorLinkField *>(field.get()))
                link->textField()->setValue(value);
            else if (value.isValid() || c == 2)
                field->setValue(value);
            fields.append(field);
        }
        all += fields;
        auto *box = new QWidget;
        auto *column = new QVBoxLayout(box);
        column->addWidget(new QLabel(QStringLiteral("<b>%1</b>").arg(QString::fromLatin1(captions[c]))));
        auto *inspector = new NTXTextViewInspector;
        inspector->setFixedSize(330, 560);
        column->addWidget(inspector);
        grid->addWidget(box);
        inspector->beginFieldEditing();
        inspector->addFieldsArray(fields);
        inspector->endFieldEditing();
        inspector->setEditableState(c < 3);
        inspectors.append(inspector);
    }
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    for (NTXTextViewInspector *inspector : std::as_const(inspectors))
        inspector->layoutAttachments();
    testsupport::settleEvents();
    EXPECT_LT(inspectors.at(3)->visibleFieldsArray().size(), inspectors.at(0)->visibleFieldsArray().size())
        << "controls without text are not shown read-only";

    const QImage shot = window.grab().toImage();
    const QString file = testsupport::screenshotPath(QStringLiteral("inspector-field-kinds-gallery.png"));
    ASSERT_TRUE(shot.save(file));
    QLocale::setDefault(oldLocale);
}
