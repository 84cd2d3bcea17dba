// The cost of showing new values of three text fields in an inspector
// (updateDisplayOfTextField after each field's value changed) against the same
// three replacements made with QTextCursor in a bare QTextEdit holding the same
// text, both laid out again after each round.
//
// Reported: thread CPU time per round for both and their ratio (the goal is at most 2).
#include "NTXAppKit/inspector/NTXTextViewInspector.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorTextField.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorViewField.h"
#include "bench/BenchClock.h"
#include "bench/BenchMain.h"

#include <benchmark/benchmark.h>

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QTextCursor>
#include <QTextEdit>

#include <array>
#include <cstdio>
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

} // namespace

BENCHMARK(BM_InspectorUpdate)->Unit(benchmark::kMicrosecond)->MinTime(1.0);
BENCHMARK(BM_BareTextEdit)->Unit(benchmark::kMicrosecond)->MinTime(1.0);

int main(int argc, char **argv)
{
    benchmain::runWidgetBenchmarks(argc, argv);
    if (g_bareSeconds > 0)
        std::printf("three value updates: inspector %.1f us, bare text edit %.1f us, ratio %.2f\n",
                    g_inspectorSeconds * 1e6, g_bareSeconds * 1e6, g_inspectorSeconds / g_bareSeconds);
    return 0;
}
