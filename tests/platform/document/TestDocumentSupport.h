#pragma once
// A small text document and a fixture for the tests of the document machinery.
#include "platform/foundation/Bundle.h"
#include "platform/document/Document.h"
#include "platform/document/DocumentController.h"
#include "platform/document/DocumentType.h"
#include "platform/document/StandardMenus.h"
#include "platform/foundation/UndoManager.h"
#include "platform/foundation/UserDefaults.h"
#include "tests/support/TestSupport.h"
#include "tests/support/WriteGate.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMainWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QSaveFile>

#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <memory>
#include <new>
#include <stdexcept>

namespace doctest {

using testsupport::WriteGate;

// A document whose file is "TEXT\n" followed by its text in UTF-8. A file without
// that first line is refused. Writes go through QSaveFile; failWrites makes the
// next write stop half-way (nothing is committed). With writeInBackground the
// saves with user interface write a copy of the text on a pool thread, through the
// gate; throwInBackground makes that writer throw.
class TextDocument : public platform::Document
{
    Q_OBJECT
public:
    using Document::Document;

    QString text() const { return m_text; }
    // An undoable edit named "Typing".
    void setText(const QString &text)
    {
        const QString old = m_text;
        undoManager()->registerUndo([this, old] { setText(old); });
        undoManager()->setActionName(QStringLiteral("Typing"));
        m_text = text;
    }

    // Making a window runs out of memory (for every text document while set).
    static inline bool windowsRunOutOfMemory = false;
    bool failWrites = false;
    // The reason a failing write gives.
    QString failureReason = QStringLiteral("The disk is full.");
    int writes = 0;
    int reads = 0;
    bool withMenus = true;
    bool writeInBackground = false;
    bool throwInBackground = false;
    std::shared_ptr<WriteGate> gate = std::make_shared<WriteGate>();
    // With writeThroughSaveFile the background writer commits through
    // platform::SaveFile, handing it the document's replace check, and waits at
    // checkGate after each time the check answered, before SaveFile's own last look.
    bool writeThroughSaveFile = false;
    std::shared_ptr<WriteGate> checkGate = std::make_shared<WriteGate>();
    // With writeInBackground: the copy is taken this many bytes per pass of the event
    // loop (0: at once, when the writer is made); the slice that runs out of memory
    // (counted from 1; 0: making the writer; -1: none); the slices taken.
    int copySlice = 0;
    int copyFailsAt = -1;
    std::shared_ptr<int> copySlices = std::make_shared<int>(0);
    // Background writes that ended, and the bytes each wrote.
    std::shared_ptr<std::atomic<int>> backgroundWrites = std::make_shared<std::atomic<int>>(0);
    // With holdReadsAhead a read ahead of the file (the revert's) is done only when
    // the test calls finishReadAhead(); the paths whose reads were dropped.
    bool holdReadsAhead = false;
    int readsAhead = 0;
    QStringList droppedReads;
    bool isReadingAhead() const { return bool(m_heldRead); }
    void finishReadAhead()
    {
        auto ready = std::move(m_heldRead);
        m_heldRead = nullptr;
        if (ready)
            ready();
    }

protected:
    void readFileAhead(const QString &path, const QString &typeName, std::function<void()> ready) override
    {
        ++readsAhead;
        if (holdReadsAhead)
            m_heldRead = std::move(ready);
        else
            Document::readFileAhead(path, typeName, std::move(ready));
    }
    void dropFileReadAhead(const QString &path) override { droppedReads << path; }

    bool readFromFile(const QString &path, const QString &) override
    {
        ++reads;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            setFailureReason(file.errorString());
            return false;
        }
        const QByteArray bytes = file.readAll();
        if (!bytes.startsWith("TEXT\n")) {
            setFailureReason(QStringLiteral("The file is not a text document."));
            return false;
        }
        m_text = QString::fromUtf8(bytes.mid(5));
        return true;
    }

