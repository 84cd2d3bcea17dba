#pragma once
// The document file of type "Chronark Format": a UTF-8 XML document whose root
// element "Chronark" (version "2.0") holds the node tree and then the window state.
//
//   <Chronark version="2.0">
//     <document createDate=… lastDate=… itemName=… hours minutes colorLabelType
//               active executed description turnover wage> groupEntry / jobEntry /
//               dayEntry / timeEntry elements with the same attributes </document>
//     <documentValues source="mac" available windowFrame descriptVisible drawerVisible>
//       <tableColumnArray> <tableColumnData width identifier/> … </tableColumnArray>
//     </documentValues>
//   </Chronark>
//
// Names and descriptions are entity-converted before the XML writer escapes them,
// so they are stored escaped twice; the reader undoes both steps. A UTF-8 byte-order
// mark may stand before the declaration (other editors write one); it is no part of
// the document. Older files, the
// platform's sequential archive ("typedstream"), are read by the archive decoder.
//
// Every document the writer writes, the reader reads: the writer refuses, with a
// reason, a tree that breaks one of the reader's bounds (nesting, element count,
// attribute length, references per tag, file size). The reader refuses a document
// type declaration (the format never has one, so no entity is ever expanded), a
// declared encoding other than UTF-8, an attribute whose name is no XML name (which
// the XML library lets through, where it refuses such an element name; the direct
// reader takes ASCII letters alone and hands other names over), and, before the XML
// library buffers them, a tag with more attributes than the bound, an attribute value
// past its length, a tag past its references, and character data, comments, CDATA
// sections and processing instructions past a small bound (the format holds no text;
// white space between elements has a larger bound of its own). A document in the form the
// writer makes is read straight from its bytes in one pass, under the same bounds;
// any other XML is handed to the XML library behind the markup guard, and either
// way the answer is the library's. Which reader reads a file is decided once: a
// refusal of the direct reader is final, and only a document of another form is read
// again, by the library alone. A document is not read from anything but a regular
// file. Threading: all functions are re-entrant; no shared state.
//
// Sources by job: DocumentFileFormat.cpp which reader reads a file;
// DocumentFileFormatDirectReader.cpp (with WrittenFormTokens) the writer's form;
// DocumentFileFormatLibraryReader.cpp any other XML; XmlDocumentReader.h the tree
// both build; DocumentFileFormatWriter.cpp and DocumentFileFormatWritable.cpp the
// writing and its check; DocumentFileFormatValues.cpp the value rules.
#include "application/tree/DocumentValuesStore.h"
#include "application/tree/Node.h"
#include "platform/foundation/SaveFile.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <QStringView>

class QFile;
class QIODevice;
class QXmlStreamWriter;
class DocumentXmlWriter;

class DocumentFileFormat
{
public:
    static inline const QString TypeName = QStringLiteral("Chronark Format");

