#include "platform/document/DocumentAlert.h"

#include "platform/drawing/Sheet.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/DisplayText.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QFontMetricsF>
#include <QPointer>
#include <QWidget>

namespace platform::DocumentAlert {

namespace {

const QString PlatformBundleName = QStringLiteral("platform");

// The widest a quoted name stands, in average characters of the alert's font: well
// inside the narrowest text column Qt gives an alert (half a small screen, less the
// icon), so the name alone never widens the alert beyond it.
constexpr int QuotedNameCharacters = 48;

} // namespace

QString localizedString(const QString &key)
{
    return Bundle::bundleNamed(PlatformBundleName).localizedString(key);
}

namespace {

// The key's text with its "%1" replaced once by the quoted argument, so that a "%1"
// inside the argument stays as it is.
QString substitutedOnce(const QString &key, const QString &quotedArgument)
{
    QString format = localizedString(key);
    const qsizetype at = format.indexOf(QStringLiteral("%1"));
    if (at < 0)
        return format;
    return format.replace(at, 2, quotedArgument);
}

} // namespace

QString localizedString(const QString &key, const QString &argument)
{
    return substitutedOnce(key, quotedName(argument));
}

namespace {

QString quoted(const QString &name, Qt::TextElideMode where)
{
    QString line = DisplayText::shownOnOneLine(name);
    // Fonts exist only in a GUI application.
    if (qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        const QFontMetricsF metrics(QApplication::font("QMessageBox"));
        line = metrics.elidedText(line, where, metrics.averageCharWidth() * QuotedNameCharacters);
    }
    return DisplayText::isolated(line);
}

} // namespace

QString quotedName(const QString &name)
{
    return quoted(name, Qt::ElideRight);
}

QString quotedPath(const QString &path)
{
    return quoted(path, Qt::ElideMiddle);
}

QString localizedStringWithPath(const QString &key, const QString &path)
{
    return substitutedOnce(key, quotedPath(path));
}

namespace {

QMessageBox *openWithDetails(QWidget *window, QMessageBox::Icon icon, const QString &text,
                             const QString &informativeText, const QString &details, const QList<Button> &buttons,
                             QMessageBox::StandardButton defaultButton, QMessageBox::StandardButton escapeButton,
                             Handler handler)
{
    QWidget *parent = window ? window->window() : nullptr;
    auto *box = new QMessageBox(parent);
    box->setIcon(icon);
    box->setText(text);
    box->setInformativeText(informativeText);
    box->setTextFormat(Qt::PlainText);
    // Before the alert shows: it is laid out once, with them.
    if (!details.isEmpty())
        box->setDetailedText(details);
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

    QPointer<QMessageBox> guard(box);
    Sheet::begin(box, parent, [guard, handler = std::move(handler)](int result) {
        QMessageBox::StandardButton button = QMessageBox::NoButton;
        if (guard) {
            if (result != Sheet::Aborted) {
                button = guard->standardButton(guard->clickedButton());
                if (button == QMessageBox::NoButton && guard->escapeButton())
                    button = guard->standardButton(guard->escapeButton());
            }
            guard->deleteLater();
        }
        if (handler)
            handler(button);
    });
    return box;
}

} // namespace

QMessageBox *open(QWidget *window, QMessageBox::Icon icon, const QString &text, const QString &informativeText,
                  const QList<Button> &buttons, QMessageBox::StandardButton defaultButton,
                  QMessageBox::StandardButton escapeButton, Handler handler)
{
    return openWithDetails(window, icon, text, informativeText, QString(), buttons, defaultButton, escapeButton,
                           std::move(handler));
}

QMessageBox *openError(QWidget *window, const QString &text, const QString &reason, Handler handler)
{
    return openError(window, text, reason, QString(), std::move(handler));
}

QMessageBox *openError(QWidget *window, const QString &text, const QString &reason, const QString &details,
                       Handler handler)
{
    return openWithDetails(window, QMessageBox::Warning, text, reason, details,
                           {{QMessageBox::Ok, localizedString(QStringLiteral("OKButton"))}}, QMessageBox::Ok,
                           QMessageBox::Ok, std::move(handler));
}

void answerLater(const std::function<void(bool)> &handler, bool value)
{
    if (!handler)
        return;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        platform::ExceptionBoundary::guarded(QCoreApplication::instance(), "an alert's answer",
                                             [handler, value] { handler(value); }),
        Qt::QueuedConnection);
}

} // namespace platform::DocumentAlert
