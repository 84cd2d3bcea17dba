#include "components/tabbarcontrol/VTProgressIndicator.h"

#include "components/tabbarcontrol/VTTabBarControl.h"

VTProgressIndicator::VTProgressIndicator(QWidget *parent) : platform::ProgressIndicator(parent)
{
}

void VTProgressIndicator::setHidden(bool hidden)
{
    m_hidden = hidden;
    if (parentWidget())
        QWidget::setVisible(!hidden);
    if (auto *control = qobject_cast<VTTabBarControl *>(parentWidget()))
        control->updateTabBar();
}

void VTProgressIndicator::placeIn(QWidget *control)
{
    if (parentWidget() == control)
        return;
    setParent(control);
    if (control)
        QWidget::setVisible(!m_hidden);
}

void VTProgressIndicator::stopAnimation()
{
    cancelPendingStart();
    platform::ProgressIndicator::stopAnimation();
}
