// Fuzz target: the inspector's field kinds given values of any type, and the texts
// that the integer formatter, the token field and the two link buttons read. Every
// kind takes every value without crashing; the rating stays within 0-5; a number the
// integer formatter reads formats and reads back to itself; every mail URL the
// e-mail button opens has the scheme mailto, no query and no fragment, and decodes to
// the address.
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
#include "NTXAppKit/inspector/NTXTextViewInspectorTokenListField.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorTokenListFieldItem.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorURLField.h"
#include "platform/drawing/LevelIndicator.h"
#include "platform/drawing/TokenField.h"
#include "platform/foundation/DataModel.h"
#include "platform/foundation/KeyValueObserving.h"

#include <QColor>
#include <QDateTime>
#include <QImage>
#include <QLocale>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

class Input
{
public:
    Input(const uint8_t *data, size_t size) : m_data(data), m_size(size) {}
    bool atEnd() const { return m_pos >= m_size; }
    uint8_t byte() { return atEnd() ? 0 : m_data[m_pos++]; }
    template <class T> T number()
    {
        T value{};
        uint8_t raw[sizeof(T)] = {};
        for (uint8_t &b : raw)
            b = byte();
        std::memcpy(&value, raw, sizeof(T));
        return value;
    }
    QString text()
    {
        const size_t length = std::min<size_t>(byte(), m_size - std::min(m_pos, m_size));
        const QString decoded = QString::fromUtf8(reinterpret_cast<const char *>(m_data + m_pos), qsizetype(length));
        m_pos += length;
        return decoded;
    }

private:
    const uint8_t *m_data;
    size_t m_size;
    size_t m_pos = 0;
};

QVariant valueOf(Input &in, int depth)
{
    switch (in.byte() % 12) {
    case 0:
        return QVariant();
    case 1:
        return platform::nullValue();
    case 2:
        return bool(in.byte() & 1);
    case 3:
        return in.number<int32_t>();
    case 4:
        return in.number<double>();
    case 5:
        return in.text();
    case 6:
        return QColor::fromRgba(in.number<uint32_t>());
    case 7:
        return QDateTime::fromMSecsSinceEpoch(in.number<int64_t>() % (int64_t(1) << 50));
    case 8:
        return QDate::fromJulianDay(in.number<int32_t>());
    case 9: {
        QImage image(1 + in.byte() % 8, 1 + in.byte() % 8, QImage::Format_ARGB32);
        image.fill(QColor::fromRgba(in.number<uint32_t>()));
        return image;
    }
    case 10:
        return QStringList{in.text(), in.text()};
    default: {
        QVariantList list;
        const int count = depth < 3 ? in.byte() % 5 : 0;
        for (int i = 0; i < count; ++i)
            list.append(valueOf(in, depth + 1));
        return list;
    }
    }
}

struct Kinds
{
    std::shared_ptr<platform::DataModel> model = platform::DataModel::create({});
    platform::DataEntity entity = model->addEntity(QStringLiteral("Item"), {QStringLiteral("link")});
    QList<NTXTextViewInspectorFieldPtr> fields;
    std::shared_ptr<NTXTextViewInspectorRatingField> rating;
    std::shared_ptr<NTXTextViewInspectorEmailField> mail;
    std::shared_ptr<NTXTextViewInspectorURLField> web;
    std::shared_ptr<NTXTextViewInspectorIntegerField> integer;
    std::shared_ptr<NTXTextViewInspectorTokenListFieldItem> tokens;
    QList<QUrl> opened;

