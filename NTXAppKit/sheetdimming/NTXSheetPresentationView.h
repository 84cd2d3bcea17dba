#pragma once
// The dimming overlay: a child of a window's content widget that covers it and
// follows its size, painted black at 40 % opacity, and faded in and out by a
// QGraphicsOpacityEffect. Owned by the content widget; main thread.
#include <QWidget>

class QGraphicsOpacityEffect;

class NTXSheetPresentationView : public QWidget
{
    Q_OBJECT
public:
    explicit NTXSheetPresentationView(QWidget *content);

    QGraphicsOpacityEffect *opacityEffect() const { return m_effect; }

protected:
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QGraphicsOpacityEffect *m_effect;
};
