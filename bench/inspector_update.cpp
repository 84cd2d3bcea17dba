// The cost of showing new values of three text fields in an inspector
// (updateDisplayOfTextField after each field's value changed) against the same
// three replacements made with QTextCursor in a bare QTextEdit holding the same
// text, both laid out again after each round.
//
// Reported: thread CPU time per round for both and their ratio (the goal is at most 2).
//
// Second: rows inserted one by one into a shown list field (each element added to
// the controller it follows makes one row in place), 100 and 400 of them. Reported:
// milliseconds for all the insertions at each count and the growth ratio from 100 to
// 400 rows (4 when one insertion costs the same whatever the list's length).
// Third: the same with an event pass after each row (60 and 600 rows; 10 is linear),
// and rows inserted at random places, in the middle and at the top, and removed from
// the end and from the top, each with a pass after it (removed from the top also
// 6,000 rows, against 600). The list follows a text field and ends the text.
#include "NTXAppKit/inspector/NTXTextViewInspector.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorListField.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorTextField.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorViewField.h"
#include "bench/BenchClock.h"
#include "bench/BenchMain.h"
#include "platform/foundation/ArrayController.h"

#include <benchmark/benchmark.h>

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QLineEdit>
#include <QTextCursor>
#include <QTextEdit>

#include <array>
#include <cstdio>
#include <map>
#include <random>
#include <memory>

