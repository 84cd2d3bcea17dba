#include "NTXAppKit/NTXAnchoredButtonBar/NTXUnanchoredButtonContainer.h"

NTXUnanchoredButtonContainer::NTXUnanchoredButtonContainer(QWidget *parent)
    : QWidget(parent)
{
}

void NTXUnanchoredButtonContainer::awakeFromNib()
{
    for (QWidget *child : findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        child->resize(child->width(), 22);
}
