#include "platform/document/ClipboardOffer.h"

#include "platform/foundation/ExceptionBoundary.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QPointer>
#include <QTimer>

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
                    refresh();
            }));
    QTimer::singleShot(0, this, ExceptionBoundary::guarded(this, "refresh", &ClipboardOffer::refresh));
}

void ClipboardOffer::refresh()
{
    ++m_reads;
    const QMimeData *data = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
    m_hasText = data && data->hasText();
    m_hasHtml = data && data->hasHtml();
}

} // namespace platform
