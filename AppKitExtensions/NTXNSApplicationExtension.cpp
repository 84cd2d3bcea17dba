#include "AppKitExtensions/NTXNSApplicationExtension.h"

#include "platform/drawing/Sheet.h"

namespace NTXNSApplicationExtension {

void beginSheet(QWidget *sheet, QWidget *window, DidEndBlock didEndBlock)
{
    platform::Sheet::begin(sheet, window, std::move(didEndBlock));
}

bool endSheet(QWidget *sheet, int returnCode)
{
    return platform::Sheet::end(sheet, returnCode);
}

bool isSheetRunning(const QWidget *sheet)
{
    return platform::Sheet::isRunning(sheet);
}

} // namespace NTXNSApplicationExtension
