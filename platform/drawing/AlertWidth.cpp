#include "platform/drawing/AlertWidth.h"

#include "platform/drawing/ScreenFit.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QMessageBox>
#include <QScreen>
#include <QStyle>

#include <algorithm>

namespace platform::AlertWidth {

namespace {

// Room beside the title for the title bar's icon and buttons (close, maximise,
// minimise) and the space around them, in title-bar heights.
constexpr int TitleBarButtonRoom = 5;

// The height of the window manager's title bar: the one it gave a decorated window,
// at least the style's.
int titleBarHeight(const QWidget *window)
{
    return std::max(ScreenFit::decorationMargins(window).top(),
                    window->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, window));
}

} // namespace

QString shownTitle(const QWidget *window)
{
    const QString name = QGuiApplication::applicationDisplayName();
    const QString title = window ? window->windowTitle() : QString();
    if (title.isEmpty())
        return name;
    if (name.isEmpty() || title.endsWith(name))
        return title;
    return title + QStringLiteral(" \u2014 ") + name;
}

int messageWidth(const QMessageBox *alert)
{
    if (!alert || alert->informativeText().isEmpty())
        return 0;
    const QFontMetrics metrics(alert->font());
    return std::min(metrics.averageCharWidth() * MessageMeasure, metrics.horizontalAdvance(alert->informativeText()));
}

int minimumWidth(const QMessageBox *alert)
{
    if (!alert)
        return 0;
    // Title bars draw their text bold, often in a larger font than the window's.
    QFont font = QApplication::font("QMdiSubWindowTitleBar");
    font.setBold(true);
    if (font.pointSizeF() < alert->font().pointSizeF())
        font.setPointSizeF(alert->font().pointSizeF());
    const int title =
        QFontMetrics(font).horizontalAdvance(shownTitle(alert)) + TitleBarButtonRoom * titleBarHeight(alert);

    const QMargins margins = alert->layout() ? alert->layout()->contentsMargins() : QMargins();
    int buttons = 0;
    if (const auto *box = alert->findChild<QDialogButtonBox *>(QString(), Qt::FindDirectChildrenOnly))
        buttons = box->sizeHint().width() + margins.left() + margins.right();
    // The message stands beside the icon, as the bold text does.
    int icon = 0;
    if (const auto *label = alert->findChild<QLabel *>(QStringLiteral("qt_msgboxex_icon_label"));
        label && !label->pixmap().isNull()) {
        icon = label->sizeHint().width();
        if (const QLayout *layout = alert->layout())
            icon += std::max(0, layout->spacing());
    }
    const int message = messageWidth(alert);
    const int text = message > 0 ? message + icon + margins.left() + margins.right() : 0;
    int width = std::max({title, buttons, text});
    if (const QScreen *screen = alert->screen() ? alert->screen() : QGuiApplication::primaryScreen())
        width = std::min(width, screen->availableGeometry().width());
    return width;
}

void fit(QMessageBox *alert)
{
    if (!alert)
        return;
    // Qt fixes the alert's size to its layout's least size each time it sizes it:
    // the row of buttons, which spans the alert, carries the width.
    auto *box = alert->findChild<QDialogButtonBox *>(QString(), Qt::FindDirectChildrenOnly);
    if (!box)
        return;
    const QMargins margins = alert->layout() ? alert->layout()->contentsMargins() : QMargins();
    box->setMinimumWidth(std::max(0, minimumWidth(alert) - margins.left() - margins.right()));
}

} // namespace platform::AlertWidth
