#include "platform/drawing/Sheet.h"

#include "platform/drawing/AlertWidth.h"
#include "platform/drawing/HiddenWindowFocus.h"
#include "platform/drawing/WindowHold.h"

#include "platform/foundation/ExceptionBoundary.h"
#include "platform/foundation/GuiThread.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QEvent>
#include <QHash>
#include <QMessageBox>
#include <QPointer>
#include <QWidget>
#include <QWindow>

namespace platform::Sheet {

namespace {

// The window the program brought forward last to ask something there, until a sheet
// begun on it shows or the keyboard goes to another window.
QPointer<QWidget> &broughtForward()
{
    static QPointer<QWidget> window;
    return window;
}

class Session;

// The running sessions by sheet, and by window in the order they were begun: the
// first of a window's list is the one shown; it stays first until its handler ran.
// The sheets without a window have the list of the null window.
struct Registry
{
    QHash<const QWidget *, Session *> bySheet;
    QHash<const QWidget *, QList<Session *>> byWindow;
};

Registry &registry()
{
    static Registry sessions;
    return sessions;
}

class Session : public QObject
{
public:
    Session(QWidget *sheet, QWidget *window, EndHandler handler)
        : QObject(QCoreApplication::instance())
        , m_sheet(sheet)
        , m_sheetKey(sheet)
        , m_window(window)
        , m_windowKey(window)
        , m_handler(std::move(handler))
    {
        // The sheet may go before it is shown: it is then simply over.
        connect(sheet, &QObject::destroyed, this, platform::ExceptionBoundary::guarded(this, "destroyed", [this] {
            m_sheet.clear();
            end(Aborted);
        }));
        if (window) {
            window->installEventFilter(this);
            connect(window, &QObject::destroyed, this,
                platform::ExceptionBoundary::guarded(this, "destroyed", [this] { end(Aborted); }));
        }
    }

    ~Session() override
    {
        // Normally gone from the registry already; not when the application object
        // deletes it with a handler still pending.
        registry().bySheet.remove(m_sheetKey);
        if (auto line = registry().byWindow.find(m_windowKey); line != registry().byWindow.end()) {
            line->removeOne(this);
            if (line->isEmpty())
                registry().byWindow.erase(line);
        }
    }

    bool ended() const { return m_ended; }
    // Shown and not ended: the higher the later it showed.
    quint64 shownOrder() const { return m_shown && !m_ended ? m_shownOrder : 0; }
    QWidget *sheet() const { return m_sheet; }

    void show()
    {
        QWidget *sheet = m_sheet;
        if (m_ended || !sheet)
            return;
        if (personWorksElsewhere()) {
            // The window asks for attention, and the sheet shows (with the keyboard)
            // once the person comes to it.
            m_waitingForWindow = true;
            QApplication::alert(m_window);
            return;
        }
        m_waitingForWindow = false;
        m_shown = true;
        static quint64 shownSoFar = 0;
        m_shownOrder = ++shownSoFar;
        sheet->installEventFilter(this);
        // An alert stands at least as wide as its title and its buttons.
        if (auto *alert = qobject_cast<QMessageBox *>(sheet))
            AlertWidth::fit(alert);
        auto *dialog = qobject_cast<QDialog *>(sheet);
        if (dialog)
            connect(dialog, &QDialog::finished, this,
                platform::ExceptionBoundary::guarded(this, "finished", [this](int result) { end(result); }));
        if (m_window) {
            // Held by the session rather than by Qt's modality, which would drop the
            // keys the desktop still sends to the window until the sheet has the
            // keyboard: those go on to the sheet.
            sheet->setWindowModality(Qt::NonModal);
            m_hold = new WindowHold(m_window, sheet);
        } else {
            sheet->setWindowModality(Qt::ApplicationModal);
        }
        if (dialog)
            dialog->setResult(0);
        sheet->show();
        // The one window that takes input now: in front, with the keyboard, also when
        // it waited for another to end; a sheet on a window only while the program has
        // the keyboard (not taken from another program).
        if (!m_window || QGuiApplication::focusWindow()) {
            sheet->raise();
            sheet->activateWindow();
        }
    }