    bool writeToFile(const QString &path, const QString &) override
    {
        ++writes;
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly)) {
            setFailureReason(file.errorString());
            return false;
        }
        file.write("TEXT\n");
        if (failWrites) {
            file.cancelWriting();
            setFailureReason(failureReason);
            return false;
        }
        file.write(m_text.toUtf8());
        if (!file.commit()) {
            setFailureReason(file.errorString());
            return false;
        }
        return true;
    }

    FileWriter makeFileWriter(const QString &path, const QString &) override
    {
        if (!writeInBackground)
            return {};
        if (copyFailsAt == 0)
            throw std::bad_alloc();
        FileWriter writer;
        auto copied = std::make_shared<QByteArray>("TEXT\n" + m_text.toUtf8());
        if (copySlice > 0) {
            *copySlices = 0;
            writer.copyStep = [text = *copied, copied, slice = copySlice, failsAt = copyFailsAt,
                               slices = copySlices] {
                if (++*slices == 1)
                    copied->clear();
                if (*slices == failsAt)
                    throw std::bad_alloc();
                copied->append(text.mid(copied->size(), slice));
                return copied->size() == text.size();
            };
        }
        writer.write = [path, copied, fail = failWrites, failure = failureReason, raise = throwInBackground, gate = gate,
                        count = backgroundWrites, throughSaveFile = writeThroughSaveFile,
                        checkGate = checkGate](const ReplaceCheck &mayReplace, QString *reason) {
            const QByteArray &bytes = *copied;
            gate->pass();
            ++*count;
            if (raise)
                throw std::runtime_error("The writer broke down.");
            if (throughSaveFile) {
                platform::SaveFile file(path);
                file.setReplaceCheck([&](const platform::SaveFile::Written &written) {
                    const bool may = mayReplace(written);
                    checkGate->pass();
                    return may;
                });
                if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
                    *reason = file.errorString();
                    return false;
                }
                return true;
            }
            QSaveFile file(path);
            if (!file.open(QIODevice::WriteOnly)) {
                *reason = file.errorString();
                return false;
            }
            file.write(bytes.left(5));
            if (fail) {
                file.cancelWriting();
                *reason = failure;
                return false;
            }
            file.write(bytes.mid(5));
            // The last look, before the commit renames.
            if (!mayReplace()) {
                file.cancelWriting();
                return false;
            }
            if (!file.commit()) {
                *reason = file.errorString();
                return false;
            }
            return true;
        };
        return writer;
    }

    QWidget *makeMainWindow() override
    {
        if (windowsRunOutOfMemory)
            throw std::bad_alloc();
        auto *window = new QMainWindow;
        window->setCentralWidget(new QWidget(window));
        window->resize(400, 300);
        if (withMenus)
            new platform::StandardMenus(window->menuBar(), documentController());
        return window;
    }

private:
    QString m_text;
    std::function<void()> m_heldRead;
};

inline const QString TextTypeName = QStringLiteral("Text Format");

inline platform::DocumentType textType()
{
    return platform::DocumentType(TextTypeName, {QStringLiteral("txtdoc")}, QStringLiteral("application/x-textdoc"),
                                  [](QObject *parent) { return new TextDocument(parent); });
}

// The platform's strings, also when the test program carries no copy of them.
inline void ensurePlatformStrings()
{
    platform::Bundle &bundle = platform::Bundle::bundleNamed(QStringLiteral("platform"));
    if (!bundle.pathForResource(QStringLiteral("Localizable.strings")).isEmpty())
        return;
    const QByteArray bytes = testsupport::readFile(
        QStringLiteral(CHRONARK_TEST_DATA_DIR "/../../resources/platform/Localizable.strings"));
    bundle.addStringsTable(QStringLiteral("Localizable"), QString::fromUtf8(bytes));
}

inline QString platformText(const char *key)
{
    return platform::Bundle::bundleNamed(QStringLiteral("platform")).localizedString(QString::fromLatin1(key));
}

inline QList<QMessageBox *> visibleMessageBoxes()
{
    QList<QMessageBox *> boxes;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (auto *box = qobject_cast<QMessageBox *>(w); box && box->isVisible())
            boxes << box;
    }
    return boxes;
}

