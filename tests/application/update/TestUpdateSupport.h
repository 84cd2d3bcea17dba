#pragma once
// Helpers of the version-check and preference-pane tests: a loopback HTTP server
// the test starts itself, something that answers the alerts the check shows, and a
// counter of "PrefsChanged".
#include "application/base/DefaultsKeys.h"
#include "platform/foundation/NotificationCenter.h"

#include <QAbstractButton>
#include <QApplication>
#include <QByteArray>
#include <QList>
#include <QMessageBox>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <memory>

namespace updatetest {

// An HTTP server on 127.0.0.1 with one answer for every request.
class UpdateServer : public QObject
{
public:
    enum class Mode {
        Answer,        // status line, Content-Length, body, close
        AnswerNoLength, // status line, body streamed without a length, close
        Stall,         // reads the request and never answers
        Trickle,       // status line and a large Content-Length, then a byte every 20 ms
    };

    UpdateServer()
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&m_server, &QTcpServer::newConnection, this, [this]() { accept(); });
    }

    bool isListening() const { return m_server.isListening(); }
    QUrl url(const QString &path = QString()) const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path));
    }

    Mode mode = Mode::Answer;
    int status = 200;
    QByteArray body;
    // Request lines seen ("GET /v.php?prod=x HTTP/1.1").
    QList<QByteArray> requests;
    // Bytes of a trickled answer sent so far.
    int trickled = 0;
    // Runs when a request has been read (before the answer).
    std::function<void()> onRequest;

private:
    void accept()
    {
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
            socket->setParent(this);
            auto buffer = std::make_shared<QByteArray>();
            QObject::connect(socket, &QTcpSocket::readyRead, this, [this, socket, buffer]() {
                buffer->append(socket->readAll());
                const qsizetype end = buffer->indexOf("\r\n\r\n");
                if (end < 0 || buffer->isEmpty())
                    return;
                requests.append(buffer->left(buffer->indexOf("\r\n")));
                buffer->clear();
                if (onRequest)
                    onRequest();
                answer(socket);
            });
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    }

    void answer(QTcpSocket *socket)
    {
        if (mode == Mode::Stall)
            return;
        if (mode == Mode::Trickle) {
            socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 4000\r\n\r\n3");
            auto *timer = new QTimer(socket);
            QPointer<QTcpSocket> guard(socket);
            QObject::connect(timer, &QTimer::timeout, this, [this, guard] {
                if (guard && guard->state() == QAbstractSocket::ConnectedState && trickled < 3998) {
                    guard->write(".");
                    ++trickled;
                }
            });
            timer->start(20);
            return;
        }
        QByteArray head = "HTTP/1.1 " + QByteArray::number(status) + (status == 200 ? " OK" : " Not Found") + "\r\n"
                          "Content-Type: text/plain\r\nConnection: close\r\n";
        if (mode == Mode::Answer)
            head += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
        socket->write(head + "\r\n" + body);
        socket->disconnectFromHost();
    }

    QTcpServer m_server;
};

// Answers every alert that opens while it lives by clicking the button with the
// given title (the first button when none has it), and keeps what the alerts said.
class AlertAnswerer : public QObject
{
public:
    explicit AlertAnswerer(QString buttonTitle = QString())
        : m_buttonTitle(std::move(buttonTitle))
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, this, [this]() { look(); });
        m_timer.start();
    }

    struct Seen
    {
        QString windowTitle, text, informativeText;
        QStringList buttons;
        QMessageBox::Icon icon;
    };
    QList<Seen> alerts;

private:
    void look()
    {
        const QList<QWidget *> windows = QApplication::topLevelWidgets();
        for (QWidget *window : windows) {
            auto *box = qobject_cast<QMessageBox *>(window);
            if (!box || !box->isVisible() || m_answered.contains(box))
                continue;
            m_answered.append(box);
            Seen seen{box->windowTitle(), box->text(), box->informativeText(), {}, box->icon()};
            QAbstractButton *chosen = nullptr;
            for (QAbstractButton *button : box->buttons()) {
                seen.buttons.append(button->text());
                if (!chosen && (m_buttonTitle.isEmpty() || button->text() == m_buttonTitle))
                    chosen = button;
            }
            alerts.append(seen);
            if (!chosen && !box->buttons().isEmpty())
                chosen = box->buttons().first();
            if (chosen)
                QTest::mouseClick(chosen, Qt::LeftButton);
        }
    }

    QString m_buttonTitle;
    QTimer m_timer;
    QList<QPointer<QMessageBox>> m_answered;
};

// Counts "PrefsChanged" (and checks it carries no object).
class PrefsChangedCounter : public QObject
{
public:
    PrefsChangedCounter()
    {
        platform::NotificationCenter::defaultCenter().addObserver(
            this, PrefsChangedNotification, nullptr, [this](const platform::Notification &note) {
                ++count;
                if (note.object)
                    ++withObject;
            });
    }
    int count = 0;
    int withObject = 0;
};

} // namespace updatetest
