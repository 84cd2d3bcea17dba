#include "NTXAppKit/reporting/NTXFeedbackProvider.h"

#include "NTXAppKit/reporting/NTXModalRunner.h"
#include "NTXAppKit/reporting/NTXMultipartForm.h"
#include "platform/drawing/ProgressIndicator.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/ExceptionBoundary.h"
#include "platform/foundation/UserDefaults.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

platform::UserDefaults *defaultsOverride = nullptr;
int timeLimit = platform::HttpRequest::DefaultTimeLimitMs;
NTXFeedbackProvider::URLOpener urlOpener;

QString text(const QString &key)
{
    return platform::Bundle::bundleNamed(QStringLiteral("NTXAppKit"))
        .localizedString(key, NTXFeedbackProvider::StringsTable);
}

QString info(const QString &key)
{
    return platform::Bundle::mainBundle().objectForInfoDictionaryKey(key).toString();
}

} // namespace

void NTXFeedbackProvider::showFeedbackProviderDialog()
{
    (new NTXFeedbackProvider)->showDialog();
}

void NTXFeedbackProvider::setUserDefaults(platform::UserDefaults *defaults)
{
    defaultsOverride = defaults;
}

platform::UserDefaults &NTXFeedbackProvider::userDefaults()
{
    platform::UserDefaults &defaults =
        defaultsOverride ? *defaultsOverride : platform::UserDefaults::standardUserDefaults();
    defaults.registerDefaults({{EmailAddressKey, QString()}, {SendMeACopyKey, true}});
    return defaults;
}

void NTXFeedbackProvider::setTimeLimit(int msecs)
{
    timeLimit = msecs;
}

void NTXFeedbackProvider::setURLOpener(URLOpener opener)
{
    urlOpener = std::move(opener);
}

NTXFeedbackProvider::NTXFeedbackProvider()
{
    m_window = new QDialog;
    m_window->setObjectName(QStringLiteral("feedbackWindow"));
    m_window->setWindowTitle(text(QStringLiteral("FEEDBACK_WINDOW_TITLE")));
    auto *layout = new QVBoxLayout(m_window);
    auto *form = new QFormLayout;
    m_subject = new QComboBox;
    m_subject->setObjectName(QStringLiteral("subjectField"));
    m_subject->setEditable(true);
    m_subject->addItems(text(QStringLiteral("FEEDBACK_SUBJECTS")).split(QLatin1Char('|')));
    m_email = new QLineEdit;
    m_email->setObjectName(QStringLiteral("emailAdress"));
    m_message = new QPlainTextEdit;
    m_message->setObjectName(QStringLiteral("messageText"));
    m_copy = new QCheckBox(text(QStringLiteral("FEEDBACK_SEND_ME_A_COPY")));
    m_copy->setObjectName(QStringLiteral("sendMeACopyButton"));
    form->addRow(text(QStringLiteral("FEEDBACK_SUBJECT_LABEL")), m_subject);
    form->addRow(text(QStringLiteral("FEEDBACK_FROM_LABEL")), m_email);
    form->addRow(text(QStringLiteral("FEEDBACK_MESSAGE_LABEL")), m_message);
    form->addRow(QString(), m_copy);
    layout->addLayout(form);
    auto *buttons = new QHBoxLayout;
    auto *page = new QPushButton(text(QStringLiteral("FEEDBACK_WEB_PAGE")));
    auto *cancel = new QPushButton(text(QStringLiteral("FEEDBACK_CANCEL")));
    m_send = new QPushButton(text(QStringLiteral("FEEDBACK_SEND")));
    m_send->setDefault(true);
    m_progress = new platform::ProgressIndicator;
    m_progress->setObjectName(QStringLiteral("progressIndicator"));
    m_progress->setControlSize(platform::ProgressIndicator::ControlSize::Small);
    m_progress->setDisplayedWhenStopped(false);
    buttons->addWidget(page);
    buttons->addStretch();
    buttons->addWidget(m_progress);
    buttons->addWidget(cancel);
    buttons->addWidget(m_send);
    layout->addLayout(buttons);
    m_window->resize(480, 400);
    connect(m_send, &QPushButton::clicked, this,
            platform::ExceptionBoundary::guarded(this, "Send", [this] { sendFeedbackButtonAction(); }));
    connect(cancel, &QPushButton::clicked, this,
            platform::ExceptionBoundary::guarded(this, "Cancel", [this] { closeFeedbackWindow(); }));
    connect(page, &QPushButton::clicked, this,
            platform::ExceptionBoundary::guarded(this, "the web page button", [this] { openURL(); }));
    // Closed in any way (also by the window manager), the form lets the provider go.
    connect(m_window, &QDialog::finished, this, &QObject::deleteLater);
}

