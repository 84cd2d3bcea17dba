#include "NTXAppKit/sheetdimming/NTXSheetDimmer.h"

#include "NTXAppKit/sheetdimming/NTXSheetPresentation.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QChildEvent>
#include <QDialog>
#include <QEvent>
#include <QWidget>

NTXSheetDimmer *NTXSheetDimmer::watch(QWidget *window)
{
    if (!window)
        return nullptr;
    if (NTXSheetDimmer *existing = dimmerForWindow(window))
        return existing;
    return new NTXSheetDimmer(window);
}

NTXSheetDimmer *NTXSheetDimmer::dimmerForWindow(QWidget *window)
{
    return window ? window->findChild<NTXSheetDimmer *>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
}

NTXSheetDimmer::NTXSheetDimmer(QWidget *window) : QObject(window)
{
    window->installEventFilter(this);
    for (QObject *child : window->children())
        consider(child);
}

QWidget *NTXSheetDimmer::window() const
{
    return static_cast<QWidget *>(parent());
}

bool NTXSheetDimmer::isSheet(QObject *object, QWidget *window)
{
    auto *dialog = qobject_cast<QDialog *>(object);
    return dialog && dialog->parentWidget() == window && dialog->windowModality() == Qt::WindowModal;
}

void NTXSheetDimmer::consider(QObject *child)
{
    // A child added is not yet fully made (no dialog yet): every widget child is
    // watched, and whether it is a sheet is asked when it shows.
    if (child->isWidgetType()) {
        child->removeEventFilter(this);
        child->installEventFilter(this);
        if (isSheet(child, window()) && static_cast<QWidget *>(child)->isVisible() && !m_visible.contains(child)) {
            m_visible.insert(child);
            NTXSheetPresentation::sharedSheetPresentation().prepareSheetPresentationForWindow(window());
        }
    }
}

bool NTXSheetDimmer::eventFilter(QObject *watched, QEvent *event)
try {
    QWidget *window = this->window();
    if (watched == window) {
        if (event->type() == QEvent::ChildAdded)
            consider(static_cast<QChildEvent *>(event)->child());
        else if (event->type() == QEvent::ChildRemoved && m_visible.remove(static_cast<QChildEvent *>(event)->child())
                 && m_visible.isEmpty())
            NTXSheetPresentation::sharedSheetPresentation().cleanUpSheetPresentationForWindow(window);
        return false;
    }
    if (event->type() == QEvent::Show && isSheet(watched, window) && !m_visible.contains(watched)) {
        m_visible.insert(watched);
        if (m_visible.size() == 1)
            NTXSheetPresentation::sharedSheetPresentation().prepareSheetPresentationForWindow(window);
    } else if ((event->type() == QEvent::Hide || event->type() == QEvent::Destroy) && m_visible.remove(watched)
               && m_visible.isEmpty()) {
        NTXSheetPresentation::sharedSheetPresentation().cleanUpSheetPresentationForWindow(window);
    }
    return false;
} catch (...) {
    platform::ExceptionBoundary::caught(this, "eventFilter");
    return false;
}
