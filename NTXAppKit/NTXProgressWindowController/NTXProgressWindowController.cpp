#include "NTXAppKit/NTXProgressWindowController/NTXProgressWindowController.h"

#include "NTXAppKit/NTXProgressWindowController/NTXProgressNotifications.h"
#include "platform/foundation/AssertionHandler.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/ExceptionBoundary.h"
#include "platform/foundation/ThreadHandOff.h"

#include <QCoreApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <utility>

namespace {

bool isMainThread()
{
    QCoreApplication *app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

} // namespace

NTXProgressWindowController::NTXProgressWindowController() : m_queue(std::make_unique<platform::OperationQueue>())
{
    // The window, laid out as the interface file of the original lays it out.
    m_window = new QDialog;
    m_window->setObjectName(QStringLiteral("NTXProgressWindow"));
    m_window->setFixedSize(420, 104);
    m_imageView = new QLabel(m_window);
    m_imageView->setGeometry(20, 20, 48, 48);
    m_imageView->setScaledContents(true);
    m_infoText = new QLabel(m_window);
    m_infoText->setGeometry(84, 14, 316, 20);
    m_indicator = new QProgressBar(m_window);
    m_indicator->setObjectName(QStringLiteral("progressIndicator"));
    m_indicator->setTextVisible(false);
    m_indicator->setGeometry(84, 42, 236, 20);
    m_cancelButton = new QPushButton(QCoreApplication::translate("NTXProgressWindow", "Cancel"), m_window);
    m_cancelButton->setGeometry(328, 38, 72, 28);
    m_description = new QLabel(m_window);
    m_description->setGeometry(84, 70, 316, 20);
    connect(m_cancelButton, &QPushButton::clicked, this,
        platform::ExceptionBoundary::guarded(this, "cancel", &NTXProgressWindowController::cancel));
    // Escape and the window manager's close do what Cancel does, never hide the window
    // while its work goes on.
    m_window->installEventFilter(this);

    m_queue->observeOperationCount([this](qsizetype count) { operationCountChanged(count); });
    m_descriptors.append(NTXProgressDescriptor::indeterminate(defaultTitle(), QString(), false));

    // What loading the window does.
    m_defaultIndicatorWidth = m_indicator->width();
    updateGUI();
}

NTXProgressWindowController::~NTXProgressWindowController()
{
    m_destroying = true;
    stopObserving();
    m_queue->cancelAllOperations();
    m_queue.reset(); // detaches running operations; no count reaches us after this
    QObject::disconnect(m_descriptorConnection);
    delete m_window.data();
}

QString NTXProgressWindowController::defaultTitle() const
{
    return platform::Bundle::bundleNamed(QStringLiteral("NTXAppKit"))
        .localizedString(QStringLiteral("DefaultTitle"), StringsTable);
}

bool NTXProgressWindowController::onMainThread(const char *message) const
{
    if (isMainThread())
        return true;
    qWarning("%s", message);
    return false;
}

NTXProgressDescriptorPtr NTXProgressWindowController::replaceDescriptors(NTXProgressDescriptorPtr descriptor,
                                                                         const QString &title)
{
    Q_UNUSED(title);
    m_cancelled = false;
    m_closeWindowOnCompletion = true;
    m_descriptors.clear();
    m_descriptors.append(descriptor);
    Q_EMIT currentProgressDescriptorChanged();
    updateGUI();
    return descriptor;
}

NTXProgressDescriptorPtr NTXProgressWindowController::setupAsIndeterminate(const QString &title, bool allowCancel)
{
    const QString shown = title.isNull() ? defaultTitle() : title;
    return replaceDescriptors(NTXProgressDescriptor::indeterminate(shown, shown + QChar(0x2026), allowCancel), shown);
}

NTXProgressDescriptorPtr NTXProgressWindowController::setupAsDeterminate(const QString &title, float minValue,
                                                                         float maxValue, float initialValue,
                                                                         bool allowCancel)
{
    const QString shown = title.isNull() ? defaultTitle() : title;
    NTXProgressDescriptorPtr descriptor =
        NTXProgressDescriptor::determinate(shown, shown + QChar(0x2026), minValue, maxValue, allowCancel);
    descriptor->setCurrentValue(initialValue);
    return replaceDescriptors(descriptor, shown);
}

void NTXProgressWindowController::beginProgressSheetForWindow(QWidget *parentWindow, CompletionHandler handler)
{
    if (!onMainThread("-beginProgressSheetForWindow:completionHandler: It is not allowed to invoke this method "
                      "from a concurrent thread."))
        return;
    if (!parentWindow)
        platform::AssertionHandler::current().handleFailureInFunction(
            QStringLiteral("beginProgressSheetForWindow"), QStringLiteral("NTXProgressWindowController.cpp"), __LINE__,
            QStringLiteral("Invalid parameter not satisfying: %1").arg(QStringLiteral("aWindow != nil")));
    if (m_queue->operationCount() == 0) {
        qWarning("Warning: NTXProgressWindowController no operations in queue");
        if (handler)
            handler(false);
        return;
    }
    m_completion = std::move(handler);
    m_isSheet = true;
    m_window->setParent(parentWindow, Qt::Sheet);
    m_window->setWindowModality(Qt::WindowModal);
    m_window->show();
}

void NTXProgressWindowController::showProgressWindowWithCompletionHandler(CompletionHandler handler)
{
    if (!onMainThread("-showProgressWindowWithCompletionHandler: It is not allowed to invoke this method from a "
                      "concurrent thread."))
        return;
    if (m_queue->operationCount() == 0) {
        qWarning("Warning: NTXProgressWindowController no operations in queue");
        if (handler)
            handler(false);
        return;
    }
    m_completion = std::move(handler);
    m_isSheet = false;
    m_window->setWindowModality(Qt::ApplicationModal);
    m_window->show();
}

void NTXProgressWindowController::showProgressWindow()
{
    if (!onMainThread("-showProgressWindow: It is not allowed to invoke this method from a concurrent thread."))
        return;
    m_window->show();
    startObserving();
}

void NTXProgressWindowController::hideProgressWindow()
{
    if (!onMainThread("-hideProgressWindow: It is not allowed to invoke this method from a concurrent thread."))
        return;
    stopObserving();
    m_window->close();
}

void NTXProgressWindowController::operationCountChanged(qsizetype count)
{
    if (count > 0) {
        if (m_observing.load())
            return;
        if (isMainThread())
            startObserving();
        else
            platform::postToThreadOf(this, "the start of observing", [this] { startObserving(); });
        return;
    }
    if (isMainThread())
        handleCompletion();
    else
        platform::postToThreadOf(this, "the completion", [this] { handleCompletion(); });
}

void NTXProgressWindowController::startObserving()
{
    if (m_observing.load() || m_destroying)
        return;
    platform::NotificationCenter &center = platform::NotificationCenter::defaultCenter();
    using namespace NTXProgressNotifications;
    m_tokens[0] = center.addObserver(this, WillBeginProcessing, nullptr, [this](const platform::Notification &n) {
        if (NTXProgressDescriptorPtr d = descriptorOf(n.object, n.userInfo))
            addProgressDescriptor(d);
    });
    m_tokens[1] = center.addObserver(this, UpdateProcessing, nullptr, [this](const platform::Notification &n) {
        if (NTXProgressDescriptorPtr d = descriptorOf(n.object, n.userInfo)) {
            for (auto it = n.userInfo.cbegin(); it != n.userInfo.cend(); ++it)
                d->setValueForKey(it.value(), it.key());
            updateGUI();
        }
    });
    m_tokens[2] = center.addObserver(this, DidEndProcessing, nullptr, [this](const platform::Notification &n) {
        if (NTXProgressDescriptorPtr d = descriptorOf(n.object, n.userInfo))
            removeProgressDescriptor(d);
    });
    m_observing.store(true);
}

void NTXProgressWindowController::stopObserving()
{
    if (!m_observing.load())
        return;
    for (platform::NotificationCenter::Token &token : m_tokens) {
        platform::NotificationCenter::defaultCenter().removeObserver(token);
        token = {};
    }
    m_observing.store(false);
}

void NTXProgressWindowController::handleCompletion()
{
    if (!isMainThread())
        platform::AssertionHandler::current().handleFailureInFunction(
            QStringLiteral("_handleCompletion"), QStringLiteral("NTXProgressWindowController.cpp"), __LINE__,
            QStringLiteral("it is not allowd to call this on secondary thread!"));
    if (m_destroying)
        return;
    stopObserving();
    if (m_closeWindowOnCompletion && m_window) {
        m_window->done(QDialog::Accepted);
        m_window->close();
    }
    if (CompletionHandler completion = std::exchange(m_completion, nullptr))
        completion(m_cancelled);
    removeAllProgressDescriptors();
}

bool NTXProgressWindowController::eventFilter(QObject *watched, QEvent *event)
try {
    // The event's kind first: the window sends others while it is destroyed, when it is
    // no dialog any more and the guarded pointer must not be read.
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::Close)
        return QObject::eventFilter(watched, event);
    if (watched != m_window.data())
        return QObject::eventFilter(watched, event);
    const bool escape = event->type() == QEvent::KeyPress &&
                        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape &&
                        (static_cast<QKeyEvent *>(event)->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    // Our own close() (the completion, hideProgressWindow()) is not spontaneous.
    const bool closeAsked = event->type() == QEvent::Close && event->spontaneous();
    if (!escape && !closeAsked)
        return false;
    if (closeAsked)
        event->ignore();
    else
        event->accept();
    cancelAsAsked();
    return true;
} catch (...) {
    platform::ExceptionBoundary::caught(this, "eventFilter");
    return false;
}

void NTXProgressWindowController::cancelAsAsked()
{
    // Only where the Cancel button is there and can be pressed.
    if (m_cancelButton->isVisibleTo(m_window) && m_cancelButton->isEnabled())
        m_cancelButton->click();
}

void NTXProgressWindowController::cancel()
{
    for (const NTXProgressDescriptorPtr &descriptor : m_descriptors)
        descriptor->setCancelled(true);
    m_queue->cancelAllOperations();
    stopObserving();
    m_cancelButton->setEnabled(false);
    m_cancelled = true;
}

void NTXProgressWindowController::addProgressDescriptor(const NTXProgressDescriptorPtr &descriptor)
{
    if (!descriptor)
        return;
    // A sub-job shows under its parent's title and info text until it sets its own.
    if (const NTXProgressDescriptorPtr current = currentProgressDescriptor()) {
        if (descriptor->title().isEmpty())
            descriptor->setTitle(current->title());
        if (descriptor->infoText().isEmpty())
            descriptor->setInfoText(current->infoText());
    }
    m_descriptors.append(descriptor);
    Q_EMIT currentProgressDescriptorChanged();
    updateGUI();
}

void NTXProgressWindowController::removeProgressDescriptor(const NTXProgressDescriptorPtr &descriptor)
{
    m_descriptors.removeOne(descriptor);
    Q_EMIT currentProgressDescriptorChanged();
    updateGUI();
}

void NTXProgressWindowController::removeAllProgressDescriptors()
{
    m_descriptors.clear();
    Q_EMIT currentProgressDescriptorChanged();
    updateGUI();
}

NTXProgressDescriptorPtr NTXProgressWindowController::currentProgressDescriptor() const
{
    return m_descriptors.isEmpty() ? nullptr : m_descriptors.last();
}

void NTXProgressWindowController::showCurrentTexts()
{
    const NTXProgressDescriptorPtr current = currentProgressDescriptor();
    m_infoText->setText(current ? current->infoText() : QString());
    m_description->setText(current ? current->progressDescription() : QString());
    const QImage image = current ? current->image() : QImage();
    m_imageView->setPixmap(image.isNull() ? QPixmap() : QPixmap::fromImage(image));
    m_window->setWindowTitle(current ? current->title() : QString());
}

void NTXProgressWindowController::updateGUI()
{
    QObject::disconnect(m_descriptorConnection);
    const NTXProgressDescriptorPtr current = currentProgressDescriptor();
    if (!current || !m_window)
        return;
    // The texts follow the current descriptor's changes.
    m_descriptorConnection =
        connect(current.get(), &NTXProgressDescriptor::changed, this,
            platform::ExceptionBoundary::guarded(this, "changed", [this] { showCurrentTexts(); }));
    showCurrentTexts();
    if (current->isIndeterminate()) {
        m_indicator->setRange(0, 0);
    } else {
        const float min = current->minValue();
        const float max = current->maxValue();
        const float position = std::max(min, std::min(max, current->currentValue()));
        const float span = max - min;
        m_indicator->setRange(0, IndicatorSteps);
        m_indicator->setValue(span > 0 ? qRound((position - min) / span * IndicatorSteps) : 0);
    }
    if (current->allowCancel()) {
        m_indicator->resize(m_defaultIndicatorWidth, m_indicator->height());
        m_cancelButton->show();
        m_cancelButton->setEnabled(!m_cancelled);
    } else {
        const int end = m_cancelButton->x() + m_cancelButton->width();
        m_indicator->resize(end - m_indicator->x(), m_indicator->height());
        m_cancelButton->hide();
        m_cancelButton->setEnabled(false);
    }
    m_window->update();
}
