#pragma once
// Any window run as a window-modal sheet on a parent window, ending in a block that
// takes the return code. The block is called exactly once per sheet: when the sheet
// is ended with endSheet() (or, for a QDialog, when it finishes), or with
// ModalResponseAbort when the parent window is hidden or closed, the sheet is
// destroyed, or the sheet is hidden without being ended. Ending a sheet does not hide
// it: that stays the block's job (a QDialog hides itself when it finishes, as Qt's
// dialogs do).
#include <functional>

class QWidget;

namespace NTXNSApplicationExtension {

using DidEndBlock = std::function<void(int returnCode)>;

constexpr int ModalResponseStop = -1000;
constexpr int ModalResponseAbort = -1001;
constexpr int ModalResponseCancel = 0;
constexpr int ModalResponseOK = 1;

// Shows the sheet window-modal on the parent window and returns at once. A sheet that
// is already running is ended first (its block gets ModalResponseAbort). Nothing
// happens without a sheet.
void beginSheet(QWidget *sheet, QWidget *window, DidEndBlock didEndBlock);
// Ends a running sheet: its block is called with the return code. Answers whether a
// sheet was running.
bool endSheet(QWidget *sheet, int returnCode);
bool isSheetRunning(const QWidget *sheet);

} // namespace NTXNSApplicationExtension
