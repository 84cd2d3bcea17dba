// Text typed into a field of the document's inspector and not left (no Return, Tab or
// click elsewhere), on a real X desktop (keys from xdotool through the X server): the
// title shows the edited mark from the first key, and every command that reads or
// judges the document takes the text first: Save (Ctrl+S), Save As, the autosave, the close
// question (Ctrl+W), the quit question, the revert question, export, print and a change
// of the selection; an arrow key that leaves the field hands the text over as Tab does
// (the field never shows text its node lacks); Delete and Undo bring the node back with
// the text typed into it. Each field kind the inspector edits as text: the description (text
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
#include "application/document/DocumentWindow.h"
#include "application/document/DocumentWindowController.h"
#include "application/tree/DocumentFileFormat.h"
#include "platform/document/MenuItemValidation.h"
#include "platform/drawing/Sheet.h"
#include "platform/foundation/ArrayController.h"

#include <QAction>
#include <QDialog>
#include <QMenu>
#include <QMessageBox>
#include <QTemporaryDir>

#include <functional>

namespace {

class OpenEditsX11 : public mydoctest::DesktopDocumentTest
{
protected:
    // A field kind: the field, the text typed in a run, and what a node holds for it.
    struct Kind
    {
        const char *name;
        QString identifier;
        std::function<QString(int)> typed;
        std::function<QString(const Node &)> value;
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
        const auto add = [this](auto field, const QString &key) {
            field->bind(QStringLiteral("value"), document->inspectedObjectsController(),
                        QStringLiteral("selectedObjects.") + key, {});
            inspector->addField(field);
        };
        const auto label = [](const QString &text) { return NTXTextViewInspectorFieldLabel::fieldLabelWithString(text); };
        add(std::make_shared<NTXTextViewInspectorTextField>(QStringLiteral("lineField"), QStringLiteral("Note"), label(QStringLiteral("Note"))),
            QStringLiteral("descript"));
        add(std::make_shared<NTXTextViewInspectorIntegerField>(QStringLiteral("labelField"), QStringLiteral("Label"), label(QStringLiteral("Label"))),
            QStringLiteral("colorLabel"));
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
    void typeInto(const Kind &kind, const QString &text, NodePtr node = nullptr)
    {
        NTXOutlineViewExtension::selectItems(document->outlineView(), {QVariant::fromValue(node ? node : a)}, false);
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window, Patience));
        inspector->setFocus(Qt::MouseFocusReason);
        inspector->setSelectedRange(valueRange(kind.identifier));
        ASSERT_TRUE(QTest::qWaitFor([this] { return inspector->hasFocus() && inspector->isEditing(); }, Patience));
        ASSERT_FALSE(window->isWindowModified());
        QStringList keys;
        for (const QChar c : text)
            keys << (c == QLatin1Char(' ') ? QStringLiteral("space") : QString(c));
        ASSERT_TRUE(desktoptest::sendKeys(keys.mid(0, 1), 0));
        ASSERT_TRUE(QTest::qWaitFor([&] { return shown(kind.identifier) == text.left(1); }, Patience));
        EXPECT_TRUE(window->isWindowModified()) << "no edited mark after the first key";
        if (keys.size() > 1) {
            ASSERT_TRUE(desktoptest::sendKeys(keys.mid(1), 0));
        }
        ASSERT_TRUE(QTest::qWaitFor([&] { return shown(kind.identifier) == text; }, Patience));
    }

    // The field is still being edited, the caret after the typed text.
    bool caretAtTheEnd() const
    {
        const platform::Range value = inspector->currentEditingCharRange();
        return inspector->isEditing() && !value.isNotFound() && inspector->selectedRange() == platform::Range(value.max(), 0);
    }

    // The values the file holds for the jobs.
    QStringList savedValues(const Kind &kind) const
    {
        DocumentFileFormat::ReadResult read;
        if (!DocumentFileFormat::readFromFile(file, MyDocument::TypeName, read))
            return {QStringLiteral("<unreadable>")};
        QStringList values;
        for (const NodePtr &job : read.root->childEnumerator())
            values << kind.value(*job);
        return values;
    }

    // The question (an alert) or panel up on the window: null when none comes.
    QWidget *sheet() const
    {
        (void)QTest::qWaitFor([this] { return platform::Sheet::sheetOfWindow(window) != nullptr; }, Patience);
        return platform::Sheet::sheetOfWindow(window);
    }

