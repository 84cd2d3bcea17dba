#pragma once
// A pop-up of text encodings filled from NTXEncodingManager: optionally "Automatic",
// the enabled encodings (each item's data under TagRole is its encoding number, the
// other items NoStringEncoding), a separator and "Customize Encodings List…". A
// selected encoding that cannot be used here shows its name on a disabled item; an
// unknown number is not shown.
//
// Owned by its parent widget; main thread only. The command item is never the
// selection: choosing it, whichever way, opens the shared NTXSelectEncodingsPanel and
// the previous choice stays shown; the arrow keys and the wheel pass over it. selectItemAtIndex() takes an index only when index + 2 ≤ count
// (so -1, no selection, passes whenever there is an item). The pop-up rebuilds itself
// when "EncodingsListChanged" is posted, keeping the encoding it shows.
#include <QComboBox>

class NTXEncodingPopUpButton : public QComboBox
{
    Q_OBJECT
public:
    static constexpr int TagRole = Qt::UserRole;

    explicit NTXEncodingPopUpButton(QWidget *parent = nullptr);
    ~NTXEncodingPopUpButton() override;

    // The encoding selected when the menu is rebuilt; NoStringEncoding at first.
    quint32 defaultEncoding() const { return m_defaultEncoding; }
    bool hasDefaultEntry() const { return m_hasDefaultEntry; }
    void setHasDefaultEntry(bool hasEntry) { m_hasDefaultEntry = hasEntry; }
    // Stores both and rebuilds the menu selecting the encoding.
    void setEncoding(quint32 encoding, bool defaultEntry);
    // The selected item's tag: an encoding, or NoStringEncoding.
    quint32 selectedEncoding() const;
    // Rebuilds the menu from the manager's list (see NTXEncodingManager::menuForSelectedEncoding).
    void setupPopUp(quint32 selected, bool withDefaultEntry);
    // Selects the item unless it is the last (the command item); answers whether it did.
    bool selectItemAtIndex(int index);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    void encodingsListChanged();
    void runCommand();
    void queueCommand();
    bool isCommandIndex(int index) const;

    quint32 m_defaultEncoding;
    bool m_hasDefaultEntry = false;
    // The item shown before the command item was reached (-1: none).
    int m_chosenIndex = -1;
    // Set while a key or the wheel steps through the items.
    bool m_steppingOver = false;
    bool m_commandQueued = false;
};
