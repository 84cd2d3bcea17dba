// Text typed into a field of the document's inspector and not left (no Return, Tab or
// click elsewhere), on a real X desktop (keys from xdotool through the X server): the
// title shows the edited mark from the first key, and every command that reads or
// judges the document takes the text first: Save (Ctrl+S), Save As, the autosave, the close
// question (Ctrl+W), the quit question, the revert question, export, print and a change
// of the selection. Each field kind the inspector edits as text: the description (text
// over several lines), text on one line and a number through its formatter (here the
// description and the colour label, the values the inspector writes as undo steps),
// whose refused text stops the save (and a change of the selection) with an alert and
// leaves the file as it was.
#include "tests/application/document/desktop/DesktopDocumentTest.h"

#include "AppKitExtensions/NTXOutlineViewExtension.h"
#include "FoundationExtensions/NTXNSTextStorageExtensions.h"
#include "NTXAppKit/inspector/NTXTextViewInspector.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorFieldLabel.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorIntegerField.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorText.h"
#include "application/document/DocumentWindowController.h"
#include "application/tree/DocumentFileFormat.h"
#include "platform/drawing/Sheet.h"
#include "platform/foundation/ArrayController.h"

#include <QDialog>
#include <QMessageBox>
#include <QTemporaryDir>

#include <functional>

namespace {

class OpenEditsX11 : public mydoctest::DesktopDocumentTest
{
protected:
    struct Kind
    {
        const char *name;
        QString identifier;
        std::function<QString(int)> typed;                     // the text typed for a run
        std::function<QVariant(const Node &)> value;           // what the node holds
        std::function<QVariant(int)> expected;                 // what the typed text stores
    };

    void SetUp() override
    {
        DesktopDocumentTest::SetUp();
        if (HasFatalFailure() || IsSkipped())
            return;
        a = mydoctest::makeJob(QStringLiteral("Alpha"), 60, {{9, 45}});
        b = mydoctest::makeJob(QStringLiteral("Beta"), 40, {{10, 15}});
        document->edits().addNode(a, document->jobList(), 0);
        document->edits().addNode(b, document->jobList(), 1);
        if (!document->textViewInspector()->isVisible())
            document->toggleDrawer(nullptr);
        inspector = document->textViewInspector();
        ASSERT_TRUE(QTest::qWaitFor([this] { return inspector->isVisible(); }, Patience));
        // Text on one line and a number through the integer formatter, beside the
        // document's own description.
        auto line = std::make_shared<NTXTextViewInspectorTextField>(
            QStringLiteral("lineField"), QStringLiteral("Note"),
            NTXTextViewInspectorFieldLabel::fieldLabelWithString(QStringLiteral("Note")));
        line->bind(QStringLiteral("value"), document->inspectedObjectsController(),
                   QStringLiteral("selectedObjects.descript"), {});
        auto number = std::make_shared<NTXTextViewInspectorIntegerField>(
            QStringLiteral("labelField"), QStringLiteral("Label"),
            NTXTextViewInspectorFieldLabel::fieldLabelWithString(QStringLiteral("Label")));
        number->bind(QStringLiteral("value"), document->inspectedObjectsController(),
                     QStringLiteral("selectedObjects.colorLabel"), {});
        inspector->addField(line);
        inspector->addField(number);
        ASSERT_TRUE(folder.isValid());
        file = folder.filePath(QStringLiteral("fields.chronark"));
        document->setFilePath(file);
        ASSERT_TRUE(saveClean());
    }

    bool saveClean()
    {
        int saved = -1;
        document->saveDocumentWithCompletion([&](bool done) { saved = done; });
        return QTest::qWaitFor([&] { return saved >= 0 && !document->isSaving(); }, Patience) && saved == 1
               && !document->isDocumentEdited();
    }

    platform::Range valueRange(const QString &identifier) const
    {
        return NTXNSTextStorageExtensions::rangeForAttribute(
            *inspector->document(), NTXTextViewInspectorText::PlaceholderProperty,
            inspector->charRangeOfField(inspector->fieldWithIdentifier(identifier).get()));
    }
    QString shown(const QString &identifier) const
    {
        return NTXTextViewInspectorText::text(*inspector->document(), valueRange(identifier));
    }

