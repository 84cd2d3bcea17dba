#pragma once
// The sheet that names a group, new or existing. OK ends it with 1, Cancel (and
// Escape) with 0.
#include "platform/drawing/WholeTextLineEdit.h"

#include <QDialog>

class QLabel;
class QPushButton;

class GroupNameSheet : public QDialog
{
    Q_OBJECT
public:
    explicit GroupNameSheet(QWidget *parent = nullptr);

    // Outlets.
    // A name too long for one line is shown cut and edited whole in a dialog.
    platform::WholeTextLineEdit *groupName = nullptr;
    QPushButton *groupOkButton = nullptr;
    QPushButton *groupCancelButton = nullptr;
    QLabel *groupTitle = nullptr;
};
