#include "NTXAppKit/sheetdimming/NTXSheetPresentation.h"

#include "NTXAppKit/sheetdimming/NTXSheetPresentationView.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QGraphicsOpacityEffect>
#include <QMainWindow>
#include <QMutex>
#include <QPropertyAnimation>
#include <QWidget>

NTXSheetPresentation &NTXSheetPresentation::sharedSheetPresentation()
{
    static QMutex lock;
    static NTXSheetPresentation *instance = nullptr;
    QMutexLocker locker(&lock);
    if (!instance)
        instance = new NTXSheetPresentation; // lives as long as the process
    return *instance;
}

QWidget *NTXSheetPresentation::contentWidget(QWidget *window)
{
    if (!window)
        return nullptr;
    if (auto *main = qobject_cast<QMainWindow *>(window); main && main->centralWidget())
        return main->centralWidget();
    return window;
}

NTXSheetPresentationView *NTXSheetPresentation::presentationViewForWindow(QWidget *window) const
{
    QWidget *content = contentWidget(window);
    if (!content)
        return nullptr;
    const QList<NTXSheetPresentationView *> views =
        content->findChildren<NTXSheetPresentationView *>(QString(), Qt::FindDirectChildrenOnly);
    return views.isEmpty() ? nullptr : views.last();
}

void NTXSheetPresentation::prepareSheetPresentationForWindow(QWidget *window)
{
    QWidget *content = contentWidget(window);
    if (!content || !m_useHighlightEffect || presentationViewForWindow(window))
        return;
    auto *view = new NTXSheetPresentationView(content);
    view->raise();
    view->show();
    fade(view, 1.0, false);
}

void NTXSheetPresentation::cleanUpSheetPresentationForWindow(QWidget *window)
{
    NTXSheetPresentationView *view = presentationViewForWindow(window);
    if (!view)
        return;
    fade(view, 0.0, true);
}

void NTXSheetPresentation::fade(NTXSheetPresentationView *view, qreal to, bool removeAtEnd)
{
    // A fade replaces the one running on the view.
    for (QPropertyAnimation *running : view->findChildren<QPropertyAnimation *>())
        running->stop();
    auto *animation = new QPropertyAnimation(view->opacityEffect(), "opacity", view);
    animation->setDuration(m_fadeDuration);
    animation->setStartValue(view->opacityEffect()->opacity());
    animation->setEndValue(to);
    if (removeAtEnd) {
        // Removed when the fade ends or is stopped.
        connect(animation, &QAbstractAnimation::stateChanged, view,
                platform::ExceptionBoundary::guarded(view, "stateChanged", [view](QAbstractAnimation::State state) {
                    if (state == QAbstractAnimation::Stopped)
                        view->deleteLater();
                }));
    }
    connect(animation, &QAbstractAnimation::finished, animation, &QObject::deleteLater);
    animation->start();
}
