#pragma once
// A token field on a line edit: the text is a list of tokens separated by ";". Blank
// tokens are dropped and each token is trimmed. Return, or a line break that arrives
// in the text (pasted, or put in by a program), is a typed line break: the break
// becomes a separator (nothing typed is lost) and lineBreakTyped() is emitted once,
// after the text is clean.
// Threads: GUI thread only.
#include <QLineEdit>
#include <QStringList>

namespace platform {

class TokenField : public QLineEdit
{
    Q_OBJECT
public:
    explicit TokenField(QWidget *parent = nullptr);
    ~TokenField() override;

    static constexpr QChar TokenizingCharacter = u';';

    QStringList tokens() const { return tokensOfText(text()); }
    void setTokens(const QStringList &tokens);
    static QStringList tokensOfText(const QString &text);

Q_SIGNALS:
    void lineBreakTyped();

private:
    void textDidChange(const QString &text);
};

} // namespace platform
