#pragma once
// A document controller with the Chronark type over temporary user defaults, and
// helpers that build node trees for the document tests.
#include "AppKitExtensions/NTXOutlineViewExtension.h"
#include "application/document/DocumentCounter.h"
#include "application/document/DocumentWindow.h"
#include "application/document/DocumentEdits.h"
#include "application/document/MyDocument.h"
#include "application/document/OutlineColumns.h"
#include "platform/foundation/Bundle.h"
#include "platform/document/DocumentController.h"
#include "platform/foundation/UserDefaults.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QHeaderView>
#include <QMenu>
#include <QMimeData>
#include <QRegularExpression>
#include <QToolButton>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QTest>
#include <QTreeView>
#include <memory>

// Marks a document's counter running or not, without an entry or a timer: for the
// tests of what depends on that state alone.
struct DocumentCounterProbe
{
    static void setRunning(DocumentCounter &counter, bool running) { counter.m_running = running; }
};

namespace mydoctest {

// The document with its counter state and the sheets of later changes in reach:
// the sheet operations only record that they were asked for.
class ProbeDocument : public MyDocument
{
    Q_OBJECT
public:
    using MyDocument::MyDocument;

    void setTimerRunning(bool running) { DocumentCounterProbe::setRunning(counter(), running); }

    Q_INVOKABLE void funcGroupName(QObject *, int function) { calls << QStringLiteral("group %1").arg(function); }
    Q_INVOKABLE void funcJobName(QObject *, int function) { calls << QStringLiteral("job %1").arg(function); }
    Q_INVOKABLE void doJobTimeSheet(QObject *) { calls << QStringLiteral("time"); }

    QStringList calls;
};

inline platform::DocumentType probeType(const std::shared_ptr<DocumentServices> &services)
{
    return platform::DocumentType(MyDocument::TypeName, {MyDocument::FileExtension}, MyDocument::MimeType,
                                  [services](QObject *parent) -> platform::Document * {
                                      return new ProbeDocument(parent, services);
                                  });
}

inline QDateTime at(int day, int hour, int minute = 0)
{
    return QDateTime(QDate(2024, 3, day), QTime(hour, minute), Qt::OffsetFromUTC, 3600);
}

inline NodePtr makeNode(int type, const QString &name, const QDateTime &created = at(4, 8))
{
    NodePtr node = Node::create(type, created);
    node->setItemName(name);
    return node;
}

// A job with the wage, one day and time entries of the given spans (start hour,
// minutes worked) on March 4th 2024.
inline NodePtr makeJob(const QString &name, float wage, const QList<std::pair<int, int>> &entries)
{
    NodePtr job = makeNode(Node::Job, name);
    job->setWage(wage);
    if (entries.isEmpty())
        return job;
    NodePtr day = makeNode(Node::Day, QString(), at(4, 0));
    day->setItemNameByType();
    job->addChild(day);
    for (const auto &[hour, minutes] : entries) {
        NodePtr entry = makeNode(Node::TimeEntry, QString(), at(4, hour));
        entry->setlDate(at(4, hour).addSecs(qint64(minutes) * 60));
        entry->setWage(wage);
        day->addChild(entry);
        entry->refreshWorkTime();
        entry->setItemNameByType();
        entry->recalcWorkTime();
    }
    return job;
}

inline void drainEvents()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

inline QMessageBox *waitForMessageBox(QWidget *parent, int timeout = 5000)
{
    QMessageBox *found = nullptr;
    (void)QTest::qWaitFor(
        [&] {
            for (QMessageBox *box : parent->findChildren<QMessageBox *>()) {
                if (box->isVisible())
                    found = box;
            }
            return found != nullptr;
        },
        timeout);
    return found;
}

// Drops the node (its whole row, as the view drags it) at the row of the parent.
inline bool dropAt(MyDocument *document, const NodePtr &node, const QModelIndex &parent, int row)
{
    DocumentOutlineModel *model = document->outlineModel();
    const QModelIndex index = model->indexForNode(node.get());
    QModelIndexList indexes;
    for (int column = 0; column < model->columnCount(); ++column)
        indexes << index.siblingAtColumn(column);
    const std::unique_ptr<QMimeData> data(model->mimeData(indexes));
    return data && model->canDropMimeData(data.get(), Qt::MoveAction, row, 0, parent)
           && model->dropMimeData(data.get(), Qt::MoveAction, row, 0, parent);
}

// Clicks the button with the title and waits until the box went away.
inline void clickButton(QMessageBox *box, const QString &title)
{
    ASSERT_NE(box, nullptr);
    QAbstractButton *target = nullptr;
    // The title as it reads, whatever letter of it is the button's mnemonic.
    const auto shown = [](QString text) { return text.remove(QLatin1Char('&')); };
    for (QAbstractButton *button : box->buttons()) {
        if (shown(button->text()) == shown(title))
            target = button;
    }
    ASSERT_NE(target, nullptr) << title.toStdString();
    QPointer<QMessageBox> guard(box);
    QTest::mouseClick(target, Qt::LeftButton);
    // The handler runs after the box ended; then the box goes away.
    EXPECT_TRUE(QTest::qWaitFor([guard] { return !guard; }));
}

class MyDocumentFixture : public ::testing::Test
{
protected:
    // Saves by hand and waits for the outcome.
    static bool saveAndWait(MyDocument *document)
    {
        int calls = 0;
        bool saved = false;
        document->saveDocumentWithCompletion([&](bool ok) {
            saved = ok;
            ++calls;
        });
        return QTest::qWaitFor([&] { return calls == 1; }, 20000) && saved;
    }

    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        defaults = std::make_unique<platform::UserDefaults>(home.path() + QStringLiteral("/defaults.conf"));
        controller = new platform::DocumentController;
        platform::DocumentController::setSharedDocumentController(controller);
        controller->setUserDefaults(defaults.get());
        controller->addDocumentType(probeType(services));
        services->runningCounters = 0;
        services->menuRebuilder = {};
    }

