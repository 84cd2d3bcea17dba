// Drives an inspector showing every general field kind with steps made from the
// input bytes (clicks, keys, pastes, composed text, selections, Tab and Return,
// model changes, list rows, the editable state) and checks after every step that
// the text still begins with an empty line, that a user's step changed no text
// outside the value runs, and that the selection lies inside one value run or is
// {0, 0}.
#include "NTXAppKit/inspector/NTXTextViewInspector.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorCompoundField.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorListField.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorText.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorTextField.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorViewField.h"
#include "platform/foundation/ArrayController.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QTextCursor>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace Text = NTXTextViewInspectorText;
using platform::KeyValueObservable;
using platform::Range;

namespace {

struct Input
{
    const uint8_t *data;
    size_t size;
    size_t pos = 0;
    bool atEnd() const { return pos >= size; }
    uint8_t next() { return pos < size ? data[pos++] : 0; }
};

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

class Item : public KeyValueObservable
{
public:
    QString descript;

protected:
    const platform::KeyTable &keyTable() const override
    {
        static const platform::KeyTable table{
            {QStringLiteral("descript"),
             {[](const KeyValueObservable &o) { return QVariant(static_cast<const Item &>(o).descript); },
              [](KeyValueObservable &o, const QVariant &v) {
                  auto &item = static_cast<Item &>(o);
                  item.willChangeValueForKey(QStringLiteral("descript"));
                  item.descript = v.toString();
                  item.didChangeValueForKey(QStringLiteral("descript"));
              }}},
        };
        return table;
    }
};

class EditRow : public NTXTextViewInspectorViewField
{
public:
    EditRow()
        : NTXTextViewInspectorViewField(QStringLiteral("row"), new QLineEdit, QString(),
                                        NTXTextViewInspectorFieldLabel::fieldLabelWithString(QStringLiteral("Row")))
    {
    }
    std::shared_ptr<NTXTextViewInspectorField> copy() const override { return std::make_shared<EditRow>(); }
};

// The text with every value run replaced by one marker character.
QString skeleton(const QTextDocument &document)
{
    QString result;
    const qsizetype size = Text::length(document);
    for (qsizetype i = 0; i < size;) {
        const Range run = Text::runAt(document, Text::PlaceholderProperty, i);
        if (run.isNotFound() || run.length <= 0)
            fail("run");
        if (Text::valueAt(document, Text::PlaceholderProperty, i).isValid())
            result.append(QChar(0xe000));
        else
            result.append(Text::text(document, run));
        i = run.max();
    }
    return result;
}

void checkSelection(const NTXTextViewInspector &inspector)
{
    const Range selection = inspector.selectedRange();
    if (selection == Range(0, 0))
        return;
    const QTextDocument &document = *inspector.document();
    const Range edited = inspector.currentEditingCharRange();
    if (selection.length == 0 && !edited.isNotFound() && selection.location == edited.max())
        return;
    if (!Text::valueAt(document, Text::PlaceholderProperty, selection.location).isValid())
        fail("selection outside a value");
    const Range run = Text::runAt(document, Text::PlaceholderProperty, selection.location);
    if (selection.max() > run.max())
        fail("selection across value runs");
}

QString textOf(Input &in, int length)
{
    static const char16_t pieces[] = {u'a', u'Z', u' ', u'\n', u'\t', u'\r', 0x2028, 0x2029, 0xfffc, u'\u00e9', 0x1, u':'};
    QString text;
    for (int i = 0; i < length; ++i)
        text.append(QChar(pieces[in.next() % (sizeof(pieces) / sizeof(pieces[0]))]));
    return text;
}

void key(QWidget *target, int code, Qt::KeyboardModifiers modifiers, const QString &text = {})
{
    QKeyEvent press(QEvent::KeyPress, code, modifiers, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, code, modifiers, text);
    QApplication::sendEvent(target, &release);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    Input in{data, size};
    Item first, second, third;
    first.descript = QStringLiteral("one");
    platform::ArrayController selection;
    selection.setContentArray({KeyValueObservable::fromObservable(&first), KeyValueObservable::fromObservable(&second)});
    selection.setSelectionIndexes({0, 1});
    platform::ArrayController rows;

    auto label = [](const char *text) { return NTXTextViewInspectorFieldLabel::fieldLabelWithString(QString::fromLatin1(text)); };
    auto described = std::make_shared<NTXTextViewInspectorTextField>(QStringLiteral("d"), QStringLiteral("Say"), label("Description"));
    described->setSupportNewLine(true);
    described->bind(QStringLiteral("value"), &selection, QStringLiteral("selectedObjects.descript"));
    auto single = std::make_shared<NTXTextViewInspectorTextField>(QStringLiteral("s"), QStringLiteral("Name"), label("Name"));
    single->bind(QStringLiteral("value"), &third, QStringLiteral("descript"));
    auto fixed = std::make_shared<NTXTextViewInspectorTextField>(QStringLiteral("f"), QStringLiteral("-"), label("Fixed"));
    fixed->setEditable(false);
    fixed->setValue(QStringLiteral("1:00"));
    auto bare = std::make_shared<NTXTextViewInspectorTextField>(QStringLiteral("b"), QString(), label("Bare"));
    auto compound = std::make_shared<NTXTextViewInspectorCompoundField>(QStringLiteral("c"), QString(), label("Pair"));
    auto left = std::make_shared<NTXTextViewInspectorTextField>(QStringLiteral("l"), QStringLiteral("left"), nullptr);
    left->setShouldAppendNewline(false);
    compound->addField(left);
    compound->addField(std::make_shared<NTXTextViewInspectorTextField>(QStringLiteral("r"), QStringLiteral("right"), nullptr));
    compound->setEditable(true);
    auto list = std::make_shared<NTXTextViewInspectorListField>(QStringLiteral("list"), QString(), label("Rows"));
    list->setEntryFieldTemplate(std::make_shared<EditRow>());
    list->setEditable(true);
    auto view = NTXTextViewInspectorViewField::viewFieldWithIdentifier(QStringLiteral("v"), new QLineEdit, label("Edit"));
    view->setNotEditableReplacementString(QStringLiteral("none"));

    NTXTextViewInspector inspector;
    inspector.resize(260 + in.next() % 4 * 40, 300);
    inspector.show();
    inspector.beginFieldEditing();
    inspector.addFieldsArray({described, single, NTXTextViewInspectorViewField::separatorField(), fixed, bare, compound,
                              view, list});
    inspector.endFieldEditing();
    inspector.setEditableState(true);
    list->bindToObject(&rows, QStringLiteral("arrangedObjects"), QStringLiteral("descript"), QString());
    std::vector<std::unique_ptr<Item>> rowItems;

    for (int steps = 0; !in.atEnd() && steps < 400; ++steps) {
        QTextDocument &document = *inspector.document();
        const QString before = skeleton(document);
        const qsizetype length = Text::length(document);
        bool userStep = true;
        switch (in.next() % 16) {
        case 0: { // a click
            QTextCursor cursor(&document);
            cursor.setPosition(int(in.next() % std::max<qsizetype>(1, length)));
            const QPoint point = inspector.cursorRect(cursor).center() + QPoint(in.next() % 5, 0);
            QMouseEvent press(QEvent::MouseButtonPress, point, inspector.viewport()->mapToGlobal(point), Qt::LeftButton,
                              Qt::LeftButton, {});
            QApplication::sendEvent(inspector.viewport(), &press);
            QMouseEvent release(QEvent::MouseButtonRelease, point, inspector.viewport()->mapToGlobal(point),
                                Qt::LeftButton, Qt::NoButton, {});
            QApplication::sendEvent(inspector.viewport(), &release);
            break;
        }
        case 1:
        case 2: { // typing
            const QString typed = textOf(in, 1 + in.next() % 3);
            key(&inspector, Qt::Key_A, {}, typed);
            break;
        }
        case 3: { // editing and moving keys
            static const int keys[] = {Qt::Key_Backspace, Qt::Key_Delete, Qt::Key_Left, Qt::Key_Right, Qt::Key_Up,
                                       Qt::Key_Down, Qt::Key_Home, Qt::Key_End, Qt::Key_A, Qt::Key_X, Qt::Key_V,
                                       Qt::Key_K, Qt::Key_PageDown};
            const uint8_t pick = in.next();
            Qt::KeyboardModifiers modifiers;
            if (pick & 0x10)
                modifiers |= Qt::ShiftModifier;
            if (pick & 0x20)
                modifiers |= Qt::ControlModifier;
            key(&inspector, keys[pick % (sizeof(keys) / sizeof(keys[0]))], modifiers);
            break;
        }
        case 4: { // a paste
            QMimeData pasted;
            pasted.setText(textOf(in, in.next() % 6));
            inspector.insertFromMimeData(&pasted);
            break;
        }
        case 5: { // composed text
            QInputMethodEvent composed(QString(), {});
            composed.setCommitString(textOf(in, 1 + in.next() % 3));
            QApplication::sendEvent(&inspector, &composed);
            break;
        }
        case 6: { // a selection made by the text view itself
            QTextCursor cursor(&document);
            cursor.setPosition(int(in.next() % std::max<qsizetype>(1, length)));
            cursor.setPosition(int(in.next() % std::max<qsizetype>(1, length)), QTextCursor::KeepAnchor);
            inspector.setTextCursor(cursor);
            break;
        }
        case 7:
            key(&inspector, in.next() % 2 ? Qt::Key_Tab : Qt::Key_Backtab, {});
            break;
        case 8:
            key(&inspector, Qt::Key_Return, {});
            break;
        case 9: // the model changes
            userStep = false;
            switch (in.next() % 4) {
            case 0:
                first.setValueForKey(textOf(in, in.next() % 4), QStringLiteral("descript"));
                break;
            case 1:
                selection.setSelectionIndexes(in.next() % 2 ? QList<qsizetype>{0} : QList<qsizetype>{0, 1});
                break;
            case 2:
                third.setValueForKey(textOf(in, in.next() % 4), QStringLiteral("descript"));
                break;
            default:
                selection.setSelectionIndexes({});
                break;
            }
            break;
        case 10: // list rows
            userStep = false;
            if (in.next() % 2 || rowItems.empty()) {
                rowItems.push_back(std::make_unique<Item>());
                rows.insertObjectAtArrangedObjectIndex(KeyValueObservable::fromObservable(rowItems.back().get()),
                                                       in.next() % (rows.arrangedObjects().size() + 1));
            } else {
                rows.removeObjectAtArrangedObjectIndex(in.next() % rows.arrangedObjects().size());
            }
            break;
        case 11:
            userStep = false;
            inspector.setEditableState(in.next() % 4 != 0);
            break;
        case 12:
            inspector.setSelectedRange(Range(in.next() % std::max<qsizetype>(1, length), in.next() % 8));
            break;
        case 13:
            inspector.endEditing();
            break;
        case 14:
            userStep = false;
            inspector.setDisplaymode(in.next() % 3);
            if (in.next() % 2)
                inspector.setDisplaymode(0);
            break;
        default:
            userStep = false;
            QApplication::processEvents();
            break;
        }
        if (!inspector.string().startsWith(QLatin1Char('\n')))
            fail("the text lost its leading empty line");
        if (userStep && skeleton(*inspector.document()) != before)
            fail("a user's step changed text outside the values");
        checkSelection(inspector);
    }
    inspector.endEditing();
    return 0;
}
