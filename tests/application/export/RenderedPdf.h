#pragma once
// The pages of a PDF file as poppler-utils renders them, to hold two files against
// each other page for page.
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QList>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace renderedpdf {

inline bool havePoppler()
{
    return !QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty() &&
           !QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty();
}

// Every page rendered in grey at a low resolution, in order.
inline QList<QByteArray> pages(const QString &pdf)
{
    QTemporaryDir out;
    QProcess process;
    process.start(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("24"), QStringLiteral("-gray"), pdf,
                                               out.filePath(QStringLiteral("p"))});
    EXPECT_TRUE(process.waitForFinished(120000));
    QList<QByteArray> rendered;
    for (const QString &name : QDir(out.path()).entryList(QDir::Files, QDir::Name))
        rendered.append(testsupport::readFile(out.filePath(name)));
    return rendered;
}

} // namespace renderedpdf