    // Bounds of what the reader accepts.
    static constexpr int MaximumDepth = 256;                        // element nesting
    static constexpr qsizetype MaximumAttributeLength = 1 << 24;    // characters, as parsed
    // Characters of all attribute values of one tag: a name and a description at
    // their bound, with room for the short ones.
    static constexpr qsizetype MaximumTagTextLength = 2 * MaximumAttributeLength + (1 << 16);
    // Character and entity references in the values of one tag ("&#10;", "&amp;"):
    // the XML library takes far longer over one than over a plain character.
    static constexpr qint64 MaximumReferencesPerTag = 1 << 20;
    // Bytes of one run of character data between tags, of a comment, a CDATA section
    // or a processing instruction (the format holds none but the XML declaration).
    static constexpr qint64 MaximumTextLength = 1 << 16;
    // Bytes of white space between two tags (indentation).
    static constexpr qint64 MaximumWhitespaceLength = 1 << 20;
    // Bytes of a tag outside its quoted values: names, blanks and equals signs.
    static constexpr qint64 MaximumTagLength = 1 << 16;
    static constexpr qint64 MaximumFileSize = qint64(1) << 30;      // bytes
    static constexpr qint64 MaximumElementCount = 4'000'000;        // elements below the root
    static constexpr int MaximumAttributesPerElement = 32;          // the format has eleven
    static constexpr qint64 MaximumArchiveSize = qint64(256) << 20; // bytes of an older archive
    // Bytes of memory a read of an older archive may hold (its records, values and
    // nodes, as the reader charges them: what their blocks take from the allocator)
    // for each byte of it, beyond a first MiB. The bound follows from what the archive
    // of a valid document can cost at worst: a document is its nodes, each with the
    // few objects it holds, and each kind of them takes at least so many bytes of the
    // stream and is charged at most so much (a shared object, a zone, a format, a date
    // or a name referred back to, costs a byte where it stands and is charged once):
    //   a node without children, as small as the writer makes it: 27 bytes (the new
    //     object and its class, 1 + 1; the type strings of its seven groups, 7; its
    //     empty list, 5; no name and no description, 2; type, hours, minutes, the two
    //     flags, turnover and wage as one-byte numbers, 7; its two dates referred back
    //     to, 2; its end, 1; the type string of its group in its parent's list, 1),
    //     charged 300: the node in its block 192, its place among its parent's children
    //     16, its place and its value's place in the read's table 9 + 34, its item in
    //     the list being read 40 (32 once the list is decoded), its empty list's place
    //     9: 11.11 a byte;
    //   a node with one child: 27 bytes too (its list of one takes the bytes of an empty
    //     one), charged 192, 9 + 34 and 9 as above and its block of children 32 (which
    //     holds the child's place): 276, 10.22 a byte, which chains of such nodes (a
    //     group holding a job holding a day holding a time entry) reach, the item of
    //     the chain's top in its list aside (its list's value's place, 34, is given back
    //     once the node holds the child, and taken by the node's own value);
    //   a name or description of its own (not referred back to, nor equal to one of
    //     the last four read): a string object of 4 bytes more than nothing and its
    //     UTF-8 bytes, charged its places 9 + 17 (a text's place is half another
    //     value's) and its text's block 32 + 2 for each character: one byte, 5 bytes
    //     for 60 (12.0 a byte); two, 6 for 62 (10.3); three or more, 9.2 a byte or
    //     less; none, 4 bytes for 43 (no block, and the place of another value, 9 + 34:
    //     10.75); so the worst node is one without children holding a name and a
    //     description of one byte each: 37 bytes charged 300 + 120, 11.35 a byte;
    //   a date of its own: 8 bytes or more for its places, 43, 5.4 a byte;
    //   the window state, its columns, each zone and format, and the objects being read
    //     at once (at most MaximumDepth nodes inside each other, with their lists):
    //     within the first MiB.
    // The worst, 11.35, with a margin of 23 %: 14. (The charges are the reader's own
    // figures, not measured: a document reaches no more than them. DocumentArchive.
    // ReadsTheWorstShapeOfEachKindOfRecord reads each kind's worst at 200,000 entries.)
    // A stream that would expand into more than this is refused as too large.
    static constexpr qsizetype ArchiveMemoryPerByte = 14;

    struct ReadResult
    {
        // The new root (type 4): parents set, running entries closed, sums recomputed.
        NodePtr root;
        DocumentValuesStore store;
    };

    // Writes the document atomically, streaming into the save file: a failed write
    // leaves an existing file whole. The reason of a failure (the system's, or the
    // bound the document breaks) goes to *errorReason when given. A replace check,
    // when given, is asked just before the new file takes the file's place, with what
    // was written (platform::SaveFile::setReplaceCheck()): false leaves the file as it is.
    // A name or description holding a character XML 1.0 cannot hold is written with
    // U+FFFD in its place; *replaced (when given) then tells the first such one, as a
    // person reads it: the node, the field and the character. Empty when none is.
    static bool writeToFile(const QString &path, const QString &typeName, const Node &root,
                            const DocumentValuesStore &store, QString *errorReason = nullptr,
                            const std::function<bool(const platform::SaveFile::Written &)> &replaceCheck = {},
                            QString *replaced = nullptr);
    // Whether the reader would take what the writer makes of this tree (all but the
    // file size, which only the writing knows); the reason when not. *replaced as
    // writeToFile() tells it.
    static bool checkWritable(const Node &root, const DocumentValuesStore &store, QString *errorReason = nullptr,
                              QString *replaced = nullptr);
    // Reads a document file (XML, or an older archive). On failure `out` is untouched.
    static bool readFromFile(const QString &path, const QString &typeName, ReadResult &out);
    // What readFromFile() reads, from a file already opened (read from its start);
    // the read-ahead reads the very descriptor whose identity it took.
    static bool readFromOpenFile(QFile &file, ReadResult &out);

