#include "NTXAppKit/NTXAutoCompleteTextField/NTXAutoCompleteTextField.h"

#include "platform/foundation/ExceptionBoundary.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QKeyEvent>
#include <QScrollBar>
#include <QStringListModel>

namespace {

bool isWordCharacter(QChar c)
{
    return c.isLetterOrNumber() || c == u'_';
}

// The keys after which no completion is offered.
bool endsCompletion(int key)
{
    switch (key) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
    case Qt::Key_Left:
    case Qt::Key_Right:
        return true;
    default:
        return false;
    }
}

} // namespace

NTXAutoCompleteTextField::NTXAutoCompleteTextField(QWidget *parent)
    : QLineEdit(parent)
    , m_completer(new QCompleter(this))
    , m_words(new QStringListModel(this))
{
    m_completer->setModel(m_words);
    m_completer->setCaseSensitivity(Qt::CaseInsensitive);
    m_completer->setCompletionMode(QCompleter::PopupCompletion);
    m_completer->setWidget(this);
    connect(m_completer, qOverload<const QString &>(&QCompleter::activated), this,
            platform::ExceptionBoundary::guarded(this, "insertCompletion", &NTXAutoCompleteTextField::insertCompletion));
}

NTXAutoCompleteTextField::~NTXAutoCompleteTextField() = default;

QStringList NTXAutoCompleteTextField::completionWords() const
{
    return m_words->stringList();
}

void NTXAutoCompleteTextField::setCompletionWords(const QStringList &words)
{
    m_words->setStringList(words);
}

QString NTXAutoCompleteTextField::wordBeforeCursor() const
{
    const QString content = text();
    const int end = cursorPosition();
    int start = end;
    while (start > 0 && isWordCharacter(content[start - 1]))
        --start;
    return content.mid(start, end - start);
}

void NTXAutoCompleteTextField::complete(QObject *)
{
    const QString word = wordBeforeCursor();
    if (word.isEmpty()) {
        m_completer->popup()->hide();
        return;
    }
    m_completer->setCompletionPrefix(word);
    if (m_completer->completionCount() == 0) {
        m_completer->popup()->hide();
        return;
    }
    QAbstractItemView *popup = m_completer->popup();
    popup->setCurrentIndex(m_completer->completionModel()->index(0, 0));
    QRect under = cursorRect();
    under.setWidth(popup->sizeHintForColumn(0) + popup->verticalScrollBar()->sizeHint().width() + 8);
    m_completer->complete(under);
}

void NTXAutoCompleteTextField::insertCompletion(const QString &completion)
{
    const QString word = wordBeforeCursor();
    const int end = cursorPosition();
    QString content = text();
    content.replace(end - word.size(), word.size(), completion);
    setText(content);
    setCursorPosition(end - int(word.size()) + int(completion.size()));
}

void NTXAutoCompleteTextField::keyReleaseEvent(QKeyEvent *event)
try {
    if (!endsCompletion(event->key()) && !event->isAutoRepeat())
        complete(this);
    QLineEdit::keyReleaseEvent(event);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "keyReleaseEvent");
}
