#pragma once
// A text field: a control with a TextFieldCell. It shows the value through the cell's
// formatter; a click or keyboard focus puts a line editor over the text, and when
// editing ends (return, focus leaving) the typed text is read back through the
// formatter. Refused text leaves the value and is reported with textRefused().
// Owns its cell and its editor. Main thread only.
#include "platform/drawing/Control.h"
#include "platform/drawing/TextFieldCell.h"

#include <QPointer>

#include <QLineEdit>

namespace platform {

class TextField : public Control
{
    Q_OBJECT
public:
    explicit TextField(QWidget *parent = nullptr);
    ~TextField() override;

    TextFieldCell *textFieldCell() const;
    Formatter *formatter() const;
    void setFormatter(std::unique_ptr<Formatter> formatter);

    // Starts editing (does nothing when the cell is not editable or already edits).
    void beginEditing();
    // The editor while editing, otherwise null.
    QLineEdit *editor() const { return m_editor; }
    // Ends editing: reads the editor's text back; answers whether it was taken.
    bool endEditing();
    // Reads text as if typed and finished; answers whether it was taken.
    bool takeText(const QString &text);

Q_SIGNALS:
    void textRefused(const QString &reason);
    void valueEdited();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QPointer<QLineEdit> m_editor;
};

} // namespace platform
