#pragma once
// The print dialog of the print preview: where the pages go (a printer of the CUPS
// server, or a PDF file), how many copies, collated or not, on one side or both, and
// which pages. It opens at once, with what is known of the printers: while the server
// is asked (on a pool thread, by the print panel) it says so and offers the PDF file;
// the printers come in when the server answered (the default one chosen), and a server
// that does not answer is named in a message, the PDF file still offered. Nothing
// here talks to the server.
//
// Owned by its parent widget. GUI thread only. No failure of its own.
#include "platform/print/PrinterQueue.h"

#include <QDialog>
#include <QString>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;

// What the dialog chose.
struct PrintChoice
{
    enum Sides { OneSided, TwoSidedLongEdge, TwoSidedShortEdge };
    // The printer ("queue" or "queue/instance"); none for a PDF file.
    QString printer;
    int copies = 1;
    bool collate = true;
    Sides sides = OneSided;
    // CUPS's page ranges ("1-3,5"); none for every page.
    QString pageRanges;

    bool toFile() const { return printer.isEmpty(); }
};

class DocumentPrintDialog : public QDialog
{
    Q_OBJECT
public:
    explicit DocumentPrintDialog(QWidget *parent);

    // What is known of the printers; none while the server is asked.
    void setPrinters(const platform::PrinterQueue::Printers *printers);
    PrintChoice choice() const;

    QComboBox *printerPopup() const { return m_printer; }
    QLabel *serverMessage() const { return m_message; }
    QSpinBox *copies() const { return m_copies; }
    QCheckBox *collate() const { return m_collate; }
    QComboBox *sides() const { return m_sides; }
    QLineEdit *pageRanges() const { return m_pages; }

private:
    void updateOptions();

    QComboBox *m_printer = nullptr;
    QLabel *m_message = nullptr;
    QSpinBox *m_copies = nullptr;
    QCheckBox *m_collate = nullptr;
    QComboBox *m_sides = nullptr;
    QLineEdit *m_pages = nullptr;
};
