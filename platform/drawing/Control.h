#pragma once
// A control: a widget that owns one cell and forwards painting, mouse, keys,
// enabled state and value accessors to it. A press highlights the cell; releasing
// the button inside the control completes the click (the cell's activate()) and
// sends the cell's action; space or return on a focused control does the same.
// The pointer entering and leaving the control reach the cell's mouseEntered() and
// mouseExited().
// Threads: GUI thread only.
#include "platform/drawing/Cell.h"

#include <QWidget>
#include <memory>

namespace platform {

class Control : public QWidget
{
    Q_OBJECT
public:
    explicit Control(QWidget *parent = nullptr);
    explicit Control(std::unique_ptr<Cell> cell, QWidget *parent = nullptr);
    ~Control() override;

    Cell *cell() const { return m_cell.get(); }
    // Replaces the cell (a null cell is replaced by a plain one).
    void setCell(std::unique_ptr<Cell> cell);

    QVariant objectValue() const { return m_cell->objectValue(); }
    void setObjectValue(const QVariant &value);
    QString stringValue() const { return m_cell->stringValue(); }
    void setStringValue(const QString &value) { setObjectValue(value); }
    int intValue() const { return m_cell->intValue(); }
    void setIntValue(int value) { setObjectValue(value); }
    float floatValue() const { return m_cell->floatValue(); }
    void setFloatValue(float value) { setObjectValue(value); }
    double doubleValue() const { return m_cell->doubleValue(); }
    void setDoubleValue(double value) { setObjectValue(value); }
    Cell::State state() const { return m_cell->state(); }
    void setState(Cell::State state);

    QObject *target() const { return m_cell->target(); }
    void setTarget(QObject *target) { m_cell->setTarget(target); }
    QByteArray action() const { return m_cell->action(); }
    void setAction(const QByteArray &action) { m_cell->setAction(action); }
    int tag() const { return m_cell->tag(); }
    void setTag(int tag) { m_cell->setTag(tag); }
    Qt::Alignment alignment() const { return m_cell->alignment(); }
    void setAlignment(Qt::Alignment alignment);
    QFont cellFont() const { return m_cell->font(); }
    void setCellFont(const QFont &font);

    // Sends an action to a target (or along the responder chain), with this
    // control as the sender.
    bool sendAction(const QByteArray &action, QObject *target);
    // Does what a click does: completes the cell's click and sends its action.
    Q_INVOKABLE void performClick(QObject *sender = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    // Resizes the control to the cell's size.
    void sizeToFit();

Q_SIGNALS:
    // After a click or key completed the cell (before the action is sent).
    void activated();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void changeEvent(QEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    void updateFocusPolicy();

    std::unique_ptr<Cell> m_cell;
    bool m_tracking = false;
    QPointF m_lastPoint;
};

} // namespace platform