namespace {

double g_inspectorSeconds = 0;
double g_bareSeconds = 0;

const std::array<QString, 2> &values()
{
    static const std::array<QString, 2> v{QStringLiteral("Meeting with the client about the new website"),
                                          QStringLiteral("3:45")};
    return v;
}

struct Fields
{
    Fields()
    {
        for (int i = 0; i < 3; ++i) {
            auto field = std::make_shared<NTXTextViewInspectorTextField>(
                QStringLiteral("f%1").arg(i), QStringLiteral("placeholder"),
                NTXTextViewInspectorFieldLabel::fieldLabelWithString(QStringLiteral("Label %1").arg(i)));
            fields.push_back(field);
        }
        inspector.resize(300, 400);
        inspector.beginFieldEditing();
        inspector.addField(NTXTextViewInspectorViewField::separatorField());
        for (const auto &field : fields)
            inspector.addField(field);
        inspector.endFieldEditing();
        inspector.setEditableState(true);
        inspector.show();
        QCoreApplication::processEvents();
    }
    NTXTextViewInspector inspector;
    std::vector<std::shared_ptr<NTXTextViewInspectorTextField>> fields;
};

void BM_InspectorUpdate(benchmark::State &state)
{
    Fields shown;
    double seconds = 0;
    int64_t rounds = 0;
    for (auto _ : state) {
        const QString &value = values()[rounds % 2];
        for (const auto &field : shown.fields)
            field->NTXTextViewInspectorField::setValue(value); // the value alone, nothing shown yet
        const double start = benchclock::threadCpuSeconds();
        for (const auto &field : shown.fields)
            shown.inspector.updateDisplayOfTextField(field.get());
        QCoreApplication::processEvents();
        shown.inspector.document()->documentLayout()->documentSize();
        seconds += benchclock::threadCpuSeconds() - start;
        ++rounds;
    }
    g_inspectorSeconds = seconds / double(std::max<int64_t>(rounds, 1));
    state.counters["round_us"] = g_inspectorSeconds * 1e6;
}

void BM_BareTextEdit(benchmark::State &state)
{
    Fields shown; // the same text, copied into a plain text edit
    QTextEdit edit;
    edit.resize(300, 400);
    edit.setDocument(shown.inspector.document()->clone(&edit));
    edit.show();
    QCoreApplication::processEvents();
    QList<QPair<int, int>> ranges;
    for (int i = 0; i < int(shown.fields.size()); ++i) {
        const QString text = edit.document()->toRawText();
        const int at = int(text.indexOf(QStringLiteral("placeholder"), ranges.isEmpty() ? 0 : ranges.last().first + 1));
        ranges.append({at, 11});
    }
    QTextCharFormat format = shown.inspector.typingAttributesForPlaceholderValue(QStringLiteral("placeholder"), nullptr);
    double seconds = 0;
    int64_t rounds = 0;
    for (auto _ : state) {
        const QString &value = values()[rounds % 2];
        const double start = benchclock::threadCpuSeconds();
        int shift = 0;
        for (auto &range : ranges) {
            range.first += shift;
            QTextCursor cursor(edit.document());
            cursor.setPosition(range.first);
            cursor.setPosition(range.first + range.second, QTextCursor::KeepAnchor);
            cursor.insertText(value, format);
            shift += int(value.size()) - range.second;
            range.second = int(value.size());
        }
        QCoreApplication::processEvents();
        edit.document()->documentLayout()->documentSize();
        seconds += benchclock::threadCpuSeconds() - start;
        ++rounds;
    }
    g_bareSeconds = seconds / double(std::max<int64_t>(rounds, 1));
    state.counters["round_us"] = g_bareSeconds * 1e6;
}

class Element : public platform::KeyValueObservable
{
public:
    explicit Element(QString text) : m_text(std::move(text)) {}

protected:
    const platform::KeyTable &keyTable() const override
    {
        static const platform::KeyTable table{
            {QStringLiteral("descript"),
             {[](const KeyValueObservable &o) { return QVariant(static_cast<const Element &>(o).m_text); }, {}}},
        };
        return table;
    }

private:
    QString m_text;
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

std::map<int64_t, double> g_insertSeconds;

// How the rows change, one at a time.
enum class Edit { Append, InsertAtRandom, InsertInTheMiddle, InsertAtTheTop, RemoveFromTheEnd, RemoveFromTheTop };

const char *editName(Edit edit)
{
    switch (edit) {
    case Edit::Append: return "appended";
    case Edit::InsertAtRandom: return "inserted at random places";
    case Edit::InsertInTheMiddle: return "inserted in the middle";
    case Edit::InsertAtTheTop: return "inserted at the top";
    case Edit::RemoveFromTheEnd: return "removed from the end";
    case Edit::RemoveFromTheTop: return "removed from the top";
    }
    return "";
}

std::map<Edit, std::map<int64_t, double>> g_editSeconds;

// Rows changed one by one, in one go (no event pass between them) or with an event
// pass after each, as when each comes from its own user action. Removals start from
// a list of that many rows (made before the time is taken).
void listRowEdits(benchmark::State &state, Edit edit, bool passPerRow)
{
    const int rows = int(state.range(0));
    const bool removing = edit == Edit::RemoveFromTheEnd || edit == Edit::RemoveFromTheTop;
    std::vector<std::unique_ptr<Element>> elements;
    for (int i = 0; i < rows; ++i)
        elements.push_back(std::make_unique<Element>(QStringLiteral("Row %1").arg(i)));
    double seconds = 0;
    int64_t rounds = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto inspector = std::make_unique<NTXTextViewInspector>();
        platform::ArrayController controller;
        auto list = std::make_shared<NTXTextViewInspectorListField>(
            QStringLiteral("list"), QString(), NTXTextViewInspectorFieldLabel::fieldLabelWithString(QStringLiteral("Rows")));
        list->setEntryFieldTemplate(std::make_shared<EditRow>());
        list->setEditable(true);
        inspector->resize(320, 400);
        inspector->beginFieldEditing();
        inspector->addField(std::make_shared<NTXTextViewInspectorTextField>(
            QStringLiteral("head"), QStringLiteral("placeholder"),
            NTXTextViewInspectorFieldLabel::fieldLabelWithString(QStringLiteral("Head"))));
        inspector->addField(list);
        inspector->endFieldEditing();
        inspector->setEditableState(true);
        inspector->show();
        QCoreApplication::processEvents();
        list->bindToObject(&controller, QStringLiteral("arrangedObjects"), QStringLiteral("descript"), QString());
        if (removing) {
            for (const auto &element : elements) {
                controller.addObject(platform::KeyValueObservable::fromObservable(element.get()));
                QCoreApplication::processEvents();
            }
            inspector->document()->documentLayout()->documentSize();
        }
        std::mt19937 random(7);
        state.ResumeTiming();
        const double start = benchclock::threadCpuSeconds();
        for (const auto &element : elements) {
            const qsizetype count = controller.arrangedObjects().size();
            const QVariant object = platform::KeyValueObservable::fromObservable(element.get());
            switch (edit) {
            case Edit::Append: controller.addObject(object); break;
            case Edit::InsertAtRandom:
                controller.insertObjectAtArrangedObjectIndex(object, qsizetype(random() % uint32_t(count + 1)));
                break;
            case Edit::InsertInTheMiddle: controller.insertObjectAtArrangedObjectIndex(object, count / 2); break;
            case Edit::InsertAtTheTop: controller.insertObjectAtArrangedObjectIndex(object, 0); break;
            case Edit::RemoveFromTheEnd: controller.removeObjectAtArrangedObjectIndex(count - 1); break;
            case Edit::RemoveFromTheTop: controller.removeObjectAtArrangedObjectIndex(0); break;
            }
            if (passPerRow)
                QCoreApplication::processEvents();
        }
        QCoreApplication::processEvents();
        inspector->document()->documentLayout()->documentSize();
        seconds += benchclock::threadCpuSeconds() - start;
        ++rounds;
        state.PauseTiming();
        list->unbindController();
        inspector.reset();
        list.reset();
        state.ResumeTiming();
    }
    const double each = seconds / double(std::max<int64_t>(rounds, 1));
    if (passPerRow)
        g_editSeconds[edit][state.range(0)] = each;
    else
        g_insertSeconds[state.range(0)] = each;
    state.counters["all_rows_ms"] = each * 1000;
}

void BM_ListRowInsertion(benchmark::State &state)
{
    listRowEdits(state, Edit::Append, false);
}

void BM_ListRowInsertionWithAPassPerRow(benchmark::State &state)
{
    listRowEdits(state, Edit::Append, true);
}

void BM_ListRowsInsertedAtRandomWithAPassPerRow(benchmark::State &state)
{
    listRowEdits(state, Edit::InsertAtRandom, true);
}

void BM_ListRowsInsertedInTheMiddleWithAPassPerRow(benchmark::State &state)
{
    listRowEdits(state, Edit::InsertInTheMiddle, true);
}

void BM_ListRowsInsertedAtTheTopWithAPassPerRow(benchmark::State &state)
{
    listRowEdits(state, Edit::InsertAtTheTop, true);
}

void BM_ListRowsRemovedFromTheEndWithAPassPerRow(benchmark::State &state)
{
    listRowEdits(state, Edit::RemoveFromTheEnd, true);
}

void BM_ListRowsRemovedFromTheTopWithAPassPerRow(benchmark::State &state)
{
    listRowEdits(state, Edit::RemoveFromTheTop, true);
}

} // namespace

