#include "platform/drawing/TokenField.h"

#include "platform/foundation/ExceptionBoundary.h"

#include <QRegularExpression>

namespace platform {

namespace {

const QRegularExpression &lineBreaks()
{
    static const QRegularExpression breaks(QStringLiteral("\r\n|[\n\r\v\f\u0085\u2028\u2029]"));
    return breaks;
}

} // namespace

TokenField::TokenField(QWidget *parent)
    : QLineEdit(parent)
{
    connect(this, &QLineEdit::textChanged, this,
        platform::ExceptionBoundary::guarded(this, "textDidChange", &TokenField::textDidChange));
    connect(this, &QLineEdit::returnPressed, this, &TokenField::lineBreakTyped);
}

TokenField::~TokenField() = default;

QStringList TokenField::tokensOfText(const QString &text)
{
    QStringList tokens;
    const QStringList parts = text.split(TokenizingCharacter);
    for (const QString &part : parts) {
        const QString token = part.trimmed();
        if (!token.isEmpty())
            tokens.append(token);
    }
    return tokens;
}

void TokenField::setTokens(const QStringList &tokens)
{
    setText(tokensOfText(tokens.join(TokenizingCharacter)).join(QStringLiteral("; ")));
}

void TokenField::textDidChange(const QString &text)
{
    if (!text.contains(lineBreaks()))
        return;
    QString clean = text;
    clean.replace(lineBreaks(), QString(TokenizingCharacter));
    setText(clean);
    Q_EMIT lineBreakTyped();
}

} // namespace platform
