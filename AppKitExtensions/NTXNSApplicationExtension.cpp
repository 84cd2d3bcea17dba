#include "AppKitExtensions/NTXNSApplicationExtension.h"

#include <QDialog>
#include <QEvent>
#include <QHash>
#include <QPointer>
#include <QWidget>

namespace NTXNSApplicationExtension {

namespace {

// One running sheet: watches the sheet and its parent window until the block ran.
class SheetSession : public QObject
{
public:
    SheetSession(QWidget *sheet, QWidget *window, DidEndBlock block)
        : m_sheet(sheet)
        , m_sheetIdentity(sheet)
        , m_window(window)
        , m_block(std::move(block))
    {
    }

    void start();
    void end(int returnCode);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPointer<QWidget> m_sheet;
    const QWidget *m_sheetIdentity;
    QPointer<QWidget> m_window;
    DidEndBlock m_block;
    bool m_ended = false;
};

QHash<const QWidget *, SheetSession *> &sessions()
{
    static QHash<const QWidget *, SheetSession *> running;
    return running;
}

void SheetSession::start()
{
    QWidget *sheet = m_sheet.data();
    if (m_window && sheet->parentWidget() != m_window)
        sheet->setParent(m_window, Qt::Dialog);
    else if (!sheet->isWindow())
        sheet->setWindowFlags(Qt::Dialog);
    sheet->setWindowModality(Qt::WindowModal);
    sheet->installEventFilter(this);
    if (m_window)
        m_window->installEventFilter(this);
    connect(sheet, &QObject::destroyed, this, [this]() { end(ModalResponseAbort); });
    if (auto *dialog = qobject_cast<QDialog *>(sheet)) {
        connect(dialog, &QDialog::finished, this, [this](int result) { end(result); });
        dialog->open();
    } else {
        sheet->show();
    }
}

void SheetSession::end(int returnCode)
{
    if (m_ended)
        return;
    m_ended = true;
    sessions().remove(m_sheetIdentity);
    if (m_sheet) {
        m_sheet->removeEventFilter(this);
        disconnect(m_sheet.data(), nullptr, this, nullptr);
    }
    if (m_window)
        m_window->removeEventFilter(this);
    DidEndBlock block = std::move(m_block);
    m_block = nullptr;
    deleteLater();
    if (block)
        block(returnCode);
}

bool SheetSession::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::Hide || event->spontaneous() || m_ended)
        return false;
    if (watched == m_window.data()) {
        end(ModalResponseAbort);
    } else if (watched == m_sheet.data()) {
        // a dialog hides itself before it reports how it finished: look again once
        // that has happened
        QMetaObject::invokeMethod(
            this, [this]() { end(ModalResponseAbort); }, Qt::QueuedConnection);
    }
    return false;
}

} // namespace

void beginSheet(QWidget *sheet, QWidget *window, DidEndBlock didEndBlock)
{
    if (!sheet)
        return;
    if (SheetSession *running = sessions().value(sheet))
        running->end(ModalResponseAbort);
    auto *session = new SheetSession(sheet, window, std::move(didEndBlock));
    sessions().insert(sheet, session);
    session->start();
}

bool endSheet(QWidget *sheet, int returnCode)
{
    SheetSession *session = sessions().value(sheet);
    if (!session)
        return false;
    session->end(returnCode);
    return true;
}

bool isSheetRunning(const QWidget *sheet)
{
    return sessions().contains(sheet);
}

} // namespace NTXNSApplicationExtension
