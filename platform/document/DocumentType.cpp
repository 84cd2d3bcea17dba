#include "platform/document/DocumentType.h"

#include "platform/document/Document.h"

#include <QFileInfo>

namespace platform {

DocumentType::DocumentType(QString name, QStringList extensions, QString mimeType, Factory factory)
    : m_name(std::move(name)), m_mimeType(std::move(mimeType)), m_factory(std::move(factory))
{
    for (QString ext : extensions) {
        ext = ext.trimmed();
        while (ext.startsWith(QLatin1Char('.')))
            ext.remove(0, 1);
        if (!ext.isEmpty() && !m_extensions.contains(ext, Qt::CaseInsensitive))
            m_extensions.append(ext);
    }
}

QString DocumentType::preferredExtension() const
{
    return m_extensions.isEmpty() ? QString() : m_extensions.first();
}

QString DocumentType::fileDialogFilter() const
{
    if (m_extensions.isEmpty())
        return m_name + QStringLiteral(" (*)");
    QStringList patterns;
    for (const QString &ext : m_extensions)
        patterns << QStringLiteral("*.") + ext;
    return m_name + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
}

bool DocumentType::matchesFileName(const QString &path) const
{
    const QString fileName = QFileInfo(path).fileName();
    for (const QString &ext : m_extensions) {
        if (fileName.size() > ext.size() + 1 && fileName.endsWith(QLatin1Char('.') + ext, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

Document *DocumentType::makeDocument(QObject *parent) const
{
    if (!m_factory)
        return nullptr;
    Document *document = m_factory(parent);
    if (document && document->fileType().isEmpty())
        document->setFileType(m_name);
    return document;
}

} // namespace platform
