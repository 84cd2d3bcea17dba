#pragma once
// The sheet that names a group, new or existing. OK ends it with 1, Cancel (and
// Escape) with 0.
#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

class GroupNameSheet : public QDialog
{
    Q_OBJECT
public:
    explicit GroupNameSheet(QWidget *parent = nullptr);

    // Outlets.
    QLineEdit *groupName = nullptr;
    QPushButton *groupOkButton = nullptr;
    QPushButton *groupCancelButton = nullptr;
    QLabel *groupTitle = nullptr;
};
