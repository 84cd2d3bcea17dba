#include "NTXAppKit/NTXThemeManager/NTXTPopUpButton.h"

NTXTPopUpButton::NTXTPopUpButton(bool pullsDown, QWidget *parent)
    : PopUpButton(std::make_unique<NTXTPopUpButtonCell>(QString(), pullsDown), parent)
{
}

NTXTPopUpButtonCell *NTXTPopUpButton::themedCell() const
{
    return static_cast<NTXTPopUpButtonCell *>(cell());
}

void NTXTPopUpButton::setThemeKey(const QString &key)
{
    themedCell()->setThemeKey(key);
    update();
}

void NTXTPopUpButton::setHighlightBackgroundMode(unsigned mode)
{
    themedCell()->setHighlightBackgroundMode(mode);
    update();
}

void NTXTPopUpButton::setBorderSideMask(unsigned mask)
{
    themedCell()->setBorderSideMask(mask);
    update();
}

void NTXTPopUpButton::setCell(std::unique_ptr<NTXTPopUpButtonCell> cell)
{
    PopUpButton::setCell(cell ? std::move(cell) : std::make_unique<NTXTPopUpButtonCell>());
}