NTXFeedbackProvider::~NTXFeedbackProvider()
{
    delete m_window.data();
}

void NTXFeedbackProvider::showDialog()
{
    platform::UserDefaults &defaults = userDefaults();
    m_copy->setChecked(defaults.boolForKey(SendMeACopyKey));
    m_email->setText(defaults.stringForKey(EmailAddressKey));
    m_message->setPlainText(QString());
    m_subject->setCurrentIndex(0);
    NTXModalRunner::runDialog(*m_window);
}

void NTXFeedbackProvider::sendFeedbackButtonAction()
{
    if (m_post.isRunning())
        return;
    const QString message = m_message->toPlainText();
    const QString from = m_email->text();
    const QString subject = info(SubjectPrefixKey) + m_subject->currentText();
    const bool copy = m_copy->isChecked();

    platform::UserDefaults &defaults = userDefaults();
    defaults.setString(from, EmailAddressKey);
    defaults.setBool(copy, SendMeACopyKey);

    const QByteArray body = NTXMultipartForm::feedbackBody(subject, from, message, copy,
                                                           info(QStringLiteral("CFBundleShortVersionString")));
    m_send->setEnabled(false);
    m_progress->startAnimation();
    // The provider is the context: closing the window lets it go, and the post with it.
    m_post = NTXMultipartForm::request(QUrl(info(CGIURLKey)), QStringLiteral("NTXFeedbackProvider"), body, timeLimit)
                 .send(this, [this](const platform::HttpRequest::Response &response) { showResult(response); });
}

void NTXFeedbackProvider::showResult(const platform::HttpRequest::Response &response)
{
    m_progress->stopAnimation();
    if (!response.isSuccess())
        qWarning("Feedback not sent: %s", qPrintable(response.received
                                                         ? QStringLiteral("HTTP status %1").arg(response.status)
                                                         : response.error));

    // The window goes (and with it this provider) before the alert.
    m_window->hide();
    const bool sent = response.isSuccess();
    std::unique_ptr<QMessageBox> alert = NTXModalRunner::makeAlert(
        text(sent ? QStringLiteral("FEEDBACK_SUCCESS_TITLE") : QStringLiteral("FEEDBACK_ERROR_TITLE")),
        text(sent ? QStringLiteral("FEEDBACK_SUCCESS_MESSAGE") : QStringLiteral("FEEDBACK_ERROR_MESSAGE")),
        text(QStringLiteral("FEEDBACK_OK")), QString());
    if (!sent)
        alert->setIcon(QMessageBox::Warning);
    closeFeedbackWindow();
    NTXModalRunner::runAlert(std::move(alert), {});
}

void NTXFeedbackProvider::closeFeedbackWindow()
{
    m_post.cancel();
    m_message->setPlainText(QString());
    m_subject->setCurrentIndex(0);
    m_window->hide();
    m_window->done(QDialog::Rejected);
    deleteLater();
}

void NTXFeedbackProvider::openURL()
{
    const QUrl url(info(FeedbackURLKey));
    if (urlOpener)
        urlOpener(url);
    else
        QDesktopServices::openUrl(url);
    closeFeedbackWindow();
}
