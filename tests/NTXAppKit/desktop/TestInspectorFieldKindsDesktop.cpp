// The inspector's field kinds on a real X server: the e-mail button handing a mail
// URL to the desktop (the real xdg-open, a fake mail handler in temporary XDG
// folders), and a gallery of the thirteen kinds with one, several and no values,
// editable and read-only, and the image well with and without an image
// (inspector-field-kinds-gallery.png in the build folder, for a person to look at).
#include "NTXAppKit/NTXImageView/NTXImageView.h"
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
#include <QGridLayout>
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
    auto *grid = new QGridLayout(&window);
    const QStringList columns = {QStringLiteral("one value"), QStringLiteral("several values"),
                                 QStringLiteral("no value"), QStringLiteral("read-only: one value")};
    for (int c = 0; c < columns.size(); ++c)
        grid->addWidget(new QLabel(QStringLiteral("<b>%1</b>").arg(columns.at(c))), 0, c + 1);

    std::list<platform::ArrayController> tagLists;
    QImage picture = testsupport::numberedPicture(2, 64, 40);
    const QColor blue(40, 90, 200);
    struct Kind
    {
        QString name;
        std::function<NTXTextViewInspectorFieldPtr()> make;
        QVariant one, several;
    };
    const QList<Kind> kinds = {
        {QStringLiteral("Check box"), [] { return Field::fieldWithIdentifier<NTXTextViewInspectorCheckboxField>(QStringLiteral("k"), NoLabel); },
         true, QVariantList{1, 0}},
        {QStringLiteral("Colour"), [] { return Field::fieldWithIdentifier<NTXTextViewInspectorColorField>(QStringLiteral("k"), NoLabel); },
         blue, QVariantList{blue, QColor(Qt::red)}},
        {QStringLiteral("Country"), [] { return Field::fieldWithIdentifier<NTXTextViewInspectorCountryField>(QStringLiteral("k"), NoLabel); },
         QStringLiteral("ch"), QVariantList{QStringLiteral("ch"), QStringLiteral("at")}},
        {QStringLiteral("Date"), [] { return Field::fieldWithIdentifier<NTXTextViewInspectorDateField>(QStringLiteral("k"), NoLabel); },
         QDateTime(QDate(2026, 12, 7), QTime(9, 30)), QVariantList{QDate(2026, 1, 1), QDate(2026, 2, 2)}},
        {QStringLiteral("E-mail"), [] { return NTXTextViewInspectorFieldPtr(mailField()); },
         QStringLiteral("someone@example.org"), QVariantList{QStringLiteral("a@b.c"), QStringLiteral("d@e.f")}},
        {QStringLiteral("Image"), [] { return Field::fieldWithIdentifier<NTXTextViewInspectorImageField>(QStringLiteral("k"), NoLabel); },
         picture, QVariantList{picture, QImage()}},
        {QStringLiteral("Integer"), [] { return Field::fieldWithIdentifier<NTXTextViewInspectorIntegerField>(QStringLiteral("k"), NoLabel); },
         1234, QVariantList{1, 2}},
        {QStringLiteral("Language"), [] { return Field::fieldWithIdentifier<NTXTextViewInspectorLanguageField>(QStringLiteral("k"), NoLabel); },
         QStringLiteral("fr"), QVariantList{QStringLiteral("fr"), QStringLiteral("it")}},
        {QStringLiteral("Rating"), [] { return Field::fieldWithIdentifier<NTXTextViewInspectorRatingField>(QStringLiteral("k"), NoLabel); },
         3, QVariantList{2, 4}},
        {QStringLiteral("Small button"), [] {
             auto button = Field::fieldWithIdentifier<NTXTextViewInspectorSmallButtonField>(QStringLiteral("k"), NoLabel);
             button->setImage(QIcon(QPixmap::fromImage(testsupport::numberedPicture(0, 14, 0))));
             return NTXTextViewInspectorFieldPtr(button);
         },
         QVariant(), QVariant()},
        {QStringLiteral("Text"), [] { return Field::fieldWithIdentifier<NTXTextViewInspectorTextField>(QStringLiteral("k"), NoLabel); },
         QStringLiteral("plain text"), QVariantList{QStringLiteral("a"), QStringLiteral("b")}},
        {QStringLiteral("Token list"), [&tagLists] {
             auto list = Field::fieldWithIdentifier<NTXTextViewInspectorTokenListField>(QStringLiteral("k"), NoLabel);
             platform::ArrayController &tags = tagLists.emplace_back();
             list->bindToObject(&tags, QStringLiteral("arrangedObjects"), QString(), QString());
             tags.setContentArray({QStringLiteral("urgent"), QStringLiteral("home")});
             return NTXTextViewInspectorFieldPtr(list);
         },
         QVariant(), QVariantList{QVariantList{QStringLiteral("a")}, QVariantList{QStringLiteral("b")}}},
        {QStringLiteral("URL"), [] {
             static const auto model = platform::DataModel::create({{QStringLiteral("Property/url"), QStringLiteral("Web Page")}});
             static const platform::DataEntity entity = model->addEntity(QStringLiteral("Site"), {QStringLiteral("url")});
             return NTXTextViewInspectorFieldPtr(NTXTextViewInspectorURLField::fieldWithPropertyName(QStringLiteral("url"), entity));
         },
         QStringLiteral("www.example.org"), QVariantList{QStringLiteral("a.org"), QStringLiteral("b.org")}},
    };
    QList<NTXTextViewInspectorFieldPtr> keep;
    // The widgets that show a field: its view, a compound's sub-fields' views, a list's rows' views,
    // or a line edit with the text the inspector would show.
    const std::function<QWidget *(const NTXTextViewInspectorFieldPtr &, bool)> widgetFor =
        [&](const NTXTextViewInspectorFieldPtr &field, bool editable) -> QWidget * {
        if (auto *viewField = dynamic_cast<NTXTextViewInspectorViewField *>(field.get())) {
            if (!editable) {
                const QString replacement = viewField->notEditableReplacementString();
                if (!viewField->shouldBeVisibleWithEditableState(false))
                    return new QLabel(QStringLiteral("<i>(not shown)</i>"));
                if (!replacement.isNull())
                    return new QLabel(replacement);
            }
            // The inspector places a control at its own frame's size.
            viewField->view()->setMinimumSize(viewField->view()->size());
            return viewField->view();
        }
        if (auto *text = dynamic_cast<NTXTextViewInspectorTextField *>(field.get())) {
            QString shown = text->displayStringForValue();
            if (shown.isNull())
                shown = text->valueState() == Field::SeveralValues ? NTXTextViewInspectorTextField::multipleValuesText()
                                                                   : QStringLiteral("<font color=gray>%1</font>").arg(text->placeholder());
            return new QLabel(shown);
        }
        if (auto *compound = dynamic_cast<NTXTextViewInspectorCompoundField *>(field.get())) {
            auto *box = new QWidget;
            auto *row = new QHBoxLayout(box);
            row->setContentsMargins(0, 0, 0, 0);
            for (const NTXTextViewInspectorFieldPtr &sub : compound->allFields())
                if (QWidget *w = widgetFor(sub, editable))
                    row->addWidget(w);
            row->addStretch();
            if (dynamic_cast<NTXTextViewInspectorListField *>(compound))
                row->setDirection(QBoxLayout::TopToBottom);
            return box;
        }
        return nullptr;
    };
    for (int r = 0; r < kinds.size(); ++r) {
        const Kind &kind = kinds.at(r);
        grid->addWidget(new QLabel(kind.name + QLatin1Char(':')), r + 1, 0, Qt::AlignRight);
        const QVariant values[] = {kind.one, kind.several, QVariant(), kind.one};
        for (int c = 0; c < 4; ++c) {
            const NTXTextViewInspectorFieldPtr field = kind.make();
            keep.append(field);
            const bool editable = c < 3;
            field->setEditable(editable);
            if (auto *link = dynamic_cast<NTXTextViewInspectorLinkField *>(field.get()))
                link->textField()->setValue(values[c]);
            else if (values[c].isValid() || c == 2)
                field->setValue(values[c]);
            if (QWidget *w = widgetFor(field, editable))
                grid->addWidget(w, r + 1, c + 1, Qt::AlignLeft | Qt::AlignVCenter);
        }
    }
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    testsupport::settleEvents();
    const QImage shot = window.grab().toImage();
    const QString file = QCoreApplication::applicationDirPath() + QStringLiteral("/inspector-field-kinds-gallery.png");
    ASSERT_TRUE(shot.save(file));
    EXPECT_GT(shot.width(), 400);
    QLocale::setDefault(oldLocale);
}
