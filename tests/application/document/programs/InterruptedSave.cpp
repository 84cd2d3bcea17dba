// A save killed as it renames its file into place: what a crash, a kill or a power
// cut at that moment leaves behind.
//
//   chronark-interrupted-save SOURCE TARGET
//
// Reads the document file SOURCE and saves it to TARGET through the document
// file's writer. Before the save the process asks the kernel (a seccomp filter) to
// kill it at its first rename, so it dies exactly where the save would put its
// finished temporary file over TARGET. Exit status 2: SOURCE could not be read;
// 3: the filter could not be set; 4: the save ended without a rename (the killing
// did not happen). Killed by SIGSYS: the interruption took place.
#include "application/tree/DocumentFileFormat.h"
#include "tests/support/SystemCallFilter.h"

#include <QCoreApplication>
#include <QString>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: chronark-interrupted-save SOURCE TARGET\n");
        return 1;
    }
    const QString source = QString::fromLocal8Bit(argv[1]);
    const QString target = QString::fromLocal8Bit(argv[2]);
    DocumentFileFormat::ReadResult read;
    if (!DocumentFileFormat::readFromFile(source, DocumentFileFormat::TypeName, read) || !read.root)
        return 2;
    if (!testsupport::filterSystemCalls(testsupport::answeredWith(testsupport::renameCalls(), 0)))
        return 3;
    QString reason;
    DocumentFileFormat::writeToFile(target, DocumentFileFormat::TypeName, *read.root, read.store, &reason);
    return 4;
}
