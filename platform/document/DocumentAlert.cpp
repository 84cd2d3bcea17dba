#include "platform/document/DocumentAlert.h"

#include "platform/foundation/Bundle.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QPointer>
#include <QWidget>
#include <memory>

namespace platform::DocumentAlert {

namespace {

const QString PlatformBundleName = QStringLiteral("platform");

struct Run
{
    bool ended = false;
    Handler handler;
};

void finish(const std::shared_ptr<Run> &run, QMessageBox::StandardButton button)
{
    if (run->ended)
        return;
    run->ended = true;
    Handler handler = std::move(run->handler);
    if (!handler)
        return;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [handler, button] { handler(button); }, Qt::QueuedConnection);
}

} // namespace

QString localizedString(const QString &key)
{
    return Bundle::bundleNamed(PlatformBundleName).localizedString(key);
}

QString localizedString(const QString &key, const QString &argument)
{
    QString format = localizedString(key);
    // Exactly one substitution, so a "%1" inside the argument stays as it is.
    const qsizetype at = format.indexOf(QStringLiteral("%1"));
    if (at < 0)
        return format;
    return format.replace(at, 2, argument);
}

QMessageBox *open(QWidget *window, QMessageBox::Icon icon, const QString &text, const QString &informativeText,
                  const QList<Button> &buttons, QMessageBox::StandardButton defaultButton,
                  QMessageBox::StandardButton escapeButton, Handler handler)
{
    QWidget *parent = window ? window->window() : nullptr;
    auto *box = new QMessageBox(parent);
    box->setIcon(icon);
    box->setText(text);
    box->setInformativeText(informativeText);
    box->setTextFormat(Qt::PlainText);
    box->setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
    QMessageBox::StandardButtons standard;
    for (const Button &b : buttons)
        standard |= b.button;
    if (!standard)
        standard = QMessageBox::Ok;
    box->setStandardButtons(standard);
    for (const Button &b : buttons) {
        if (!b.title.isEmpty()) {
            if (QAbstractButton *button = box->button(b.button))
                button->setText(b.title);
        }
    }
    if (defaultButton != QMessageBox::NoButton && box->button(defaultButton))
        box->setDefaultButton(defaultButton);
    if (escapeButton != QMessageBox::NoButton && box->button(escapeButton))
        box->setEscapeButton(escapeButton);

    auto run = std::make_shared<Run>();
    run->handler = std::move(handler);
    QPointer<QMessageBox> guard(box);
    QObject::connect(box, &QMessageBox::finished, box, [run, guard](int) {
        QMessageBox::StandardButton button = QMessageBox::NoButton;
        if (guard) {
            button = guard->standardButton(guard->clickedButton());
            if (button == QMessageBox::NoButton && guard->escapeButton())
                button = guard->standardButton(guard->escapeButton());
            guard->deleteLater();
        }
        finish(run, button);
    });
    QObject::connect(box, &QObject::destroyed, [run] { finish(run, QMessageBox::NoButton); });
    box->open();
    return box;
}

QMessageBox *openError(QWidget *window, const QString &text, const QString &reason, Handler handler)
{
    return open(window, QMessageBox::Warning, text, reason, {{QMessageBox::Ok, localizedString(QStringLiteral("OKButton"))}},
                QMessageBox::Ok, QMessageBox::Ok, std::move(handler));
}

void answerLater(const std::function<void(bool)> &handler, bool value)
{
    if (!handler)
        return;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [handler, value] { handler(value); }, Qt::QueuedConnection);
}

} // namespace platform::DocumentAlert
