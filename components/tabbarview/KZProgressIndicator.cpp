#include "components/tabbarview/KZProgressIndicator.h"

KZProgressIndicator::KZProgressIndicator(QWidget *parent)
    : platform::ProgressIndicator(parent)
{
}

void KZProgressIndicator::stopAnimation()
{
    cancelPendingStart();
    platform::ProgressIndicator::stopAnimation();
}