    // A click into the field of A (its value selected whole, as a click selects it), and
    // the text typed through the X server; the field stays open. The title shows the
    // edited mark from the first key on.
    void typeInto(const Kind &kind, const QString &text)
    {
        NTXOutlineViewExtension::selectItems(document->outlineView(), {QVariant::fromValue(a)}, false);
        ASSERT_TRUE(QTest::qWaitFor([this] { return document->inspectedObjectsController()->selectedObjects().size() == 1; }));
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window, Patience));
        inspector->setFocus(Qt::MouseFocusReason);
        inspector->setSelectedRange(valueRange(kind.identifier));
        ASSERT_TRUE(QTest::qWaitFor([this] { return inspector->hasFocus() && inspector->isEditing(); }, Patience));
        ASSERT_FALSE(window->isWindowModified());
        QStringList keys;
        for (const QChar c : text)
            keys << (c == QLatin1Char(' ') ? QStringLiteral("space") : QString(c));
        ASSERT_TRUE(desktoptest::sendKeys({keys.constFirst()}, 0));
        ASSERT_TRUE(QTest::qWaitFor([&] { return shown(kind.identifier) == text.left(1); }, Patience));
        EXPECT_TRUE(window->isWindowModified()) << "no edited mark after the first key";
        EXPECT_TRUE(document->isDocumentEdited());
        if (keys.size() > 1) {
            ASSERT_TRUE(desktoptest::sendKeys(keys.mid(1), 0));
        }
        ASSERT_TRUE(QTest::qWaitFor([&] { return shown(kind.identifier) == text; }, Patience))
            << "shown " << shown(kind.identifier).toStdString();
        ASSERT_TRUE(inspector->isEditing());
    }

    // The field is still being edited, the caret after the typed text.
    bool caretAtTheEnd() const
    {
        const platform::Range value = inspector->currentEditingCharRange();
        return inspector->isEditing() && !value.isNotFound() && inspector->selectedRange() == platform::Range(value.max(), 0);
    }

    // The values the file holds for the jobs, as text.
    QStringList savedValues(const Kind &kind) const
    {
        DocumentFileFormat::ReadResult read;
        if (!DocumentFileFormat::readFromFile(file, MyDocument::TypeName, read))
            return {QStringLiteral("<unreadable>")};
        QStringList values;
        for (const NodePtr &job : read.root->childEnumerator())
            values << kind.value(*job).toString();
        return values;
    }

    // A question (an alert on the window) is up; answers it.
    QMessageBox *question() const
    {
        QMessageBox *box = nullptr;
        (void)QTest::qWaitFor([&] {
            for (QMessageBox *shown : window->findChildren<QMessageBox *>())
                if (shown->isVisible())
                    box = shown;
            return box != nullptr;
        }, Patience);
        return box;
    }

    // Escape ends the question up on the window (a panel is cancelled: its progress
    // sheets are another matter).
    void escapeSheet(bool byKey = true)
    {
        ASSERT_TRUE(QTest::qWaitFor([this] { return platform::Sheet::sheetOfWindow(window) != nullptr; }, Patience));
        QPointer<QWidget> sheet = platform::Sheet::sheetOfWindow(window);
        if (auto *dialog = qobject_cast<QDialog *>(sheet.data()); dialog && !byKey) {
            dialog->reject();
        } else {
            ASSERT_TRUE(QTest::qWaitFor([sheet] { return sheet && sheet->isActiveWindow(); }, Patience));
            ASSERT_TRUE(desktoptest::sendKeys({QStringLiteral("Escape")}));
        }
        ASSERT_TRUE(QTest::qWaitFor([this] { return !platform::Sheet::sheetOfWindow(window); }, Patience));
        testsupport::settleEvents();
    }

    NodePtr a;
    NodePtr b;
    NTXTextViewInspector *inspector = nullptr;
    QTemporaryDir folder;
    QString file;
};

} // namespace

