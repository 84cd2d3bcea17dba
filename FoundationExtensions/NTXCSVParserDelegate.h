#pragma once
// What an NTXCSVParser reports, event by event. Every operation has an empty
// default: a delegate overrides those it needs. Calls come on the thread that runs
// parse(); a handler may call the parser's cancelParsing() but must not destroy it.
#include "FoundationExtensions/NTXCSVError.h"

#include <QString>

class NTXCSVParser;

class NTXCSVParserDelegate
{
public:
    virtual ~NTXCSVParserDelegate() = default;

    // Before the first character; `path` is the parser's file, empty for other sources.
    virtual void parserDidStartDocument(NTXCSVParser *, const QString &path) { (void)path; }
    // At the first character of a line that is not a comment; lines count from 1.
    virtual void parserDidStartLine(NTXCSVParser *, qsizetype line) { (void)line; }
    virtual void parserDidReadField(NTXCSVParser *, const QString &field) { (void)field; }
    virtual void parserDidEndLine(NTXCSVParser *, qsizetype line) { (void)line; }
    // After the last line when nothing failed.
    virtual void parserDidEndDocument(NTXCSVParser *, const QString &path) { (void)path; }
    // Instead of parserDidEndDocument() after a read, decoding or cancel failure.
    virtual void parserDidFailWithError(NTXCSVParser *, const NTXCSVError &error) { (void)error; }
};