inline QMessageBox *waitForMessageBox(int timeout = 5000)
{
    QMessageBox *found = nullptr;
    (void)QTest::qWaitFor(
        [&] {
            const QList<QMessageBox *> boxes = visibleMessageBoxes();
            found = boxes.isEmpty() ? nullptr : boxes.constLast();
            return found != nullptr;
        },
        timeout);
    return found;
}

inline QFileDialog *waitForFileDialog(int timeout = 5000)
{
    QFileDialog *found = nullptr;
    (void)QTest::qWaitFor(
        [&] {
            for (QWidget *w : QApplication::topLevelWidgets()) {
                if (auto *dialog = qobject_cast<QFileDialog *>(w); dialog && dialog->isVisible())
                    found = dialog;
            }
            return found != nullptr;
        },
        timeout);
    return found;
}

// Clicks a button of the alert and waits until it went away.
inline void answer(QMessageBox *box, QMessageBox::StandardButton button)
{
    ASSERT_NE(box, nullptr);
    QAbstractButton *b = box->button(button);
    ASSERT_NE(b, nullptr);
    QTest::mouseClick(b, Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([box] { return !box->isVisible(); }));
}

inline void drainEvents()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

inline bool writeText(const QString &path, const QByteArray &text)
{
    return testsupport::writeFile(path, "TEXT\n" + text);
}

class DocumentFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ensurePlatformStrings();
        ASSERT_TRUE(dir.isValid());
        defaults = std::make_unique<platform::UserDefaults>(home.path() + QStringLiteral("/defaults.conf"));
        controller = new platform::DocumentController;
        platform::DocumentController::setSharedDocumentController(controller);
        controller->setUserDefaults(defaults.get());
        controller->addDocumentType(textType());
    }

    void TearDown() override
    {
        for (QMessageBox *box : visibleMessageBoxes())
            box->reject();
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (auto *dialog = qobject_cast<QFileDialog *>(w); dialog && dialog->isVisible())
                dialog->reject();
        }
        drainEvents();
        delete controller;
        platform::DocumentController::setSharedDocumentController(nullptr);
        drainEvents();
    }

    QString path(const QString &name) const { return dir.filePath(name); }

    TextDocument *openText(const QString &name, const QByteArray &text, bool display = true)
    {
        if (!writeText(path(name), text))
            return nullptr;
        return qobject_cast<TextDocument *>(controller->openDocumentWithContentsOfFile(path(name), display));
    }

    TextDocument *newText(bool display = true)
    {
        return qobject_cast<TextDocument *>(controller->openUntitledDocument(display));
    }

    // Shows the document's window and waits until it is the active one.
    static bool activate(platform::Document *document)
    {
        document->showWindows();
        QWidget *window = document->mainWindow();
        if (!window)
            return false;
        QApplication::setActiveWindow(window);
        return QTest::qWaitForWindowActive(window);
    }

    // Waits for the end of the event-loop pass in which edits were registered.
    static bool waitEdited(platform::Document *document, bool edited = true)
    {
        return QTest::qWaitFor([&] { return document->isDocumentEdited() == edited; });
    }

    testsupport::ScopedXdgHome home;
    QTemporaryDir dir;
    std::unique_ptr<platform::UserDefaults> defaults;
    platform::DocumentController *controller = nullptr;
};

// Whether the text is `before`, then the name quoted and isolated as alerts quote
// names (“, U+2068, the name, U+2069, ”), then `after`; the name may be cut, shown as
// its beginning and an ellipsis.
inline bool quotes(const QString &text, const QString &before, const QString &name, const QString &after)
{
    const QString open = QStringLiteral("“\u2068");
    const QString close = QStringLiteral("\u2069”");
    if (!text.startsWith(before + open) || !text.endsWith(close + after))
        return false;
    const QString shown = text.mid(before.size() + open.size(),
                                   text.size() - before.size() - open.size() - close.size() - after.size());
    if (shown == name)
        return true;
    // A name cut at its end, or a path cut in its middle (its start and its end kept).
    const qsizetype cut = shown.indexOf(QChar(0x2026));
    return cut >= 0 && shown.size() > 1 && name.startsWith(shown.left(cut)) && name.endsWith(shown.mid(cut + 1))
        && cut + 1 + (shown.size() - cut - 1) < name.size() + 1;
}

} // namespace doctest