    void end(int result)
    {
        if (m_ended)
            return;
        m_ended = true;
        if (registry().bySheet.value(m_sheetKey) == this)
            registry().bySheet.remove(m_sheetKey);
        delete m_hold.data();
        if (m_sheet) {
            m_sheet->removeEventFilter(this);
            disconnect(m_sheet.data(), nullptr, this, nullptr);
        }
        if (m_window) {
            m_window->removeEventFilter(this);
            disconnect(m_window.data(), nullptr, this, nullptr);
        }
        // The end handler is our code entered from Qt's queue: it stops its exceptions.
        QMetaObject::invokeMethod(
            this, ExceptionBoundary::guarded(this, "a sheet's end handler", [this, result] { finish(result); }),
            Qt::QueuedConnection);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    try {
        if (m_ended)
            return false;
        if (m_waitingForWindow && watched == m_window.data() && event->type() == QEvent::WindowActivate) {
            // After the window's own handling: the sheet is then the one to activate.
            QMetaObject::invokeMethod(
                this, ExceptionBoundary::guarded(this, "a sheet's window came to the front", [this] {
                    if (m_waitingForWindow)
                        show();
                }),
                Qt::QueuedConnection);
            return false;
        }
        if (m_shown && watched == m_window.data() && event->type() == QEvent::WindowActivate) {
            // The person came to the window (a click on it, the desktop's switcher):
            // the keyboard goes on to its sheet, where the keys are answered.
            QMetaObject::invokeMethod(
                this, ExceptionBoundary::guarded(this, "a sheet's window was activated", [this] {
                    QWidget *sheet = m_sheet;
                    if (!m_ended && sheet && sheet->isVisible() && m_window && m_window->isActiveWindow()) {
                        sheet->raise();
                        sheet->activateWindow();
                    }
                }),
                Qt::QueuedConnection);
            return false;
        }
        if (event->type() != QEvent::Hide || event->spontaneous())
            return false;
        if (watched == m_window.data()) {
            QPointer<QWidget> sheet = m_sheet;
            end(Aborted);
            if (sheet && m_shown)
                sheet->hide();
        } else if (watched == m_sheet.data()) {
            // A dialog hides itself just before it reports its result: look again
            // once that has happened.
            QMetaObject::invokeMethod(
                this, ExceptionBoundary::guarded(this, "a sheet's end", [this] { end(Aborted); }), Qt::QueuedConnection);
        }
        return false;
    } catch (...) {
        platform::ExceptionBoundary::caught(this, "eventFilter");
        return false;
    }

private:
    // Another window of the application, not one of the sheet's window's family (the
    // window it stands on, its sheets and panels, or the window that sheet stands on),
    // is the active one: the keyboard is the person's there.
    bool personWorksElsewhere() const
    {
        if (m_window && broughtForward() == m_window) {
            broughtForward().clear();
            return false;
        }
        const QWidget *active = QApplication::activeWindow();
        if (!m_window || !active || !active->isVisible())
            return false;
        for (const QWidget *w = active; w; w = w->parentWidget()) {
            if (w == m_window)
                return false;
        }
        for (const QWidget *w = m_window; w; w = w->parentWidget()) {
            if (w->window() == active)
                return false;
        }
        return true;
    }

    void finish(int result)
    {
        EndHandler handler = std::move(m_handler);
        m_handler = nullptr;
        if (handler)
            handler(result);
        // Leave the window's line and show the next sheet waiting there.
        QList<Session *> &line = registry().byWindow[m_windowKey];
        line.removeOne(this);
        while (!line.isEmpty() && line.first()->ended())
            line.removeFirst();
        Session *next = line.isEmpty() ? nullptr : line.first();
        if (line.isEmpty())
            registry().byWindow.remove(m_windowKey);
        deleteLater();
        if (next && !next->m_shown)
            next->show();
    }

    QPointer<QWidget> m_sheet;
    const QWidget *m_sheetKey;
    QPointer<QWidget> m_window;
    const QWidget *m_windowKey;
    EndHandler m_handler;
    // Holds the window from input while the sheet shows on it.
    QPointer<WindowHold> m_hold;
    bool m_shown = false;
    quint64 m_shownOrder = 0;
    bool m_ended = false;
    // Shown once its window is the active one.
    bool m_waitingForWindow = false;
};

} // namespace

void bringForward(QWidget *window)
{
    GuiThread::check("platform::Sheet::bringForward");
    QWidget *top = window ? window->window() : nullptr;
    if (!top)
        return;
    static bool watching = false;
    if (!watching) {
        watching = true;
        // The keyboard gone to another window (not one of this one's dialogs): the
        // person works there.
        QObject::connect(qApp, &QGuiApplication::focusWindowChanged, qApp,
            ExceptionBoundary::guarded(qApp, "focusWindowChanged", [](QWindow *focus) {
                const QWidget *forward = broughtForward();
                if (forward && focus && forward->windowHandle() && focus != forward->windowHandle()
                    && focus->transientParent() != forward->windowHandle())
                    broughtForward().clear();
            }));
    }
    broughtForward() = top;
    top->show();
    top->raise();
    top->activateWindow();
}

void begin(QWidget *sheet, QWidget *window, EndHandler handler)
{
    GuiThread::check("platform::Sheet::begin");
    if (!sheet)
        return;
    HiddenWindowFocus::install();
    if (Session *running = registry().bySheet.value(sheet))
        running->end(Aborted);
    QWidget *top = window ? window->window() : nullptr;
    if (top == sheet)
        top = nullptr;
    if (top && sheet->parentWidget() != top)
        sheet->setParent(top, sheet->windowFlags() | Qt::Dialog);
    else if (!sheet->isWindow())
        sheet->setWindowFlags(sheet->windowFlags() | Qt::Dialog);

    auto *session = new Session(sheet, top, std::move(handler));
    registry().bySheet.insert(sheet, session);
    // Sheets without a window (application-modal) take turns in a line of their own:
    // only the newest of several would take input, the others would stand blocked.
    QList<Session *> &line = registry().byWindow[top];
    line.append(session);
    if (line.size() == 1)
        session->show();
}

bool end(QWidget *sheet, int result)
{
    Session *session = registry().bySheet.value(sheet);
    if (!session)
        return false;
    session->end(result);
    return true;
}

bool isRunning(const QWidget *sheet)
{
    return registry().bySheet.contains(sheet);
}

QWidget *sheetOfWindow(const QWidget *window)
{
    if (!window)
        return nullptr;
    const QList<Session *> line = registry().byWindow.value(window->window());
    if (line.isEmpty() || line.first()->ended())
        return nullptr;
    return line.first()->sheet();
}

QWidget *activeSheet()
{
    const Session *last = nullptr;
    for (const Session *session : std::as_const(registry().bySheet)) {
        if (session->shownOrder() > (last ? last->shownOrder() : 0) && session->sheet() && session->sheet()->isVisible())
            last = session;
    }
    return last ? last->sheet() : nullptr;
}

} // namespace platform::Sheet
