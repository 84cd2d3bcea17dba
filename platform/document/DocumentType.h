#pragma once
// One kind of document the application edits: its name (the type name documents
// carry, e.g. "Chronark Format"), the file name extensions and MIME type of its
// files, and the factory that makes an empty document of the application's class.
// Threads: reentrant; no shared state, so separate values may be used on any thread.
#include <QString>
#include <QStringList>
#include <functional>

class QObject;

namespace platform {

class Document;

class DocumentType
{
public:
    using Factory = std::function<Document *(QObject *parent)>;

    DocumentType() = default;
    DocumentType(QString name, QStringList extensions, QString mimeType, Factory factory);

    const QString &name() const { return m_name; }
    // Extensions without the dot, the first one is given to new files.
    const QStringList &extensions() const { return m_extensions; }
    const QString &mimeType() const { return m_mimeType; }
    const Factory &factory() const { return m_factory; }

    bool isValid() const { return !m_name.isEmpty() && bool(m_factory); }

    // The extension new files get ("" when the type has none).
    QString preferredExtension() const;
    // A file dialog name filter: "Chronark Format (*.chronark)".
    QString fileDialogFilter() const;
    // Whether the file name ends in one of the extensions (case-insensitive).
    bool matchesFileName(const QString &path) const;
    // Makes an empty document of this type (null when there is no factory).
    Document *makeDocument(QObject *parent) const;

private:
    QString m_name;
    QStringList m_extensions;
    QString m_mimeType;
    Factory m_factory;
};

} // namespace platform
