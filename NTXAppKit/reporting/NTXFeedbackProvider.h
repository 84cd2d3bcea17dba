#pragma once
// The feedback form: subject, sender address, message and a "send me a copy" box,
// posted with the application's version to the information list's
// "NTXFeedbackProviderCGIURL". Only a 2xx answer counts as sent; anything else
// (another status, a refusal, no answer within the time limit) shows the error alert.
// The sender address and the check box are stored in the defaults only when the
// form is actually sent.
//
// A provider lives for one run of its window and deletes itself when the window
// closes. Main thread only. The form is posted without waiting: the window stays up
// and usable, its progress indicator turning and "Send" disabled, until the answer
// is in or the time limit passed; then it closes and the result alert shows.
// Closing the window meanwhile (or deleting the provider) cancels the post, with no
// alert.
#include "platform/network/HttpRequest.h"

#include <QDialog>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <functional>

class QCheckBox;
class QComboBox;

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace platform {
class ProgressIndicator;
class UserDefaults;
}

class NTXFeedbackProvider : public QObject
{
    Q_OBJECT
public:
    static inline const QString EmailAddressKey = QStringLiteral("NTXFeedbackProvidereMailAddressDefaultKey");
    static inline const QString SendMeACopyKey = QStringLiteral("NTXFeedbackProviderSendMeACopyDefaultKey");
    static inline const QString CGIURLKey = QStringLiteral("NTXFeedbackProviderCGIURL");
    static inline const QString SubjectPrefixKey = QStringLiteral("NTXFeedbackSubjectPrefix");
    static inline const QString FeedbackURLKey = QStringLiteral("NTXFeedbackURL");
    static inline const QString StringsTable = QStringLiteral("NTXFeedbackProvider");

    // Makes a provider and runs its window.
    static void showFeedbackProviderDialog();
    // The defaults used (standard unless set; tests). The two feedback defaults are
    // registered in them on first use.
    static void setUserDefaults(platform::UserDefaults *defaults);
    static platform::UserDefaults &userDefaults();
    static void setTimeLimit(int msecs);
    // How the web page is opened (the desktop's handler by default).
    using URLOpener = std::function<bool(const QUrl &)>;
    static void setURLOpener(URLOpener opener);

    NTXFeedbackProvider();
    ~NTXFeedbackProvider() override;

    QDialog *feedbackWindow() const { return m_window; }
    QComboBox *subjectField() const { return m_subject; }
    QLineEdit *emailAdress() const { return m_email; }
    QPlainTextEdit *messageText() const { return m_message; }
    QCheckBox *sendMeACopyButton() const { return m_copy; }
    QPushButton *sendButton() const { return m_send; }
    platform::ProgressIndicator *progressIndicator() const { return m_progress; }
    // Whether the form is on its way.
    bool isSending() const { return m_post.isRunning(); }

    // Fills the form from the defaults and runs the window modally.
    void showDialog();
    // Stores the address and the check box, sends the form; once the answer is in,
    // closes the window and shows the result alert.
    void sendFeedbackButtonAction();
    void closeFeedbackWindow();
    void openURL();

private:
    void showResult(const platform::HttpRequest::Response &response);

    QPointer<QDialog> m_window;
    QComboBox *m_subject = nullptr;
    QLineEdit *m_email = nullptr;
    QPlainTextEdit *m_message = nullptr;
    QCheckBox *m_copy = nullptr;
    QPushButton *m_send = nullptr;
    platform::ProgressIndicator *m_progress = nullptr;
    platform::HttpRequest::Pending m_post;
};
