#include "NTXAppKit/NTXPopUpButton/NTXPopUpButton.h"

NTXPopUpButton::NTXPopUpButton(const QRect &frame, QWidget *parent)
    : platform::PopUpButton(std::make_unique<NTXPopUpButtonCell>(), parent)
{
    if (!frame.isNull())
        setGeometry(frame);
}
