#include "NTXAppKit/NTXThemeManager/NTXTButton.h"

NTXTButton::NTXTButton(QWidget *parent)
    : NTXTButton(std::make_unique<NTXTButtonCell>(), parent)
{
}

NTXTButton::NTXTButton(std::unique_ptr<NTXTButtonCell> cell, QWidget *parent)
    : Control(cell ? std::move(cell) : std::make_unique<NTXTButtonCell>(), parent)
{
}

NTXTButtonCell *NTXTButton::buttonCell() const
{
    return static_cast<NTXTButtonCell *>(cell());
}

void NTXTButton::setThemeKey(const QString &key)
{
    buttonCell()->setThemeKey(key);
    update();
}

void NTXTButton::setHighlightBackgroundMode(unsigned mode)
{
    buttonCell()->setHighlightBackgroundMode(mode);
    update();
}

void NTXTButton::setStateBackgroundMode(unsigned mode)
{
    buttonCell()->setStateBackgroundMode(mode);
    update();
}

void NTXTButton::setBorderSideMask(unsigned mask)
{
    buttonCell()->setBorderSideMask(mask);
    update();
}

void NTXTButton::setCell(std::unique_ptr<NTXTButtonCell> cell)
{
    Control::setCell(cell ? std::move(cell) : std::make_unique<NTXTButtonCell>());
}
