#include "NTXAppKit/NTXContextMenuToolbarItem/NTXNewContextMenuButtonCell.h"

NTXNewContextMenuButtonCell::~NTXNewContextMenuButtonCell() = default;

std::unique_ptr<platform::Cell> NTXNewContextMenuButtonCell::clone() const
{
    return std::unique_ptr<platform::Cell>(new NTXNewContextMenuButtonCell(*this));
}