    // The bytes writeToFile() writes, in memory.
    static QByteArray toXmlData(const Node &root, const DocumentValuesStore &store);
    // The document through the XML library's writer, set to auto-formatting: the
    // same bytes as the document's own writer (DocumentXmlWriter), which saves use.
    static void writeDocument(QXmlStreamWriter &writer, const Node &root, const DocumentValuesStore &store);
    static void writeDocument(DocumentXmlWriter &writer, const Node &root, const DocumentValuesStore &store);
    // The XML form only (no check of the leading bytes). On failure `out` is untouched.
    static bool readXmlData(const QByteArray &data, ReadResult &out);
    // The document form the writer makes (declaration, elements, attributes in
    // double quotes, white space between tags) is read straight from the bytes, in
    // one pass; any other XML through the XML library behind the markup guard.
    // Bytes with more start tags than the element bound (a made-up file: a written
    // one that large is past the size bound) have their elements counted first,
    // without a tree, so that one past the bound is refused in little memory. The
    // start tags are looked for only up to the first byte no document holds (a
    // control character, a byte never in UTF-8), where both readers refuse at the
    // latest: the zeros a crash leaves after a sound opening are never read.
    static bool readXmlDevice(QIODevice *device, ReadResult &out);
    // The two readers behind readXmlDevice. The direct one reads the writer's form
    // only: it answers for a document of that form, read or refused (a refusal is one
    // the library would give too: no XML, cut short, or past a bound of the markup
    // guard, which then decides); for any other form it sets *handedOver, answers
    // false and leaves `out` untouched, and the device is then read partly.
    static bool readWrittenForm(QIODevice *device, ReadResult &out, bool *handedOver);
    // Any XML: the library behind XmlMarkupGuardDevice.
    static bool readXmlWithLibrary(QIODevice *device, ReadResult &out);
    // Chooses the form by bytes 2 to 12: "xml version" or the archive's "typedstream".
    static bool readData(const QByteArray &data, ReadResult &out);
    static bool readArchiveData(const QByteArray &data, ReadResult &out);

    // Value rules of the file, shared by the node and store readers and writers.
    // Leading integer after blanks, with sign; saturates; 0 when there is none.
    static int intValue(QStringView text);
    // Leading decimal number after blanks (C locale); 0 when there is none.
    static float floatValue(QStringView text);
    // A double as a float, saturating at the largest finite float; NaN stays NaN.
    static float clampToFloat(double value);
    // printf's "%f" of the float widened to double, in the C locale.
    static QString formatFloat(float value);
    // Characters XML 1.0 cannot hold (controls but tab, LF and CR; lone surrogates;
    // U+FFFE, U+FFFF) replaced by U+FFFD.
    static QString xmlSafeText(const QString &text);
    // Where the first such character stands; -1 when there is none.
    static qsizetype unwritableAt(QStringView text);
    // Whether a text is a name as XML 1.0 has it (fifth edition: a name-start
    // character, then name characters; the colon among them, names being read
    // without namespaces). The reader refuses a document with an attribute named
    // otherwise, as the XML library refuses such an element name.
    static bool isXmlName(QStringView name);

    // Bytes 2 to 12 of a file: "xml version" or the archive's "typedstream". An XML
    // document may begin with a UTF-8 byte-order mark (other editors write one), and
    // its bytes are then counted after the mark. The first LeadingByteCount bytes of
    // a file are enough to tell.
    enum class Kind { Unknown, Xml, Archive };
    static constexpr qsizetype LeadingByteCount = 16;
    static Kind kindOfLeadingBytes(const QByteArray &leadingBytes);
    // The UTF-8 byte-order mark.
    static constexpr char ByteOrderMark[] = "\xEF\xBB\xBF";
};
