#pragma once
// The sheet that names a job and sets its wage, for a new job and for an existing
// one. OK ends it with 1, Cancel (and Escape) with 0.
#include <QDialog>

class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;

class JobNameSheet : public QDialog
{
    Q_OBJECT
public:
    explicit JobNameSheet(QWidget *parent = nullptr);

    // Outlets.
    QLineEdit *jobName = nullptr;
    QPushButton *jobOkButton = nullptr;
    QPushButton *jobCancelButton = nullptr;
    QLabel *jobTitle = nullptr;
    QDoubleSpinBox *jobWage = nullptr;
    QLabel *jobCurrencySymbol = nullptr;
};
