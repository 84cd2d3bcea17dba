#include "platform/document/ClipboardOffer.h"

#include "platform/foundation/ExceptionBoundary.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QPointer>

namespace platform {

ClipboardOffer &ClipboardOffer::shared()
{
    static QPointer<ClipboardOffer> instance;
    static ClipboardOffer orphan(nullptr); // answers "nothing" without an application
    if (!instance && QGuiApplication::instance())
        instance = new ClipboardOffer(QGuiApplication::instance());
    return instance ? *instance : orphan;
}

ClipboardOffer::ClipboardOffer(QObject *parent)
    : QObject(parent)
{
    if (!parent)
        return;
    QClipboard *clipboard = QGuiApplication::clipboard();
    connect(clipboard, &QClipboard::changed, this,
            ExceptionBoundary::guarded(this, "changed", [this](QClipboard::Mode mode) {
                if (mode == QClipboard::Clipboard)
                    m_stale = true;
            }));
}

const ClipboardOffer &ClipboardOffer::read() const
{
    if (m_stale && parent()) {
        auto *self = const_cast<ClipboardOffer *>(this);
        if (readableHere()) {
            self->refresh();
        } else {
            // Another program holds it: offered, and Paste finds out what is there.
            self->m_hasText = self->m_hasHtml = true;
            self->m_stale = false;
        }
    }
    return *this;
}

bool ClipboardOffer::readableHere()
{
    if (QGuiApplication::clipboard()->ownsClipboard())
        return true;
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("offscreen") || platform == QLatin1String("minimal");
}

void ClipboardOffer::refresh()
{
    ++m_reads;
    m_stale = false;
    const QMimeData *data = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
    m_hasText = data && data->hasText();
    m_hasHtml = data && data->hasHtml();
}

} // namespace platform
