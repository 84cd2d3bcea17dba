#include "AppKitExtensions/NTXNSAlertExtensions.h"

#include "AppKitExtensions/NTXAlertSheetCompletionHandlerRunner.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>

namespace NTXNSAlertExtensions {

namespace {

const char *const ReturnCodeProperty = "_NTXAlertReturnCode";

int addedButtonCount(const QMessageBox *alert)
{
    int count = 0;
    const QList<QAbstractButton *> buttons = alert->buttons();
    for (const QAbstractButton *button : buttons) {
        if (button->property(ReturnCodeProperty).isValid())
            ++count;
    }
    return count;
}

} // namespace

QAbstractButton *addButtonWithTitle(QMessageBox *alert, const QString &title)
{
    if (!alert)
        return nullptr;
    const int number = addedButtonCount(alert);
    const QMessageBox::ButtonRole role = number == 0 ? QMessageBox::AcceptRole
        : number == 1                                ? QMessageBox::RejectRole
        : number == 2                                ? QMessageBox::DestructiveRole
                                                     : QMessageBox::ActionRole;
    QPushButton *button = alert->addButton(title, role);
    button->setProperty(ReturnCodeProperty, AlertFirstButtonReturn + number);
    if (number == 0)
        alert->setDefaultButton(button);
    return button;
}

int returnCodeForButton(const QMessageBox *alert, const QAbstractButton *button, int dialogResult)
{
    if (alert && button && alert->buttons().contains(const_cast<QAbstractButton *>(button))) {
        const QVariant code = button->property(ReturnCodeProperty);
        if (code.isValid())
            return code.toInt();
    }
    return dialogResult;
}

void beginSheetModalForWindow(QMessageBox *alert, QWidget *window, CompletionHandler handler)
{
    auto *runner = new NTXAlertSheetCompletionHandlerRunner(alert, std::move(handler));
    runner->startOnWindow(window);
}

QString formatText(const QString &format, const QVariantList &arguments)
{
    QString result;
    result.reserve(format.size());
    qsizetype next = 0; // the next sequential argument
    const qsizetype n = format.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = format.at(i);
        if (c != QLatin1Char('%') || i + 1 >= n) {
            result.append(c);
            continue;
        }
        qsizetype j = i + 1;
        if (format.at(j) == QLatin1Char('%')) {
            result.append(QLatin1Char('%'));
            i = j;
            continue;
        }
        // optional position "n$"
        qsizetype position = -1;
        {
            qsizetype k = j;
            qsizetype number = 0;
            while (k < n && format.at(k).isDigit() && number < 100000)
                number = number * 10 + format.at(k++).digitValue();
            if (k < n && k > j && format.at(k) == QLatin1Char('$')) {
                position = number - 1;
                j = k + 1;
            }
        }
        // flags, width, precision, length
        QString spec = QStringLiteral("%");
        while (j < n && QStringLiteral("-+ #0").contains(format.at(j)))
            spec.append(format.at(j++));
        while (j < n && format.at(j).isDigit() && spec.size() < 12)
            spec.append(format.at(j++));
        if (j < n && format.at(j) == QLatin1Char('.')) {
            spec.append(format.at(j++));
            while (j < n && format.at(j).isDigit() && spec.size() < 16)
                spec.append(format.at(j++));
        }
        while (j < n && QStringLiteral("hlqzjtL").contains(format.at(j)))
            ++j;
        if (j >= n) {
            result.append(format.mid(i));
            break;
        }
        const QChar conversion = format.at(j);
        const qsizetype argumentIndex = position >= 0 ? position : next++;
        const QVariant argument = argumentIndex >= 0 && argumentIndex < arguments.size() ? arguments.at(argumentIndex)
                                                                                        : QVariant();
        const QByteArray specBytes = spec.toLatin1();
        switch (conversion.unicode()) {
        case '@':
        case 's':
        case 'S':
            result.append(argument.toString());
            break;
        case 'd':
        case 'i':
            result.append(QString::asprintf(QByteArray(specBytes + "lld").constData(), argument.toLongLong()));
            break;
        case 'u':
        case 'x':
        case 'X':
        case 'o':
            result.append(QString::asprintf(QByteArray(specBytes + "ll" + char(conversion.unicode())).constData(),
                                            argument.toULongLong()));
            break;
        case 'f':
        case 'F':
        case 'e':
        case 'E':
        case 'g':
        case 'G':
            result.append(QString::asprintf(QByteArray(specBytes + char(conversion.unicode())).constData(), argument.toDouble()));
            break;
        case 'c':
        case 'C': {
            const QString text = argument.toString();
            if (argument.typeId() == QMetaType::QString || argument.typeId() == QMetaType::QChar)
                result.append(text.left(1));
            else if (argument.isValid())
                result.append(QChar(static_cast<char16_t>(argument.toUInt())));
            break;
        }
        default:
            // not a conversion: keep the text as it stands
            result.append(format.mid(i, j - i + 1));
            break;
        }
        i = j;
    }
    return result;
}

} // namespace NTXNSAlertExtensions

void NTXBeginAlertSheetWithHandler(const QString &messageText, const QString &defaultButton,
                                   const QString &alternateButton, const QString &otherButton, QWidget *window,
                                   NTXNSAlertExtensions::CompletionHandler handler, const QString &informativeFormat,
                                   const QVariantList &arguments)
{
    auto *alert = new QMessageBox(window);
    alert->setText(messageText);
    NTXNSAlertExtensions::addButtonWithTitle(alert, defaultButton.isEmpty() ? QStringLiteral("OK") : defaultButton);
    if (!alternateButton.isEmpty())
        NTXNSAlertExtensions::addButtonWithTitle(alert, alternateButton);
    if (!otherButton.isEmpty())
        NTXNSAlertExtensions::addButtonWithTitle(alert, otherButton);
    if (!informativeFormat.isNull())
        alert->setInformativeText(NTXNSAlertExtensions::formatText(informativeFormat, arguments));
    NTXNSAlertExtensions::beginSheetModalForWindow(
        alert, window, [handler = std::move(handler)](QMessageBox *endedAlert, int returnCode) {
            if (handler)
                handler(endedAlert, returnCode);
            if (endedAlert)
                endedAlert->deleteLater();
        });
}