TEST_F(OpenEditsX11, EveryCommandTakesTheTextOfAFieldLeftOpen)
{
    const QList<Kind> kinds{
        {"description", QStringLiteral("descrField"), [](int run) { return QStringLiteral("typed text %1").arg(run); },
         [](const Node &node) { return QVariant(node.descript()); },
         [](int run) { return QVariant(QStringLiteral("typed text %1").arg(run)); }},
        {"one line", QStringLiteral("lineField"), [](int run) { return QStringLiteral("line %1").arg(run); },
         [](const Node &node) { return QVariant(node.descript()); },
         [](int run) { return QVariant(QStringLiteral("line %1").arg(run)); }},
        // One of the labels 1 to 7, another each run.
        {"number", QStringLiteral("labelField"), [](int run) { return QString::number(run % 7 + 1); },
         [](const Node &node) { return QVariant(node.colorLabel()); },
         [](int run) { return QVariant(run % 7 + 1); }},
    };
    struct Command
    {
        const char *name;
        // Runs the command; answers whether it leaves the file holding the text.
        std::function<bool()> run;
    };
    const QList<Command> commands{
        // The saves leave the field open, the caret where it was: typing goes on.
        {"save", [&] {
             EXPECT_TRUE(desktoptest::sendKeys({QStringLiteral("ctrl+s")}));
             EXPECT_TRUE(QTest::qWaitFor([&] { return !document->isDocumentEdited() && !document->isSaving(); }, Patience));
             EXPECT_TRUE(caretAtTheEnd());
             return true;
         }},
        {"autosave", [&] {
             document->autosaveDocument();
             EXPECT_TRUE(QTest::qWaitFor([&] { return !document->isDocumentEdited() && !document->isSaving(); }, Patience));
             EXPECT_TRUE(caretAtTheEnd());
             return true;
         }},
        {"save as", [&] {
             document->saveDocumentAs(nullptr);
             escapeSheet(false);
             return false;
         }},
        {"close question", [&] {
             EXPECT_TRUE(desktoptest::sendKeys({QStringLiteral("ctrl+w")}));
             EXPECT_NE(question(), nullptr) << "closed without asking";
             escapeSheet();
             EXPECT_TRUE(window->isVisible());
             // Back in the field as it was left.
             EXPECT_TRUE(QTest::qWaitFor([&] { return inspector->hasFocus(); }, Patience));
             EXPECT_TRUE(caretAtTheEnd());
             return false;
         }},
        {"quit question", [&] {
             documents->controller.terminate(nullptr);
             EXPECT_NE(question(), nullptr) << "quit without asking";
             escapeSheet();
             return false;
         }},
        {"revert question", [&] {
             document->revertDocumentToSaved(nullptr);
             EXPECT_NE(question(), nullptr);
             escapeSheet();
             return false;
         }},
        {"export", [&] {
             document->saveAsRTFFile(nullptr);
             escapeSheet(false);
             return false;
         }},
        {"print", [&] {
             document->printDocument(nullptr);
             escapeSheet(false);
             return false;
         }},
        {"selection", [&] {
             NTXOutlineViewExtension::selectItems(document->outlineView(), {QVariant::fromValue(b)}, false);
             EXPECT_TRUE(QTest::qWaitFor([&] { return document->inspectedObjectsController()->selectedObjects().size() == 1
                                                  && document->windowController().selectedNodes() == QList<NodePtr>{b}; },
                                           Patience));
             return false;
         }},
    };
    int run = 0;
    int passed = 0;
    for (const Kind &kind : kinds) {
        for (const Command &command : commands) {
            SCOPED_TRACE(std::string(kind.name) + " × " + command.name);
            ++run;
            const QVariant beforeB = kind.value(*b);
            const QString typed = kind.typed(run);
            typeInto(kind, typed);
            if (HasFatalFailure())
                return;
            const bool saves = command.run();
            EXPECT_EQ(kind.value(*a), kind.expected(run)) << "the typed text did not reach the node";
            EXPECT_EQ(kind.value(*b), beforeB) << "the typed text reached another node";
            EXPECT_EQ(savedValues(kind).contains(kind.expected(run).toString()), saves)
                << savedValues(kind).join(QStringLiteral(", ")).toStdString();
            EXPECT_EQ(window->isWindowModified(), !saves);
            if (HasFailure())
                return;
            ++passed;
            // Back to a clean start: the text saved.
            inspector->endEditing();
            ASSERT_TRUE(saveClean());
        }
    }
    RecordProperty("combinations", passed);
    EXPECT_EQ(passed, kinds.size() * commands.size());

    // A number the formatter refuses: the save stops with an alert that says why, and
    // the file and the node keep the label; the field holds the text as typed.
    const int label = a->colorLabel();
    typeInto(kinds.at(2), QStringLiteral("ten"));
    ASSERT_TRUE(desktoptest::sendKeys({QStringLiteral("ctrl+s")}));
    QMessageBox *refusal = question();
    ASSERT_NE(refusal, nullptr);
    EXPECT_TRUE(refusal->informativeText().contains(QStringLiteral("ten"))) << refusal->informativeText().toStdString();
    ASSERT_TRUE(desktoptest::sendKeys({QStringLiteral("Return")}));
    ASSERT_TRUE(QTest::qWaitFor([this] { return !platform::Sheet::sheetOfWindow(window); }, Patience));
    EXPECT_EQ(a->colorLabel(), label);
    EXPECT_TRUE(savedValues(kinds.at(2)).contains(QString::number(label)));
    EXPECT_EQ(shown(QStringLiteral("labelField")), QStringLiteral("ten"));
    EXPECT_TRUE(document->isDocumentEdited());

    // Another row selected meanwhile: refused the same way, and the outline selects
    // the job the text was typed for again.
    NTXOutlineViewExtension::selectItems(document->outlineView(), {QVariant::fromValue(b)}, false);
    refusal = question();
    ASSERT_NE(refusal, nullptr);
    EXPECT_EQ(document->windowController().selectedNodes(), QList<NodePtr>{a});
    ASSERT_TRUE(desktoptest::sendKeys({QStringLiteral("Return")}));
    ASSERT_TRUE(QTest::qWaitFor([this] { return !platform::Sheet::sheetOfWindow(window); }, Patience));
    EXPECT_EQ(shown(QStringLiteral("labelField")), QStringLiteral("ten"));
    EXPECT_EQ(a->colorLabel(), label);
    EXPECT_EQ(b->colorLabel(), 0);
}
