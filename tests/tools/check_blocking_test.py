#!/usr/bin/env python3
"""Tests of tools/check-blocking: each blocking form, planted alone in a source of a copy of
the tree's layout, must fail the check and be named at its line; forms that only look
alike (and the same forms in comments and strings) must pass.

Usage: check_blocking_test.py SOURCE_ROOT   (ctest runs it as test "blocking_check")
"""
import os
import subprocess
import sys
import tempfile

SOURCE = os.path.abspath(sys.argv.pop(1) if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", ".."))
CHECK = os.path.join(SOURCE, "tools", "check-blocking")

# (kind the check names, a line that blocks)
PLANTED = [
    ("nested-loop", "QEventLoop loop; loop.exec();"),
    ("nested-loop", "exec();"),
    ("nested-loop", "return QDialog::exec();"),
    ("nested-loop", "dialog->exec();"),
    ("nested-loop", "menu.exec(QCursor::pos());"),
    ("nested-loop", "QMessageBox::warning(nullptr, title, text);"),
    ("nested-loop", "const QString name = QFileDialog::getOpenFileName(this);"),
    ("nested-loop", "QInputDialog::getText(this, title, label);"),
    ("pumps-events", "QCoreApplication::processEvents();"),
    ("pumps-events", "QCoreApplication::sendPostedEvents(nullptr, 0);"),
    ("sleeps", "QThread::msleep(10);"),
    ("sleeps", "QThread::sleep(1);"),
    ("sleeps", "std::this_thread::sleep_for(std::chrono::milliseconds(5));"),
    ("sleeps", "std::this_thread::sleep_until(deadline);"),
    ("sleeps", "sleep(1);"),
    ("sleeps", "usleep(1000);"),
    ("sleeps", "::usleep(1000);"),
    ("sleeps", "nanosleep(&interval, nullptr);"),
    ("blocking-dbus", "bus.call(message, QDBus::Block, 1000);"),
    ("blocking-dbus", "const QDBusReply<QString> reply = watcher.reply();"),
    ("waits", "process.waitForFinished(10000);"),
    ("waits", "process->waitForStarted();"),
    ("waits", "process.waitForReadyRead(100);"),
    ("waits", "localSocket.waitForConnected(1000);"),
    ("waits", "localSocket->waitForBytesWritten(1000);"),
    ("waits", "future.waitForFinished();"),
    ("waits", "QThreadPool::globalInstance()->waitForDone();"),
    ("waits", "pool.waitForDone(1000);"),
    ("waits", "thread->wait();"),
    ("waits", "worker.wait(QDeadlineTimer(100));"),
    ("waits", "semaphore.acquire();"),
    ("waits", "semaphore->tryAcquire(1, 100);"),
    ("waits", "condition.wait(&mutex);"),
    ("waits", "QWaitCondition idle;"),
    ("waits", "QSemaphore done;"),
    ("waits", "queue.waitUntilAllOperationsAreFinished();"),
    ("waits", "m_queue->waitUntilFinished();"),
    ("waits", "QtConcurrent::blockingMap(items, work);"),
    ("waits", "QProcess::execute(program, arguments);"),
    ("waits", "const QHostInfo info = QHostInfo::fromName(host);"),
    ("waits", "std::system(command);"),
    ("waits", "popen(command, \"r\");"),
    ("waits", "std::condition_variable wake;"),
    ("waits", "std::future<int> result = std::async(work);"),
    ("waits", "latch.wait();"),
    ("waits", "wake.wait_for(lock, interval);"),
    ("blocking-call", "QMetaObject::invokeMethod(target, work, Qt::BlockingQueuedConnection);"),
    ("waits", "std::invoke(&QFuture<void>::waitForFinished, future);"),
    ("waits", "QFutureSynchronizer<void> all;"),
    ("waits", "std::promise<int> done; const int value = done.get_future().get();"),
    ("nested-loop", "std::invoke(&QMessageBox::exec, box);"),
    ("nested-loop", "const auto run = &QDialog::exec;"),
    ("blocking-call", "connect(a, &A::changed, b, &B::follow, Qt::BlockingQueuedConnection);"),
    # Threads and processes waited for however the wait is spelled.
    ("waits", "class Worker : public QThread { ~Worker() override { quit(); wait(); } };"),
    ("waits", "QThread::wait();"),
    ("waits", "pthread_join(thread, nullptr);"),
    ("waits", "pthread_cond_wait(&condition, &mutex);"),
    ("waits", "m_animationThread.join();"),
    ("waits", "std::jthread ticker(tick);"),
    ("waits", "using namespace std; shared_future<int> ready = m_ready; const int n = ready.get();"),
    ("waits", "waitpid(child, &status, 0);"),
    ("waits", "::flock(fd, LOCK_EX);"),
    ("waits", "lockf(fd, F_LOCK, 0);"),
    ("waits", "fcntl(fd, F_SETLKW, &lock);"),
    ("waits", "poll(fds, 1, -1);"),
    ("waits", "epoll_wait(events, ready, 8, timeout);"),
    ("waits", "select(highest + 1, &readable, nullptr, nullptr, nullptr);"),
    # A future's result in a file that never names QFuture.
    ("waits", "const int answer = m_lookup.result();"),
    ("waits", "m_task.result();"),
    ("waits", "return m_watcher->future().takeResult();"),
    # A pool of our own waits for its tasks when it goes.
    ("waits", "QThreadPool pool; pool.start(work);"),
    ("waits", "m_pool = new QThreadPool(this);"),
    ("waits", "auto pool = std::make_unique<QThreadPool>();"),
    # Dialogs reached through an alias or a derived class.
    ("nested-loop", "using Box = QMessageBox; Box::warning(this, title, text);"),
    ("nested-loop", "class Box : public QMessageBox {}; Box::question(this, title, text);"),
    ("nested-loop", "using Ask = QInputDialog; const int count = Ask::getInt(this, title, label);"),
    ("nested-loop", "const QString path = Chooser::getSaveFileName(this);"),
    ("nested-loop", "const QColor color = Picker::getColor(initial, this);"),
    ("reads-clipboard", "const QMimeData *data = QGuiApplication::clipboard()->mimeData();"),
    ("reads-clipboard", "QClipboard *board = QGuiApplication::clipboard(); const QString text = board->text();"),
    ("bus-connection", "QDBusConnection bus = QDBusConnection::sessionBus();"),
    ("bus-connection", "m_bus = QDBusConnection::systemBus();"),
    ("bus-connection", "m_bus = QDBusConnection::connectToBus(address, name);"),
]

# Lines that look alike and do not block.
HARMLESS = [
    "const QLocale locale = QLocale::system();",
    "monitor.sleepStarted();",
    "m_sleepMonitor->reportOnce();",
    "if (semaphore.tryAcquire()) release();",
    "const int waiting = waitingCount();",
    "executeLater(); executed = true;",
    "const QString text = \"exec() sleep(1) waitForFinished()\";",
    "// process.waitForFinished(); exec(); QThread::sleep(1);",
    "/* QEventLoop loop; loop.exec(); */",
    "QMetaObject::invokeMethod(target, work, Qt::QueuedConnection);",
    "m_future = watcher.future();",
    "const QString text = result();",
    "const QVariant first = reply.value();",
    "executor.run();",
    # The pending reply of a watcher that has finished holds its answer.
    "const QDBusPendingReply<QDBusObjectPath> reply = *watcher; const QString path = reply.value().path();",
    "const QDBusPendingReply<uint> reply = *watcher; const uint idle = reply;",
    "QDBusPendingReply<uint> reply = bus.asyncCall(message); auto *watcher = new QDBusPendingCallWatcher(reply, this);",
    "QDBusPendingReply<uint> reply = bus.asyncCall(message); if (reply.isError()) return;",
    "QDBusConnection bus(m_connectionName);",
    "const QString line = parts.join(QLatin1Char(' '));",
    "QMutex mutex; mutex.lock(); mutex.unlock();",
    "QCryptographicHash hash(QCryptographicHash::Sha256); const QByteArray digest = hash.result();",
    "poll(fds, 1, 0);",
    "waitpid(child, &status, WNOHANG);",
    "flock(fd, LOCK_EX | LOCK_NB); flock(fd, LOCK_UN);",
    "select(index);",
    "QThreadPool *pool = QThreadPool::globalInstance();",
    "QGuiApplication::clipboard()->setText(text);",
    "const QString text = event->text();",
    "settings.setValue(key, value);",
    "m_thread.detach();",
]

# (kind, a line that blocks only in a file that uses QtDBus or QFuture, that file's include)
PLANTED_IN_CONTEXT = [
    ("blocking-dbus", "bus.call(message);", "#include <QtDBus/QDBusConnection>"),
    ("blocking-dbus", "bus.call(message);", "#include <QtDBus>"),
    ("blocking-dbus", "iface->callWithArgumentList(QDBus::NoBlock, method, args);", "#include <QDBusInterface>"),
    ("blocking-dbus", "iface.callWithArgumentList(QDBus::AutoDetect, method, args);", "#include <QtDBus/QDBusInterface>"),
    ("blocking-dbus", "QDBusPendingReply<uint> reply = bus.asyncCall(message); const uint idle = reply.value();",
     "#include <QDBusPendingReply>"),
    ("blocking-dbus", "const uint idle = QDBusPendingReply<uint>(pending).value();", "#include <QDBusPendingReply>"),
    ("waits", "const int answer = future.result();", "#include <QFuture>"),
    ("waits", "const QString text = m_future->takeResult();", "#include <QtCore/QFuture>"),
    ("waits", "auto read = &QFuture<int>::result;", "#include <QFuture>"),
    ("waits", "m_lock.lock();", "#include <QLockFile>"),
    ("waits", "if (!m_lock.tryLock(100)) return;", "#include <QLockFile>"),
    ("waits", "m_memory->lock();", "#include <QSharedMemory>"),
    ("pumps-events", "m_progress->setValue(done);", "#include <QProgressDialog>"),
    ("blocking-dbus", "QDBusPendingReply<uint> reply = bus.asyncCall(message); const uint idle = reply;",
     "#include <QDBusPendingReply>"),
    ("blocking-dbus", "const QString owner = QDBusPendingReply<QString>(bus.asyncCall(message));",
     "#include <QDBusPendingReply>"),
]

# (kind, a line that blocks through what the file's header declares, the header)
PLANTED_WITH_HEADER = [
    ("waits", "const int n = m_ready.get();", "std::shared_future<int> m_ready;"),
    ("waits", "m_lock->lock();", "class QLockFile;\nstd::unique_ptr<QLockFile> m_lock;"),
    ("pumps-events", "m_progress->setValue(done);", "QPointer<QProgressDialog> m_progress;"),
    ("reads-clipboard", "return m_clipboard->mimeData();", "QClipboard *m_clipboard = nullptr;"),
]

# (a line that looks alike and does not block, given what the file's header declares)
HARMLESS_WITH_HEADER = [
    ("const QByteArray sum = m_digest.result();", "QCryptographicHash m_digest{QCryptographicHash::Sha1};"),
    ("m_lock.tryLock(); m_mutex.unlock();", "QLockFile m_lock;"),
]

TABLE = "# no exceptions\n"


def run_check(source, header=None):
    with tempfile.TemporaryDirectory() as root:
        os.makedirs(os.path.join(root, "tools"))
        os.makedirs(os.path.join(root, "platform", "planted"))
        with open(os.path.join(root, "tools", "blocking-exceptions.txt"), "w", encoding="utf-8") as f:
            f.write(TABLE)
        with open(os.path.join(root, "platform", "planted", "Planted.cpp"), "w", encoding="utf-8") as f:
            f.write(source)
        if header is not None:
            with open(os.path.join(root, "platform", "planted", "Planted.h"), "w", encoding="utf-8") as f:
                f.write("#pragma once\nclass Planted {\n" + header + "\n};\n")
        result = subprocess.run([sys.executable, CHECK, root], capture_output=True, text=True)
        return result.returncode, result.stdout + result.stderr


def wrap(line):
    # The planted line is line 3.
    return "#include \"platform/planted/Planted.h\"\nvoid planted() {\n    " + line + "\n}\n"


def main():
    failures = []
    # (kind, the source, its header, the planted line's number, what is planted)
    planted = [(kind, wrap(line), None, 3, line) for kind, line in PLANTED]
    planted += [(kind, include + "\n" + wrap(line), None, 4, f"{line} with {include}")
                for kind, line, include in PLANTED_IN_CONTEXT]
    planted += [(kind, wrap(line), header, 3, f"{line} with {header!r} in the header")
                for kind, line, header in PLANTED_WITH_HEADER]
    for kind, source, header, number, what in planted:
        code, output = run_check(source, header)
        if code == 0 or f"platform/planted/Planted.cpp:{number}: {kind} " not in output:
            failures.append(f"not found as {kind}: {what}\n{output}")
    harmless = [(line, None) for line in HARMLESS] + HARMLESS_WITH_HEADER
    for line, header in harmless:
        code, output = run_check(wrap(line), header)
        if code != 0:
            failures.append(f"taken for a wait{'' if header is None else f' with {header!r} in the header'}: {line}\n{output}")
    # An exception listed for the file lets exactly that many lines pass, no more.
    global TABLE
    TABLE = "platform/planted/Planted.cpp waits 1 the test's own wait\n"
    code, output = run_check(wrap("thread->wait();"))
    if code != 0:
        failures.append(f"a listed exception failed:\n{output}")
    code2, output2 = run_check(wrap("thread->wait();\n    other->wait();"))
    if code2 == 0:
        failures.append(f"a second wait past the listed one passed:\n{output2}")
    code, output = run_check(wrap("int x = 0;"))
    if code == 0:
        failures.append("a listed exception that is no longer used passed")
    for f in failures:
        print(f)
    print(f"{len(planted) + len(harmless) + 3 - len(failures)} passed, {len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