    void TearDown() override
    {
        for (QWidget *w : QApplication::allWidgets()) {
            if (auto *box = qobject_cast<QMessageBox *>(w); box && box->isVisible())
                box->reject();
            if (auto *dialog = qobject_cast<QFileDialog *>(w); dialog && dialog->isVisible())
                dialog->reject();
        }
        drainEvents();
        delete controller;
        platform::DocumentController::setSharedDocumentController(nullptr);
        services->runningCounters = 0;
        services->menuRebuilder = {};
        drainEvents();
    }

    ProbeDocument *newDocument(bool display = false)
    {
        return qobject_cast<ProbeDocument *>(controller->openUntitledDocument(display));
    }

    ProbeDocument *openDocument(const QString &path, bool display = false)
    {
        return qobject_cast<ProbeDocument *>(controller->openDocumentWithContentsOfFile(path, display));
    }

    QString path(const QString &name) const { return dir.filePath(name); }

    static QTreeView *outline(MyDocument *document) { return document->outlineView(); }

    // The text of the totals header's column with the identifier.
    static QString totalText(MyDocument *document, const QString &identifier)
    {
        QHeaderView *header = document->tableHeaderView();
        if (!header)
            return QStringLiteral("<no header>");
        const int logical = OutlineColumns::logicalIndexForColumnIdentifier(header, identifier);
        return header->model()->headerData(logical, Qt::Horizontal, Qt::DisplayRole).toString();
    }

    // The outline's row of a node (column 0).
    static QModelIndex indexOf(MyDocument *document, const NodePtr &node)
    {
        return document->outlineModel()->indexForNode(node.get());
    }

    static void select(MyDocument *document, const QList<NodePtr> &nodes)
    {
        QList<QVariant> items;
        for (const NodePtr &node : nodes) {
            QModelIndex index = indexOf(document, node);
            for (QModelIndex p = index.parent(); p.isValid(); p = p.parent())
                outline(document)->expand(p);
            items << QVariant::fromValue(node);
        }
        NTXOutlineViewExtension::selectItems(outline(document), items, false);
    }

    // Puts the nodes under the document's root and refreshes the window.
    static void fill(MyDocument *document, const QList<NodePtr> &topLevel)
    {
        for (const NodePtr &node : topLevel)
            document->jobList()->addChild(node);
        document->reloadOutline();
        document->updateUI();
    }

    // What the fixture's documents share (the application controller's part).
    std::shared_ptr<DocumentServices> services = std::make_shared<DocumentServices>();
    testsupport::ScopedXdgHome home;
    QTemporaryDir dir;
    std::unique_ptr<platform::UserDefaults> defaults;
    platform::DocumentController *controller = nullptr;
};

// The shared document controller of the application's own document type (its sheets
// and all, unlike the fixture's probe) over temporary user defaults, for as long as
// it lives; the outline rules installed.
class RealDocuments
{
public:
    RealDocuments() : defaults(home.path() + QStringLiteral("/defaults.conf"))
    {
        NTXOutlineViewExtension::install();
        platform::DocumentController::setSharedDocumentController(&controller);
        controller.setUserDefaults(&defaults);
        controller.addDocumentType(MyDocument::documentType());
    }
    ~RealDocuments() { platform::DocumentController::setSharedDocumentController(nullptr); }

    MyDocument *openUntitled(bool display) { return qobject_cast<MyDocument *>(controller.openUntitledDocument(display)); }

    testsupport::ScopedXdgHome home;
    platform::UserDefaults defaults;
    platform::DocumentController controller;
};

} // namespace mydoctest