    // Ends the question up on the window with a key (Escape: Cancel), or a panel as its
    // Cancel button does (its progress sheets are another matter).
    void endSheet(const QString &key)
    {
        QPointer<QWidget> up = sheet();
        ASSERT_NE(up, nullptr);
        if (key.isEmpty()) {
            qobject_cast<QDialog *>(up.data())->reject();
        } else {
            ASSERT_TRUE(QTest::qWaitFor([up] { return up && up->isActiveWindow(); }, Patience));
            ASSERT_TRUE(desktoptest::sendKeys({key}));
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
         [](const Node &node) { return node.descript(); }},
        {"one line", QStringLiteral("lineField"), [](int run) { return QStringLiteral("line %1").arg(run); },
         [](const Node &node) { return node.descript(); }},
        // One of the labels 1 to 7, another each run.
        {"number", QStringLiteral("labelField"), [](int run) { return QString::number(run % 7 + 1); },
         [](const Node &node) { return QString::number(node.colorLabel()); }},
    };
    // How a command ends: the file written (the field left open, the caret where it
    // was), a question answered Cancel by Escape (back in the field as it was left), a
    // panel cancelled, nothing to end, or the caret moved out of the field (its text
    // handed over, the document edited).
    enum class End { Saved, Asked, Panel, Nothing, Moved };
    const QList<std::tuple<const char *, End, std::function<void()>>> commands{
        {"save", End::Saved, [] { EXPECT_TRUE(desktoptest::sendKeys({QStringLiteral("ctrl+s")})); }},
        {"autosave", End::Saved, [&] { document->autosaveDocument(); }},
        {"save as", End::Panel, [&] { document->saveDocumentAs(nullptr); }},
        {"close question", End::Asked, [] { EXPECT_TRUE(desktoptest::sendKeys({QStringLiteral("ctrl+w")})); }},
        {"quit question", End::Asked, [&] { documents->controller.terminate(nullptr); }},
        {"revert question", End::Asked, [&] { document->revertDocumentToSaved(nullptr); }},
        {"export", End::Panel, [&] { document->saveAsRTFFile(nullptr); }},
        {"print", End::Panel, [&] { document->printDocument(nullptr); }},
        {"selection", End::Nothing, [&] {
             NTXOutlineViewExtension::selectItems(document->outlineView(), {QVariant::fromValue(b)}, false);
             EXPECT_EQ(document->windowController().selectedNodes(), QList<NodePtr>{b});
         }},
        {"up", End::Moved, [] { EXPECT_TRUE(desktoptest::sendKeys({QStringLiteral("Up")})); }},
        {"down", End::Moved, [] { EXPECT_TRUE(desktoptest::sendKeys({QStringLiteral("Down")})); }},
    };
    int run = 0;
    int passed = 0;
    for (const Kind &kind : kinds) {
        for (const auto &[name, end, command] : commands) {
            // (The number's field is the last row: Down may leave the caret in it.)
            if (end == End::Moved && kind.identifier == QLatin1String("labelField"))
                continue;
            SCOPED_TRACE(std::string(kind.name) + " × " + name);
            const QString beforeB = kind.value(*b);
            const QString typed = kind.typed(++run);
            typeInto(kind, typed);
            if (HasFatalFailure())
                return;
            command();
            if (end == End::Moved) {
                EXPECT_TRUE(QTest::qWaitFor([&] { return kind.value(*a) == typed; }, Patience)) << "the text was not handed over";
                EXPECT_EQ(shown(kind.identifier), typed);
                EXPECT_FALSE(inspector->hasChangedEdit());
            } else if (end == End::Saved) {
                EXPECT_TRUE(QTest::qWaitFor([&] { return !document->isDocumentEdited() && !document->isSaving(); }, Patience));
                EXPECT_TRUE(caretAtTheEnd());
            } else if (end != End::Nothing) {
                EXPECT_TRUE(end == End::Panel || qobject_cast<QMessageBox *>(sheet())) << "no question";
                endSheet(end == End::Asked ? QStringLiteral("Escape") : QString());
                EXPECT_TRUE(end == End::Panel || (QTest::qWaitFor([&] { return inspector->hasFocus(); }, Patience) && caretAtTheEnd()));
            }
            EXPECT_EQ(kind.value(*a), typed) << "the typed text did not reach the node";
            EXPECT_EQ(kind.value(*b), beforeB) << "the typed text reached another node";
            EXPECT_EQ(savedValues(kind).contains(typed), end == End::Saved) << savedValues(kind).join(u',').toStdString();
            EXPECT_EQ(window->isWindowModified(), end != End::Saved);
            if (HasFailure())
                return;
            ++passed;
            // Back to a clean start: the text saved.
            inspector->endEditing();
            ASSERT_TRUE(saveClean());
        }
    }
    RecordProperty("combinations", passed);

