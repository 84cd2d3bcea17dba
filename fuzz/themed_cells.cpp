// Fuzz target: the themed cells, the platform cells under them and the bordered view
// read from untrusted keyed archives (as interface files bring them). Each class
// decodes the bytes on its own; a cell that decoded is drawn once and written again,
// and what it wrote must decode.
#include "NTXAppKit/NTXThemeManager/NTXTBorderedView.h"
#include "NTXAppKit/NTXThemeManager/NTXTButtonCell.h"
#include "NTXAppKit/NTXThemeManager/NTXTImageCell.h"
#include "NTXAppKit/NTXThemeManager/NTXTPopUpButtonCell.h"
#include "NTXAppKit/NTXThemeManager/NTXTSegmentedCell.h"
#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"

#include <QImage>
#include <QPainter>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

using namespace platform;

namespace {

template <class CellClass> void decodeDrawAndWriteAgain(const QByteArray &bytes)
{
    auto cell = std::make_shared<CellClass>();
    {
        KeyedUnarchiver unarchiver(bytes);
        if (!cell->initWithCoder(unarchiver))
            return;
    }
    QImage image(64, 24, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        cell->drawWithFrame(painter, QRectF(0, 0, 64, 24), nullptr);
    }
    const auto again = KeyedArchiver::archivedData(cell);
    if (!again)
        std::abort(); // a decoded cell must write
    KeyedUnarchiver unarchiver(*again);
    auto reread = std::make_shared<CellClass>();
    if (!reread->initWithCoder(unarchiver))
        std::abort(); // what we wrote must read
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    decodeDrawAndWriteAgain<NTXTButtonCell>(bytes);
    decodeDrawAndWriteAgain<NTXTPopUpButtonCell>(bytes);
    decodeDrawAndWriteAgain<NTXTSegmentedCell>(bytes);
    decodeDrawAndWriteAgain<NTXTImageCell>(bytes);
    KeyedUnarchiver unarchiver(bytes);
    std::unique_ptr<NTXTBorderedView> view(NTXTBorderedView::fromCoder(unarchiver));
    if (view) {
        view->resize(40, 20);
        QImage image(40, 20, QImage::Format_ARGB32_Premultiplied);
        view->render(&image);
    }
    return 0;
}