    Kinds()
    {
        using Field = NTXTextViewInspectorField;
        const auto none = NTXTextViewInspectorFieldLabelPtr();
        rating = Field::fieldWithIdentifier<NTXTextViewInspectorRatingField>(QStringLiteral("r"), none);
        mail = NTXTextViewInspectorEmailField::fieldWithPropertyName(QStringLiteral("link"), entity);
        web = NTXTextViewInspectorURLField::fieldWithPropertyName(QStringLiteral("link"), entity);
        integer = Field::fieldWithIdentifier<NTXTextViewInspectorIntegerField>(QStringLiteral("i"), none);
        tokens = Field::fieldWithIdentifier<NTXTextViewInspectorTokenListFieldItem>(QStringLiteral("t"), none);
        fields = {Field::fieldWithIdentifier<NTXTextViewInspectorCheckboxField>(QStringLiteral("c"), none),
                  Field::fieldWithIdentifier<NTXTextViewInspectorColorField>(QStringLiteral("o"), none),
                  Field::fieldWithIdentifier<NTXTextViewInspectorCountryField>(QStringLiteral("n"), none),
                  Field::fieldWithIdentifier<NTXTextViewInspectorLanguageField>(QStringLiteral("l"), none),
                  Field::fieldWithIdentifier<NTXTextViewInspectorDateField>(QStringLiteral("d"), none),
                  Field::fieldWithIdentifier<NTXTextViewInspectorImageField>(QStringLiteral("g"), none),
                  Field::fieldWithIdentifier<NTXTextViewInspectorSmallButtonField>(QStringLiteral("b"), none),
                  Field::fieldWithIdentifier<NTXTextViewInspectorTokenListField>(QStringLiteral("s"), none),
                  rating, mail, web, integer, tokens, mail->textField() ? mail->allFields().value(0) : nullptr};
        NTXTextViewInspectorLinkField::setURLOpener([this](const QUrl &url) {
            opened.append(url);
            return true;
        });
        NTXTextViewInspectorLinkField::setBeeper([] {});
    }
};

Kinds &kinds()
{
    static Kinds *shared = [] {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); // named countries and languages
        return new Kinds; // kept for the process: its widgets outlive no application
    }();
    return *shared;
}

void checkInteger(const platform::Formatter &formatter, const QString &text)
{
    QVariant read;
    if (!formatter.getObjectValue(read, text, nullptr))
        return;
    const double number = read.toDouble();
    const QString written = formatter.stringForObjectValue(number);
    QVariant again;
    if (!formatter.getObjectValue(again, written, nullptr) || again.toDouble() != number)
        std::abort(); // a number read must format and read back to itself
}

void checkMail(Kinds &k, const QString &text)
{
    k.opened.clear();
    k.mail->textField()->setValue(text);
    k.mail->writeEmailAction(nullptr);
    if (k.opened.size() > 1)
        std::abort();
    if (k.opened.isEmpty())
        return;
    const QUrl &url = k.opened.constFirst();
    if (url.scheme() != QLatin1String("mailto") || url.hasQuery() || url.hasFragment() ||
        url.path(QUrl::FullyDecoded) != text.trimmed())
        std::abort(); // the address alone, never headers
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Kinds &k = kinds();
    Input in(data, size);
    for (int round = 0; round < 4 && !in.atEnd(); ++round) {
        const QVariant value = valueOf(in, 0);
        for (const NTXTextViewInspectorFieldPtr &field : std::as_const(k.fields))
            if (field) {
                field->setValue(value);
                (void)field->notEditableReplacementString();
                (void)field->shouldBeVisibleWithEditableState(false);
            }
        const int level = k.rating->levelIndicator()->level();
        if (level < 0 || level > 5)
            std::abort();
    }
    const QString text = in.text() + in.text();
    checkInteger(*k.integer->formatter(), text);
    (void)k.integer->valueObjectForString(text);
    checkMail(k, text);
    k.web->textField()->setValue(text);
    k.web->openURLAction(nullptr);
    k.tokens->tokenField()->setText(text);
    for (const QString &token : k.tokens->tokenField()->tokens())
        if (token.isEmpty() || token.contains(QLatin1Char(';')) || token != token.trimmed())
            std::abort();
    for (const NTXTextViewInspectorFieldPtr &field : std::as_const(k.fields))
        if (field)
            field->setValue(QVariant());
    return 0;
}
