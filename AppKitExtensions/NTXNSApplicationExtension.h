#pragma once
// Any window run as a window-modal sheet on a parent window, ending in a block that
// takes the return code: the application's names for platform::Sheet (see there: one
// sheet per window, the block called exactly once in the event-loop pass after the
// sheet ended, ModalResponseAbort when the window or the sheet went away). Ending a
// sheet does not hide it: that stays the block's job (a QDialog hides itself when it
// finishes, as Qt's dialogs do). GUI thread only.
#include <functional>

class QWidget;

namespace NTXNSApplicationExtension {

using DidEndBlock = std::function<void(int returnCode)>;

constexpr int ModalResponseStop = -1000;
constexpr int ModalResponseAbort = -1001; // platform::Sheet::Aborted
constexpr int ModalResponseCancel = 0;
constexpr int ModalResponseOK = 1;

// Shows the sheet window-modal on the parent window (or queues it behind the one up
// there) and returns at once. A sheet that is already running is ended first (its
// block gets ModalResponseAbort). Nothing happens without a sheet.
void beginSheet(QWidget *sheet, QWidget *window, DidEndBlock didEndBlock);
// Ends a running sheet: its block is called with the return code. Answers whether a
// sheet was running.
bool endSheet(QWidget *sheet, int returnCode);
bool isSheetRunning(const QWidget *sheet);

} // namespace NTXNSApplicationExtension
