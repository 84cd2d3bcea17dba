#pragma once
// The accessory of the print preview: the view with the three print options and
// three plainly assigned properties that mirror them for the preview. Setting a
// property to a new value emits previewAffected(), on which the preview is redrawn
// (the properties named by keyPathsForValuesAffectingPreview()).
//
// The controller is the view; owned by its parent widget. GUI thread only.
#include <QList>
#include <QSet>
#include <QString>
#include <QVariantMap>
#include <QWidget>
#include <memory>

class QCheckBox;
namespace Ui {
class DocumentPrintAccessoryViewController;
}

class DocumentPrintAccessoryViewController : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(bool printOnlySelectedJobs READ printOnlySelectedJobs WRITE setPrintOnlySelectedJobs)
    Q_PROPERTY(bool withoutTimeEntry READ withoutTimeEntry WRITE setWithoutTimeEntry)
    Q_PROPERTY(bool withoutDayEntry READ withoutDayEntry WRITE setWithoutDayEntry)
public:
    explicit DocumentPrintAccessoryViewController(QWidget *parent = nullptr);
    ~DocumentPrintAccessoryViewController() override;

    // The check boxes of the view.
    QCheckBox *printSelectedJobs() const;
    QCheckBox *printWithoutTimeEntry() const;
    QCheckBox *printWithoutDayEntry() const;

    bool printOnlySelectedJobs() const { return m_printOnlySelectedJobs; }
    void setPrintOnlySelectedJobs(bool value);
    bool withoutTimeEntry() const { return m_withoutTimeEntry; }
    void setWithoutTimeEntry(bool value);
    bool withoutDayEntry() const { return m_withoutDayEntry; }
    void setWithoutDayEntry(bool value);

    static QSet<QString> keyPathsForValuesAffectingPreview();
    // The summary of the accessory's settings: nothing.
    QList<QVariantMap> localizedSummaryItems() const { return {}; }

Q_SIGNALS:
    void previewAffected();

private:
    void assign(bool &member, bool value);

    std::unique_ptr<Ui::DocumentPrintAccessoryViewController> m_ui;
    bool m_printOnlySelectedJobs = false;
    bool m_withoutTimeEntry = false;
    bool m_withoutDayEntry = false;
};
