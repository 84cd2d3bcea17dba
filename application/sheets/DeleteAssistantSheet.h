#pragma once
// The delete assistant's sheet: which kind of node goes (a pop-up whose items carry
// the kind tags 0 any, 1 groups, 2 jobs, 3 time entries), the date condition (radio
// buttons with the tags 0 none, 1 created before, 2 created after the date), the
// date, and whether only nodes of executed jobs go. It opens with time entries
// created before the date chosen. OK ends the sheet with 1, Cancel (and Escape)
// with 0.
#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QPushButton;

class DeleteAssistantSheet : public QDialog
{
    Q_OBJECT
public:
    explicit DeleteAssistantSheet(QWidget *parent = nullptr);

    // Outlets.
    QCheckBox *deleteOnlyExecutedEntys = nullptr;
    QButtonGroup *deleteValue = nullptr;
    QComboBox *deleteType = nullptr;
    QDateTimeEdit *deleteDate = nullptr;
    QPushButton *deleteOkButton = nullptr;
    QPushButton *deleteCancelButton = nullptr;

    // The tag of the chosen kind and of the chosen date condition (-1 for none).
    int kindTag() const;
    int conditionTag() const;
    void selectKindTag(int tag);
    void selectConditionTag(int tag);
};
