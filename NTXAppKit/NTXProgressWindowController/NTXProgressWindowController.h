#pragma once
// A window that shows the progress of the work on its own operation queue: as a
// sheet on a parent window, as an application-modal window or as a plain window.
// Work describes itself with descriptors posted through NTXProgressNotifications;
// the controller stacks them and shows the most recent one. When the queue runs
// empty the controller closes the window and calls the completion handler once
// with the cancelled flag.
//
// Escape (and the window manager's close) on the window does what its Cancel button
// does, and nothing when the work cannot be cancelled: the window never goes while
// its work runs on.
//
// Main thread, except the queue's count observation: it arrives on the thread whose
// operation finished, and the completion is carried to the main thread by a queued
// call (dropped when the controller is gone). Destroying the controller cancels the
// queue and detaches its running operations without waiting for them.
// Misuse: showing from another thread logs and does nothing; a null parent window
// for the sheet and a completion reached off the main thread fail assertions.
#include "NTXAppKit/NTXProgressWindowController/NTXProgressDescriptor.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/OperationQueue.h"

#include <QDialog>
#include <QList>
#include <QObject>
#include <QPointer>
#include <atomic>
#include <functional>
#include <memory>


class QLabel;
class QProgressBar;
class QPushButton;
class QWidget;

class NTXProgressWindowController : public QObject
{
    Q_OBJECT
public:
    using CompletionHandler = std::function<void(bool cancelled)>;
    static inline const QString StringsTable = QStringLiteral("NTXProgressWindow");
    // The indicator's scale: a determinate position maps onto 0..IndicatorSteps.
    static constexpr int IndicatorSteps = 1000;

    NTXProgressWindowController();
    ~NTXProgressWindowController() override;

    NTXProgressDescriptorPtr setupAsIndeterminate(const QString &title, bool allowCancel);
    NTXProgressDescriptorPtr setupAsDeterminate(const QString &title, float minValue, float maxValue,
                                                float initialValue, bool allowCancel);

    void beginProgressSheetForWindow(QWidget *window, CompletionHandler handler);
    void showProgressWindowWithCompletionHandler(CompletionHandler handler);
    void showProgressWindow();
    void hideProgressWindow();
    void cancel();

    void addProgressDescriptor(const NTXProgressDescriptorPtr &descriptor);
    void removeProgressDescriptor(const NTXProgressDescriptorPtr &descriptor);
    void removeAllProgressDescriptors();
    NTXProgressDescriptorPtr currentProgressDescriptor() const;
    const QList<NTXProgressDescriptorPtr> &progressDescriptors() const { return m_descriptors; }

    const CompletionHandler &completionBlock() const { return m_completion; }
    void setCompletionBlock(CompletionHandler handler) { m_completion = std::move(handler); }
    platform::OperationQueue &operationQueue() { return *m_queue; }
    bool closeWindowOnCompletion() const { return m_closeWindowOnCompletion; }
    bool isObservingNotifications() const { return m_observing.load(); }
    bool isCancelled() const { return m_cancelled; }

    QDialog *window() const { return m_window; }
    QLabel *imageView() const { return m_imageView; }
    QLabel *infoTextField() const { return m_infoText; }
    QLabel *progressDescriptionTextField() const { return m_description; }
    QProgressBar *progressIndicator() const { return m_indicator; }
    QPushButton *cancelButton() const { return m_cancelButton; }
    int defaultIndicatorWidth() const { return m_defaultIndicatorWidth; }

    void updateGUI();

Q_SIGNALS:
    void currentProgressDescriptorChanged();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Escape or a close asked for: the Cancel button's click, when it can be clicked.
    void cancelAsAsked();
    NTXProgressDescriptorPtr replaceDescriptors(NTXProgressDescriptorPtr descriptor, const QString &title);
    void operationCountChanged(qsizetype count);
    void startObserving();
    void stopObserving();
    void handleCompletion();
    void showCurrentTexts();
    bool onMainThread(const char *message) const;
    QString defaultTitle() const;

    QPointer<QDialog> m_window;
    QLabel *m_imageView = nullptr;
    QLabel *m_infoText = nullptr;
    QLabel *m_description = nullptr;
    QProgressBar *m_indicator = nullptr;
    QPushButton *m_cancelButton = nullptr;
    int m_defaultIndicatorWidth = 0;
    bool m_isSheet = false;

    QList<NTXProgressDescriptorPtr> m_descriptors;
    QMetaObject::Connection m_descriptorConnection;
    bool m_closeWindowOnCompletion = true;
    std::atomic<bool> m_observing{false};
    bool m_cancelled = false;
    bool m_destroying = false;
    CompletionHandler m_completion;
    platform::NotificationCenter::Token m_tokens[3];
    std::unique_ptr<platform::OperationQueue> m_queue;
};