BENCHMARK(BM_ListRowInsertion)->Arg(100)->Arg(400)->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListRowInsertionWithAPassPerRow)->Arg(60)->Arg(600)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListRowsInsertedAtRandomWithAPassPerRow)->Arg(60)->Arg(600)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListRowsInsertedInTheMiddleWithAPassPerRow)->Arg(60)->Arg(600)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListRowsInsertedAtTheTopWithAPassPerRow)->Arg(60)->Arg(600)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListRowsRemovedFromTheEndWithAPassPerRow)->Arg(60)->Arg(600)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListRowsRemovedFromTheTopWithAPassPerRow)->Arg(60)->Arg(600)->Arg(6000)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InspectorUpdate)->Unit(benchmark::kMicrosecond)->MinTime(1.0);
BENCHMARK(BM_BareTextEdit)->Unit(benchmark::kMicrosecond)->MinTime(1.0);

int main(int argc, char **argv)
{
    benchmain::runWidgetBenchmarks(argc, argv);
    if (g_bareSeconds > 0)
        std::printf("three value updates: inspector %.1f us, bare text edit %.1f us, ratio %.2f\n",
                    g_inspectorSeconds * 1e6, g_bareSeconds * 1e6, g_inspectorSeconds / g_bareSeconds);
    if (g_insertSeconds.count(100) && g_insertSeconds.count(400) && g_insertSeconds[100] > 0)
        std::printf("list rows inserted one by one: 100 in %.1f ms, 400 in %.1f ms, growth ratio %.2f (4 is linear)\n",
                    g_insertSeconds[100] * 1000, g_insertSeconds[400] * 1000, g_insertSeconds[400] / g_insertSeconds[100]);
    for (auto &[edit, seconds] : g_editSeconds) {
        if (seconds.count(60) && seconds.count(600) && seconds[60] > 0)
            std::printf("list rows %s with an event pass after each: 60 in %.1f ms, 600 in %.1f ms, growth ratio %.2f "
                        "(10 is linear)\n",
                        editName(edit), seconds[60] * 1000, seconds[600] * 1000, seconds[600] / seconds[60]);
        if (seconds.count(600) && seconds.count(6000) && seconds[600] > 0)
            std::printf("list rows %s with an event pass after each: 6000 in %.1f ms, growth ratio from 600 %.2f "
                        "(10 is linear)\n",
                        editName(edit), seconds[6000] * 1000, seconds[6000] / seconds[600]);
    }
    return 0;
}
