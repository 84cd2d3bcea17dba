#pragma once
// Text with attributes: a string and a list of runs, each a length and a map of
// attribute names to values, covering the whole text. Runs are kept as they were
// made: the effective range of an index is its run, the longest effective range
// joins the neighbouring runs of equal attributes (within a given range).
//
// Edits can be batched: beginEditing()/endEditing() nest, and the observer given to
// setEditingObserver() hears of the changes once, when the outermost batch ends
// (at once for an edit outside any batch).
//
// Value type, not thread-safe. A range outside the text raises platform::Exception
// named "NSRangeException" and changes nothing.
#include "platform/foundation/Range.h"

#include <QList>
#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <functional>

class QTextDocument;

namespace platform {

class AttributedString
{
public:
    using Attributes = QVariantMap;
    struct Run
    {
        qsizetype length = 0;
        Attributes attributes;
        friend bool operator==(const Run &a, const Run &b) = default;
    };

    // Attribute names and the value types they hold.
    static inline const QString FontAttribute = QStringLiteral("NSFont");                       // QFont
    static inline const QString ForegroundColorAttribute = QStringLiteral("NSColor");           // QColor
    static inline const QString BackgroundColorAttribute = QStringLiteral("NSBackgroundColor"); // QColor
    static inline const QString LinkAttribute = QStringLiteral("NSLink");                       // QUrl
    static inline const QString UnderlineStyleAttribute = QStringLiteral("NSUnderline");        // int, 1 single

    AttributedString() = default;
    explicit AttributedString(const QString &string, const Attributes &attributes = {});

    const QString &string() const { return m_string; }
    qsizetype length() const { return m_string.size(); }
    bool isEmpty() const { return m_string.isEmpty(); }
    const QList<Run> &runs() const { return m_runs; }

    // The attributes at the index; `effective` (when given) receives the run.
    Attributes attributesAt(qsizetype index, Range *effective = nullptr) const;
    // The same with the longest range of equal attributes inside `within`.
    Attributes attributesAt(qsizetype index, Range *longest, Range within) const;
    QVariant attributeAt(const QString &name, qsizetype index, Range *effective = nullptr) const;
    QVariant attributeAt(const QString &name, qsizetype index, Range *longest, Range within) const;

    AttributedString substring(Range range) const;

    // Editing
    void replaceCharacters(Range range, const AttributedString &replacement);
    // Plain text takes the attributes of the first replaced character (of the one
    // before for an insertion; none in an empty text).
    void replaceCharacters(Range range, const QString &text);
    void append(const AttributedString &other);
    void append(const QString &text, const Attributes &attributes);
    void setAttributes(const Attributes &attributes, Range range);
    void addAttribute(const QString &name, const QVariant &value, Range range);
    void removeAttribute(const QString &name, Range range);

    void beginEditing();
    void endEditing();
    int editingDepth() const { return m_editingDepth; }
    void setEditingObserver(std::function<void()> observer) { m_observer = std::move(observer); }

    // A rich-text document of the text: font, colours, link (an anchor) and underline.
    void writeTo(QTextDocument &document) const;
    static AttributedString fromTextDocument(const QTextDocument &document);

    friend bool operator==(const AttributedString &a, const AttributedString &b);

private:
    void check(Range range) const;
    // Splits runs so that a run boundary falls at the index; answers the run's index.
    qsizetype splitAt(qsizetype index);
    void dropEmptyRuns();
    void changed();

    QString m_string;
    QList<Run> m_runs;
    int m_editingDepth = 0;
    bool m_pendingChange = false;
    std::function<void()> m_observer;
};

} // namespace platform