    // A number the formatter refuses: the save, then a change of the selection, stop
    // with an alert that says why; the node and the file keep the label, the field the
    // text as typed, and the outline selects the job the text was typed for again.
    const QString label = kinds.at(2).value(*a);
    typeInto(kinds.at(2), QStringLiteral("ten"));
    for (const bool save : {true, false}) {
        SCOPED_TRACE(save ? "save" : "selection");
        if (save)
            ASSERT_TRUE(desktoptest::sendKeys({QStringLiteral("ctrl+s")}));
        else
            NTXOutlineViewExtension::selectItems(document->outlineView(), {QVariant::fromValue(b)}, false);
        auto *refusal = qobject_cast<QMessageBox *>(sheet());
        ASSERT_NE(refusal, nullptr);
        EXPECT_TRUE(refusal->informativeText().contains(QStringLiteral("ten"))) << refusal->informativeText().toStdString();
        endSheet(QStringLiteral("Return"));
        EXPECT_EQ(document->windowController().selectedNodes(), QList<NodePtr>{a});
        EXPECT_EQ(kinds.at(2).value(*a), label);
        EXPECT_TRUE(savedValues(kinds.at(2)).contains(label));
        EXPECT_EQ(shown(QStringLiteral("labelField")), QStringLiteral("ten"));
        EXPECT_TRUE(document->isDocumentEdited());
    }
}

// Select J2, click into its description, type and leave it open; Document › Delete
// Entry, Return, then Ctrl+Z: J2 comes back with the typed text, and the document is
// edited. The typed text is an undo step of its own: a second Ctrl+Z takes it back.
TEST_F(OpenEditsX11, DeleteThenUndoBringsTheNodeBackWithTheTextTypedIntoIt)
{
    const Kind description{"description", QStringLiteral("descrField"), [](int) { return QString(); },
                           [](const Node &node) { return node.descript(); }};
    typeInto(description, QStringLiteral("typedbykeys"), b);
    if (HasFatalFailure())
        return;
    QAction *remove = nullptr;
    for (QAction *item : document->documentWindow()->documentMenu()->actions())
        if (platform::MenuItemValidation::action(item) == "deleteEntry:")
            remove = item;
    ASSERT_NE(remove, nullptr);
    remove->trigger();
    ASSERT_NE(qobject_cast<QMessageBox *>(sheet()), nullptr);
    endSheet(QStringLiteral("Return"));
    ASSERT_TRUE(QTest::qWaitFor([this] { return b->documentRoot() != document->jobList().get(); }, Patience));
    ASSERT_TRUE(desktoptest::sendKeys({QStringLiteral("ctrl+z")}));
    ASSERT_TRUE(QTest::qWaitFor([this] { return b->documentRoot() == document->jobList().get(); }, Patience));
    EXPECT_EQ(b->descript(), QStringLiteral("typedbykeys"));
    EXPECT_TRUE(window->isWindowModified());
    EXPECT_FALSE(savedValues(description).contains(QStringLiteral("typedbykeys")));
    ASSERT_TRUE(desktoptest::sendKeys({QStringLiteral("ctrl+z")}));
    EXPECT_TRUE(QTest::qWaitFor([this] { return b->descript().isEmpty(); }, Patience));
    EXPECT_EQ(b->documentRoot(), document->jobList().get());
}

// A click on the description's row to the right of a short text, the outline holding
// the keyboard: the description is edited, and the keys typed next (a space among
// them) go into it, not to the outline (whose space ticks the row's Done box).
TEST_F(OpenEditsX11, AClickBesideAShortDescriptionEditsIt)
{
    a->setDescript(QStringLiteral("short"));
    NTXOutlineViewExtension::selectItems(document->outlineView(), {QVariant::fromValue(a)}, false);
    document->outlineView()->setFocus(Qt::OtherFocusReason);
    ASSERT_TRUE(QTest::qWaitFor([this] { return document->outlineView()->hasFocus(); }, Patience));
    const platform::Range value = valueRange(QStringLiteral("descrField"));
    ASSERT_EQ(shown(QStringLiteral("descrField")), QStringLiteral("short"));
    QTextCursor end(inspector->document());
    end.setPosition(int(value.max()));
    const QRect caret = inspector->cursorRect(end);
    const QPoint beside(caret.right() + 60, caret.center().y());
    ASSERT_TRUE(inspector->viewport()->rect().contains(beside));
    const QPoint at = inspector->viewport()->mapToGlobal(beside);
    const bool done = a->executed();
    ASSERT_EQ(desktoptest::runProgram(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QString::number(at.x()),
                                                                 QString::number(at.y()), QStringLiteral("click"),
                                                                 QStringLiteral("1")}),
              0);
    ASSERT_TRUE(QTest::qWaitFor([this] { return inspector->isEditing() && inspector->hasFocus(); }, Patience));
    ASSERT_TRUE(desktoptest::sendKeys({QStringLiteral("End"), QStringLiteral("space"), QStringLiteral("x")}));
    EXPECT_TRUE(QTest::qWaitFor([this] { return shown(QStringLiteral("descrField")) == QStringLiteral("short x"); }, Patience))
        << shown(QStringLiteral("descrField")).toStdString();
    EXPECT_EQ(a->executed(), done) << "the space ticked the outline's row";
    ASSERT_TRUE(desktoptest::sendKeys({QStringLiteral("Tab")}));
    EXPECT_TRUE(QTest::qWaitFor([this] { return a->descript() == QStringLiteral("short x"); }, Patience));
}
