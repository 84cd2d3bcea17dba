// Drives the typing filter of the time-of-day and the small date control with key
// sequences made from the input bytes, through a simulated field editor (text,
// caret, selection), ending edits and stepping in between, and checks after every
// step that the values stay a time of day and a real date.
#include "NTXAppKit/TDSmallDateControl/TDDateFields.h"
#include "NTXAppKit/TDTimeControl/TDLocaleFormats.h"
#include "NTXAppKit/TDTimeControl/TDTimeFields.h"

#include <QDateTime>
#include <QString>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

struct Input
{
    const uint8_t *data;
    size_t size;
    size_t pos = 0;
    bool atEnd() const { return pos >= size; }
    uint8_t next() { return pos < size ? data[pos++] : 0; }
};

// The field editor as far as the filter sees it.
struct Editor
{
    QString text;
    qsizetype start = 0;  // selection start (or caret)
    qsizetype length = 0; // selection length

    void load(const QString &value)
    {
        text = value;
        start = 0;
        length = text.size();
    }
    void clampSelection()
    {
        start = std::clamp<qsizetype>(start, 0, text.size());
        length = std::clamp<qsizetype>(length, 0, text.size() - start);
    }
    void apply(platform::Range range, const QString &replacement)
    {
        if (!range.fitsIn(text.size()))
            return;
        text.replace(range.location, range.length, replacement);
        start = range.location + replacement.size();
        length = 0;
    }
};

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

void checkTime(const TDTimeFields &fields)
{
    if (fields.hour() < 0 || fields.hour() > 23)
        fail("hour outside 0..23");
    if (fields.minute() < 0 || fields.minute() > 59)
        fail("minute outside 0..59");
    if (fields.second() < 0 || fields.second() > 59)
        fail("second outside 0..59");
    if (!QDate(fields.year(), fields.month(), fields.day()).isValid())
        fail("time control lost its day");
}

void checkDate(const TDDateFields &fields)
{
    if (fields.month() < 1 || fields.month() > 12)
        fail("month outside 1..12");
    if (fields.day() < 1 || fields.day() > TDDaysInMonth(fields.month(), fields.year()))
        fail("day outside its month");
    if (!QDate(fields.year(), fields.month(), fields.day()).isValid())
        fail("not a date");
}

// The text a key makes: digits mostly, designator letters, and odd characters.
QString keyText(uint8_t byte)
{
    static const char16_t alphabet[] = u"0123456789apAPmx -:/.\u00E4\u0661";
    constexpr size_t count = sizeof(alphabet) / sizeof(alphabet[0]) - 1;
    if (byte >= 0xF0)
        return QString(QChar(char16_t(0xD800 + (byte & 0x0F)))); // a lone surrogate
    return QString(QChar(alphabet[byte % count]));
}

// One keystroke or command: answers the range and replacement a key would ask for,
// or false when the key is a command.
bool keyChange(Input &in, Editor &editor, platform::Range &range, QString &replacement)
{
    const uint8_t kind = in.next() % 5;
    editor.clampSelection();
    switch (kind) {
    case 0: // typed character
    case 1:
        range = platform::Range(editor.start, editor.length);
        replacement = keyText(in.next());
        return true;
    case 2: // backspace
        if (editor.length > 0)
            range = platform::Range(editor.start, editor.length);
        else if (editor.start > 0)
            range = platform::Range(editor.start - 1, 1);
        else
            range = platform::Range(0, 0);
        replacement.clear();
        return true;
    case 3: { // paste of a few characters
        range = platform::Range(editor.start, editor.length);
        replacement.clear();
        const int n = in.next() % 6;
        for (int i = 0; i < n; ++i)
            replacement += keyText(in.next());
        return true;
    }
    default: // caret and selection moves (also beyond the text)
        editor.start = qsizetype(in.next() % 8) - 1;
        editor.length = qsizetype(in.next() % 6);
        return false;
    }
}

