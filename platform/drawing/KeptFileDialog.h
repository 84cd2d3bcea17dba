#pragma once
// File dialogs kept for reuse. Qt writes a file dialog's state (the folders visited,
// the side bar, the view) to QtProject.conf in the user's configuration folder each
// time one is destroyed: a lock file, two fdatasync()s and a rename, on the GUI
// thread, which on a busy disk holds the window for as long as the disk takes. So the
// program does not destroy one per question: each kind of file dialog (its object
// name) is made once for the window that keeps it and reused for every later
// question there, hidden in between; Qt writes its state once, when the window goes.
// Its sheet may show it on another window (which it is a child of while it shows);
// keep() brings it back under its keeper.
//
// The caller sets up what each question needs (folder, name, filters, mode) every
// time; what the person changed in the dialog itself (its size, view, side bar) stays.
//
// Ownership: a kept dialog is a child of its keeper. Threads: GUI thread only. Never
// throws.
#include <QString>

class QFileDialog;
class QWidget;

namespace platform::KeptFileDialog {

// The dialog of that name kept under `keeper` and free (not running as a sheet), null
// when there is none (or no keeper).
QFileDialog *find(const QWidget *keeper, const QString &name);
// The dialog find() answers, else a new one of that name, a child of the keeper (of
// none without one).
QFileDialog *findOrMake(QWidget *keeper, const QString &name);
// A dialog whose sheet ended: hidden, a child of `keeper` again, for find() to answer
// next time. Without a keeper it is deleted later.
void keep(QFileDialog *dialog, QWidget *keeper);
// Opens the folder in the dialog as a new dialog given it opens it: the folder, else
// the folder it lies in when that one is there, else the dialog stays where it is.
void openFolder(QFileDialog *dialog, const QString &folder);
// Empties the name field of Qt's own dialog (not the desktop's), which keeps what was
// typed or chosen at the last question.
void clearName(QFileDialog *dialog);

} // namespace platform::KeptFileDialog
