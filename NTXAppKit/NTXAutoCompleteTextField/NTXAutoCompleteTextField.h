#pragma once
// A one-line text field that offers to complete the word before the cursor after
// every key the user releases, except tab, return, delete (backspace and forward
// delete) and the left and right arrows. The completions are the words the owner
// gives the field (setCompletionWords()); they open in a pop-up list of a QCompleter
// filtered by the word's beginning, and choosing one replaces the word.
//
// Ownership: the field owns its completer. GUI thread only; a word nothing matches
// opens no list.
#include <QLineEdit>
#include <QStringList>

class QCompleter;
class QStringListModel;

class NTXAutoCompleteTextField : public QLineEdit
{
    Q_OBJECT
public:
    explicit NTXAutoCompleteTextField(QWidget *parent = nullptr);
    ~NTXAutoCompleteTextField() override;

    QStringList completionWords() const;
    void setCompletionWords(const QStringList &words);
    QCompleter *completer() const { return m_completer; }

    // The word before the cursor (letters, digits and '_').
    QString wordBeforeCursor() const;
    // Opens the completion list for the word before the cursor ("complete:").
    Q_INVOKABLE void complete(QObject *sender = nullptr);

protected:
    void keyReleaseEvent(QKeyEvent *event) override;

private:
    void insertCompletion(const QString &word);

    QCompleter *m_completer;
    QStringListModel *m_words;
};
