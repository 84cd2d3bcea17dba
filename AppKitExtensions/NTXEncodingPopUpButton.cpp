#include "AppKitExtensions/NTXEncodingPopUpButton.h"

#include "AppKitExtensions/NTXSelectEncodingsPanel.h"
#include "FoundationExtensions/NTXEncodingManager.h"
#include "FoundationExtensions/NTXStringEncodings.h"
#include "platform/foundation/ExceptionBoundary.h"
#include "platform/foundation/NotificationCenter.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScopedValueRollback>
#include <QSignalBlocker>
#include <QStandardItemModel>

NTXEncodingPopUpButton::NTXEncodingPopUpButton(QWidget *parent) : QComboBox(parent)
{
    m_defaultEncoding = NTXStringEncodings::NoStringEncoding;
    platform::NotificationCenter::defaultCenter().addObserver(
        this, NTXEncodingManager::EncodingsListChangedNotification, nullptr,
        [this](const platform::Notification &) { encodingsListChanged(); });
    view()->installEventFilter(this);
    view()->viewport()->installEventFilter(this);
    // Whatever way the command item became current (the open list, the keyboard, a
    // window system's own way of choosing in a list), it runs the command and the
    // choice before it comes back: the command is never an encoding chosen.
    connect(this, &QComboBox::currentIndexChanged, this,
            platform::ExceptionBoundary::guarded(this, "currentIndexChanged", [this](int index) {
        if (!isCommandIndex(index)) {
            m_chosenIndex = index;
            return;
        }
        {
            const QSignalBlocker blocker(this);
            setCurrentIndex(m_chosenIndex < count() - 1 ? m_chosenIndex : -1);
        }
        // The choice shown again is announced after the command item's announcement
        // has reached everyone: the last word is the choice.
        QMetaObject::invokeMethod(
            this,
            platform::ExceptionBoundary::guarded(this, "currentIndexChanged",
                                                 [this] { Q_EMIT currentIndexChanged(currentIndex()); }),
            Qt::QueuedConnection);
        // Stepping onto it with the arrow keys or the wheel only passes over it.
        if (!m_steppingOver)
            queueCommand();
    }));
}

void NTXEncodingPopUpButton::queueCommand()
{
    // Once however many ways reach the command item in one go.
    if (m_commandQueued)
        return;
    m_commandQueued = true;
    QMetaObject::invokeMethod(
        this, platform::ExceptionBoundary::guarded(this, "runCommand", &NTXEncodingPopUpButton::runCommand),
        Qt::QueuedConnection);
}

NTXEncodingPopUpButton::~NTXEncodingPopUpButton()
{
    platform::NotificationCenter::defaultCenter().removeObserver(this);
}

void NTXEncodingPopUpButton::setEncoding(quint32 encoding, bool defaultEntry)
{
    m_defaultEncoding = encoding;
    m_hasDefaultEntry = defaultEntry;
    setupPopUp(encoding, defaultEntry);
}

quint32 NTXEncodingPopUpButton::selectedEncoding() const
{
    const int index = currentIndex();
    if (index < 0)
        return NTXStringEncodings::NoStringEncoding;
    return itemData(index, TagRole).value<quint32>();
}

void NTXEncodingPopUpButton::setupPopUp(quint32 selected, bool withDefaultEntry)
{
    const NTXEncodingManager::Menu menu =
        NTXEncodingManager::sharedInstance().menuForSelectedEncoding(selected, withDefaultEntry);
    {
        const QSignalBlocker blocker(this);
        clear();
        for (const NTXEncodingManager::MenuItem &item : menu.items) {
            if (item.kind == NTXEncodingManager::MenuItem::Separator) {
                insertSeparator(count());
                setItemData(count() - 1, QVariant::fromValue(item.tag), TagRole);
            } else {
                addItem(item.title, QVariant::fromValue(item.tag));
                if (!item.enabled)
                    if (auto *model = qobject_cast<QStandardItemModel *>(this->model()))
                        if (QStandardItem *added = model->item(count() - 1))
                            added->setEnabled(false);
            }
        }
        setCurrentIndex(-1);
        m_chosenIndex = -1;
    }
    selectItemAtIndex(menu.selectedIndex);
    m_hasDefaultEntry = withDefaultEntry;
}

bool NTXEncodingPopUpButton::selectItemAtIndex(int index)
{
    if (index + 2 > count())
        return false;
    setCurrentIndex(index);
    return true;
}

bool NTXEncodingPopUpButton::isCommandIndex(int index) const
{
    return index >= 0 && index == count() - 1;
}

void NTXEncodingPopUpButton::encodingsListChanged()
{
    const quint32 shown = selectedEncoding();
    if (shown != 0 && shown != NTXStringEncodings::NoStringEncoding)
        m_defaultEncoding = shown;
    setupPopUp(m_defaultEncoding, m_hasDefaultEntry);
}

void NTXEncodingPopUpButton::runCommand()
{
    m_commandQueued = false;
    hidePopup();
    NTXSelectEncodingsPanel::sharedPanel().showPanel();
}

bool NTXEncodingPopUpButton::eventFilter(QObject *watched, QEvent *event)
try {
    // The command item of the open list: run it instead of selecting it.
    if (watched == view()->viewport() && event->type() == QEvent::MouseButtonRelease) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (isCommandIndex(view()->indexAt(mouse->position().toPoint()).row())) {
            hidePopup();
            queueCommand();
            return true;
        }
    } else if (watched == view() && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space)
            && isCommandIndex(view()->currentIndex().row())) {
            hidePopup();
            queueCommand();
            return true;
        }
    }
    return QComboBox::eventFilter(watched, event);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "eventFilter");
    return false;
}

void NTXEncodingPopUpButton::keyPressEvent(QKeyEvent *event)
try {
    const QScopedValueRollback stepping(m_steppingOver, true);
    QComboBox::keyPressEvent(event);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "keyPressEvent");
}

void NTXEncodingPopUpButton::wheelEvent(QWheelEvent *event)
try {
    const QScopedValueRollback stepping(m_steppingOver, true);
    QComboBox::wheelEvent(event);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "wheelEvent");
}
