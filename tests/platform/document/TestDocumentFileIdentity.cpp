// Whether the document's file was changed by another program is told by the file's
// whole identity, and by its content where the identity cannot tell yet: a file put
// in its place by rename with the same size and times (as cp -p, rsync -t and tar
// leave it), or rewritten in place with its time put back, is never saved over
// without the question, on tmpfs (times to the nanosecond) as on a file system with
// whole-second times, where such a rewrite within the second leaves every stamp
// as it was.
#include "TestDocumentSupport.h"

#include "platform/foundation/RegularFile.h"
#include "tests/support/ScopedFileSystem.h"

#include <QFile>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>

using namespace doctest;
using testsupport::ScopedFileSystem;
namespace RegularFile = platform::RegularFile;

namespace {

class DocumentFileIdentityTest : public DocumentFixture, public ::testing::WithParamInterface<ScopedFileSystem::Kind>
{
protected:
    static struct timespec modificationTime(const QString &file)
    {
        struct stat st {};
        EXPECT_EQ(::stat(QFile::encodeName(file).constData(), &st), 0);
        return st.st_mtim;
    }
    // Sets the modification time, as cp -p, rsync -t, tar and touch -r do.
    static bool setModificationTime(const QString &file, struct timespec time)
    {
        const struct timespec times[2] = {{0, UTIME_OMIT}, time};
        return ::utimensat(AT_FDCWD, QFile::encodeName(file).constData(), times, 0) == 0;
    }
    // Writes new bytes of the same length over the file in place, and puts its time back.
    static bool rewriteInPlace(const QString &file, const QByteArray &bytes)
    {
        const struct timespec before = modificationTime(file);
        QFile opened(file);
        if (!opened.open(QIODevice::ReadWrite) || opened.size() != bytes.size() || opened.write(bytes) != bytes.size())
            return false;
        opened.close();
        return setModificationTime(file, before);
    }
    // Saves by hand, answering the question about a changed file when it comes.
    static bool saveAskingAnswered(TextDocument *doc, bool *asked)
    {
        int calls = 0;
        bool saved = false;
        doc->saveDocumentWithCompletion([&](bool ok) {
            saved = ok;
            ++calls;
        });
        *asked = false;
        // The save ends, or asks first.
        if (!QTest::qWaitFor([&] { return calls == 1 || !visibleMessageBoxes().isEmpty(); }, 10000))
            return false;
        if (calls == 0) {
            QMessageBox *box = visibleMessageBoxes().constLast();
            *asked = box->text() == QStringLiteral("The file has been changed by another application since you opened or saved it.");
            answer(box, QMessageBox::Save);
        }
        return QTest::qWaitFor([&] { return calls == 1; }, 10000) && saved;
    }
};

} // namespace

TEST_P(DocumentFileIdentityTest, AChangeWithTheSameSizeAndTimesIsNeverSavedOverWithoutAsking)
{
    const ScopedFileSystem fileSystem(GetParam());
    if (fileSystem.path().isEmpty())
        GTEST_SKIP() << fileSystem.skipReason().toStdString();
    const bool wholeSeconds = GetParam() == ScopedFileSystem::Kind::WholeSeconds;
    const QString file = fileSystem.path() + QStringLiteral("/work.txtdoc");

    // Everything up to the rewrite falls within one second.
    ASSERT_TRUE(ScopedFileSystem::waitForStartOfSecond());
    ASSERT_TRUE(writeText(file, "original"));
    auto *doc = qobject_cast<TextDocument *>(controller->openDocumentWithContentsOfFile(file, true));
    ASSERT_NE(doc, nullptr);
    EXPECT_FALSE(doc->fileChangedOnDisk()) << "nothing changed";
    const std::optional<RegularFile::Identity> read = RegularFile::identityOf(file);
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->stampGrainNanoseconds >= 1'000'000'000, wholeSeconds);

    // Rewritten in place, of the same size, its modification time put back.
    ASSERT_TRUE(rewriteInPlace(file, "TEXT\nchanged!"));
    if (wholeSeconds) {
        EXPECT_EQ(RegularFile::identityOf(file), read) << "the rewrite left every stamp as it was";
    }
    EXPECT_TRUE(doc->fileChangedOnDisk());
    doc->setText(QStringLiteral("mine one"));
    bool asked = false;
    ASSERT_TRUE(saveAskingAnswered(doc, &asked));
    EXPECT_TRUE(asked) << "Ctrl+S saved over the change without asking";
    EXPECT_EQ(testsupport::readFile(file), "TEXT\nmine one");
    // Its own save is no change of another program's, also within the second.
    EXPECT_FALSE(doc->fileChangedOnDisk());
    ASSERT_TRUE(saveAskingAnswered(doc, &asked));
    EXPECT_FALSE(asked);

    // Replaced by rename with a file of the same size and times.
    const QString copy = fileSystem.path() + QStringLiteral("/copy.txtdoc");
    ASSERT_TRUE(writeText(copy, "theirs!!"));
    ASSERT_TRUE(setModificationTime(copy, modificationTime(file)));
    ASSERT_EQ(::rename(QFile::encodeName(copy).constData(), QFile::encodeName(file).constData()), 0);
    EXPECT_TRUE(doc->fileChangedOnDisk());
    doc->setText(QStringLiteral("mine two"));
    ASSERT_TRUE(saveAskingAnswered(doc, &asked));
    EXPECT_TRUE(asked) << "Ctrl+S saved over the replaced file without asking";
    EXPECT_EQ(testsupport::readFile(file), "TEXT\nmine two");

    // Once the grain has passed, the settled file is told by its identity alone.
    ASSERT_TRUE(QTest::qWaitFor([&] { return RegularFile::identityOf(file)->isSettled(); }, 5000));
    EXPECT_FALSE(doc->fileChangedOnDisk());
    ASSERT_TRUE(rewriteInPlace(file, "TEXT\nlater!!!"));
    EXPECT_TRUE(doc->fileChangedOnDisk());
    doc->close();
    drainEvents();
}

INSTANTIATE_TEST_SUITE_P(FileSystems, DocumentFileIdentityTest,
                         ::testing::Values(ScopedFileSystem::Kind::Tmpfs, ScopedFileSystem::Kind::WholeSeconds),
                         [](const ::testing::TestParamInfo<ScopedFileSystem::Kind> &kind) {
                             return kind.param == ScopedFileSystem::Kind::Tmpfs ? std::string("Tmpfs")
                                                                                 : std::string("WholeSeconds");
                         });
