#include "platform/drawing/PopUpButton.h"

#include "platform/foundation/ExceptionBoundary.h"

#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>

namespace platform {

PopUpButton::PopUpButton(bool pullsDown, QWidget *parent)
    : PopUpButton(std::make_unique<PopUpButtonCell>(QString(), pullsDown), parent)
{
}

PopUpButton::PopUpButton(std::unique_ptr<PopUpButtonCell> cell, QWidget *parent)
    : Control(cell ? std::move(cell) : std::make_unique<PopUpButtonCell>(), parent)
{
    setFocusPolicy(Qt::StrongFocus);
    connectMenu();
}

PopUpButton::~PopUpButton()
{
    disconnect(m_triggered);
    disconnect(m_hidden);
}

PopUpButtonCell *PopUpButton::popUpCell() const
{
    return static_cast<PopUpButtonCell *>(cell());
}

void PopUpButton::setCell(std::unique_ptr<PopUpButtonCell> cell)
{
    disconnect(m_triggered);
    disconnect(m_hidden);
    Control::setCell(cell ? std::move(cell) : std::make_unique<PopUpButtonCell>());
    setFocusPolicy(Qt::StrongFocus);
    connectMenu();
}

void PopUpButton::connectMenu()
{
    m_triggered = connect(menu(), &QMenu::triggered, this,
        platform::ExceptionBoundary::guarded(this, "choose", &PopUpButton::choose));
    m_hidden = connect(menu(), &QMenu::aboutToHide, this, platform::ExceptionBoundary::guarded(this, "aboutToHide", [this] {
        popUpCell()->setHighlighted(false);
        update();
    }));
}

void PopUpButton::setPullsDown(bool pullsDown)
{
    popUpCell()->setPullsDown(pullsDown);
    updateGeometry();
    update();
}

QAction *PopUpButton::addItemWithTitle(const QString &title)
{
    QAction *item = popUpCell()->addItemWithTitle(title);
    updateGeometry();
    update();
    return item;
}

void PopUpButton::addItemsWithTitles(const QStringList &titles)
{
    popUpCell()->addItemsWithTitles(titles);
    updateGeometry();
    update();
}

void PopUpButton::removeAllItems()
{
    popUpCell()->removeAllItems();
    updateGeometry();
    update();
}

void PopUpButton::selectItemAtIndex(int index)
{
    popUpCell()->selectItemAtIndex(index);
    update();
}

void PopUpButton::popUp()
{
    if (!isEnabled() || !popUpCell()->isEnabled())
        return;
    popUpCell()->setHighlighted(true);
    update();
    popUpCell()->popUpMenu(this, QRectF(rect()));
}

void PopUpButton::choose(QAction *item)
{
    popUpCell()->itemChosen(item);
    update();
    const QPointer<PopUpButton> alive(this);
    Q_EMIT itemChosen(item);
    if (alive)
        performClick();
}

void PopUpButton::mousePressEvent(QMouseEvent *event)
try {
    if (event->button() != Qt::LeftButton || !isEnabled()) {
        QWidget::mousePressEvent(event);
        return;
    }
    event->accept();
    popUp();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mousePressEvent");
}

void PopUpButton::mouseMoveEvent(QMouseEvent *event)
try {
    QWidget::mouseMoveEvent(event);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mouseMoveEvent");
}

void PopUpButton::mouseReleaseEvent(QMouseEvent *event)
try {
    QWidget::mouseReleaseEvent(event);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mouseReleaseEvent");
}

void PopUpButton::keyPressEvent(QKeyEvent *event)
try {
    const int key = event->key();
    if ((key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) && !event->isAutoRepeat()) {
        popUp();
        event->accept();
        return;
    }
    Control::keyPressEvent(event);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "keyPressEvent");
}

} // namespace platform
