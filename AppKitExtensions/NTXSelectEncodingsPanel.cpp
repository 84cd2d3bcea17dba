#include "AppKitExtensions/NTXSelectEncodingsPanel.h"

#include "FoundationExtensions/NTXEncodingManager.h"
#include "FoundationExtensions/NTXStringEncodings.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

NTXSelectEncodingsPanel &NTXSelectEncodingsPanel::sharedPanel()
{
    // Kept for the life of the process (the application object takes its window down).
    static NTXSelectEncodingsPanel *panel = new NTXSelectEncodingsPanel;
    return *panel;
}

NTXSelectEncodingsPanel::NTXSelectEncodingsPanel() : QWidget(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint)
{
    setWindowTitle(QStringLiteral("Text Encodings"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    auto *layout = new QVBoxLayout(this);
    m_list = new QListWidget(this);
    layout->addWidget(m_list);
    auto *buttons = new QHBoxLayout;
    auto *selectAll = new QPushButton(QStringLiteral("Select All"), this);
    auto *clearAll = new QPushButton(QStringLiteral("Clear All"), this);
    auto *revert = new QPushButton(QStringLiteral("Default"), this);
    buttons->addWidget(selectAll);
    buttons->addWidget(clearAll);
    buttons->addStretch();
    buttons->addWidget(revert);
    layout->addLayout(buttons);
    resize(320, 420);

    NTXEncodingManager &manager = NTXEncodingManager::sharedInstance();
    connect(selectAll, &QPushButton::clicked, &manager,
        platform::ExceptionBoundary::guarded(&manager, "selectAll", &NTXEncodingManager::selectAll));
    connect(clearAll, &QPushButton::clicked, &manager,
        platform::ExceptionBoundary::guarded(&manager, "clearAll", &NTXEncodingManager::clearAll));
    connect(revert, &QPushButton::clicked, &manager,
        platform::ExceptionBoundary::guarded(&manager, "revertToDefault", &NTXEncodingManager::revertToDefault));
    connect(&manager, &NTXEncodingManager::listNeedsDisplay, this,
        platform::ExceptionBoundary::guarded(this, "updateTicks", &NTXSelectEncodingsPanel::updateTicks));
    connect(m_list, &QListWidget::itemChanged, this,
        platform::ExceptionBoundary::guarded(this, "itemChanged", &NTXSelectEncodingsPanel::itemChanged));
}

void NTXSelectEncodingsPanel::showPanel()
{
    if (!m_filled) {
        setupEncodingsList();
        m_filled = true;
    }
    show();
    raise();
    activateWindow();
}

void NTXSelectEncodingsPanel::setupEncodingsList()
{
    const QList<quint32> all = NTXEncodingManager::allAvailableStringEncodings();
    {
        const QSignalBlocker blocker(m_list);
        for (qsizetype i = 0; i < all.size(); ++i) {
            if (m_list->count() < i + 1)
                m_list->addItem(new QListWidgetItem);
            QListWidgetItem *item = m_list->item(int(i));
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
            item->setText(NTXStringEncodings::displayName(all[i]));
            item->setData(Qt::UserRole, QVariant::fromValue(all[i]));
        }
    }
    NTXEncodingManager::sharedInstance().noteEncodingListChange(false, true, false);
}

void NTXSelectEncodingsPanel::updateTicks()
{
    const QList<quint32> enabled = NTXEncodingManager::sharedInstance().enabledEncodings();
    const QSignalBlocker blocker(m_list);
    for (int i = 0; i < m_list->count(); ++i) {
        QListWidgetItem *item = m_list->item(i);
        item->setCheckState(enabled.contains(item->data(Qt::UserRole).value<quint32>()) ? Qt::Checked
                                                                                         : Qt::Unchecked);
    }
}

void NTXSelectEncodingsPanel::itemChanged(QListWidgetItem *)
{
    QList<quint32> ticked;
    for (int i = 0; i < m_list->count(); ++i) {
        if (m_list->item(i)->checkState() == Qt::Checked)
            ticked.append(m_list->item(i)->data(Qt::UserRole).value<quint32>());
    }
    NTXEncodingManager::sharedInstance().encodingListChanged(ticked);
}