void runTime(Input &in)
{
    TDTimeFields fields;
    TDLocaleFormats::TimeFormatInfo info;
    info.hourType = 1 + in.next() % 3;
    fields.setFormatInfo(info);
    fields.setDate(QDateTime(QDate(2009, 3, 14), QTime(9, 5, 7), Qt::UTC));
    int field = 0;
    Editor editor;
    editor.load(fields.fieldText(field));
    int steps = 0;
    while (!in.atEnd() && steps++ < 4096) {
        const uint8_t op = in.next() % 8;
        if (op < 4) {
            platform::Range range;
            QString replacement;
            if (keyChange(in, editor, range, replacement)) {
                const TDTimeFields::FilterResult result = fields.shouldChangeText(field, editor.text, range, replacement);
                if (result.replaceWhole)
                    editor.load(result.replacement);
                if (result.accept)
                    editor.apply(range, replacement);
            }
        } else if (op == 4) { // end of editing, then another field
            fields.acceptNewValue(field, editor.text, fields.fieldText(TDTimeFields::HourField),
                                  fields.is24Hour() ? QString() : fields.amPmString());
            field = in.next() % 4;
            if (field == TDTimeFields::AmPmField && fields.is24Hour())
                field = 0;
            editor.load(fields.fieldText(field));
        } else if (op == 5) {
            fields.stepField(field, in.next() & 1);
            editor.load(fields.fieldText(field));
        } else if (op == 6) { // a stepper with any old and new value
            const int old = int(int8_t(in.next()));
            const int now = int(int8_t(in.next()));
            fields.step(field, old, now, TDTimeFields::stepperMinimum(field), TDTimeFields::stepperMaximum(field));
            editor.load(fields.fieldText(field));
        } else {
            qint64 seconds = 0;
            for (int i = 0; i < 5; ++i)
                seconds = (seconds << 8) | in.next();
            fields.setDate(QDateTime::fromSecsSinceEpoch(seconds % (qint64(400) * 366 * 86400), Qt::UTC));
            editor.load(fields.fieldText(field));
        }
        checkTime(fields);
    }
}

void runDate(Input &in)
{
    TDDateFields fields;
    fields.setDate(QDateTime(QDate(2001, 1, 31), QTime(0, 0), Qt::UTC));
    int field = 0;
    Editor editor;
    editor.load(fields.fieldText(field));
    int steps = 0;
    while (!in.atEnd() && steps++ < 4096) {
        const uint8_t op = in.next() % 7;
        if (op < 4) {
            platform::Range range;
            QString replacement;
            if (keyChange(in, editor, range, replacement)) {
                if (fields.shouldChangeText(field, editor.text, range, replacement).accept)
                    editor.apply(range, replacement);
            }
        } else if (op == 4) {
            fields.acceptNewValue(field, editor.text);
            field = in.next() % 3;
            editor.load(fields.fieldText(field));
        } else if (op == 5) {
            fields.stepField(field, in.next() & 1);
            editor.load(fields.fieldText(field));
        } else { // a stepper value within the field's range
            const int low = fields.minimum(field);
            const int high = field == TDDateFields::DayField ? TDDaysInMonth(fields.month(), fields.year())
                                                             : fields.maximum(field);
            const int span = high - low + 1;
            if (span > 0) {
                const int raw = (in.next() << 8) | in.next();
                fields.setValue(field, low + raw % span);
            }
            editor.load(fields.fieldText(field));
        }
        checkDate(fields);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Input in{data, size};
    if (in.next() & 1)
        runDate(in);
    else
        runTime(in);

    // the pattern analysis takes any text
    const QString pattern = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(std::min<size_t>(size, 64)));
    const TDLocaleFormats::TimeFormatInfo time = TDLocaleFormats::timeFormatFromPattern(pattern);
    const TDLocaleFormats::DateFormatInfo date = TDLocaleFormats::dateFormatFromPattern(pattern);
    if (time.hourType < 1 || time.hourType > 3 || date.dateOrder < 0 || date.dateOrder > 5)
        fail("format analysis out of its range");
    return 0;
}
