#pragma once
// The sheet that names a job and sets its wage, for a new job and for an existing
// one. OK ends it with 1, Cancel (and Escape) with 0.
#include "platform/drawing/WholeTextLineEdit.h"

#include <QDialog>

class QDoubleSpinBox;
class QLabel;
class QPushButton;

class JobNameSheet : public QDialog
{
    Q_OBJECT
public:
    explicit JobNameSheet(QWidget *parent = nullptr);

    // Outlets.
    // A name too long for one line is shown cut and edited whole in a dialog.
    platform::WholeTextLineEdit *jobName = nullptr;
    QPushButton *jobOkButton = nullptr;
    QPushButton *jobCancelButton = nullptr;
    QLabel *jobTitle = nullptr;
    QDoubleSpinBox *jobWage = nullptr;
    QLabel *jobCurrencySymbol = nullptr;
};
