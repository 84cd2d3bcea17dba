#include "NTXAppKit/inspector/NTXTextViewInspectorViewController.h"

#include "platform/drawing/InterfaceFiles.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Exception.h"

#include <QLabel>
#include <QMutex>
#include <QMutexLocker>
#include <QVBoxLayout>

namespace {

QWidget *messageView(const QString &key, QWidget *parent)
{
    auto *view = new QWidget(parent);
    auto *layout = new QVBoxLayout(view);
    auto *label = new QLabel(platform::Bundle::bundleNamed(QStringLiteral("NTXAppKit"))
                                 .localizedString(key, QStringLiteral("NTXTextViewInspector")),
                             view);
    label->setAlignment(Qt::AlignCenter);
    label->setForegroundRole(QPalette::PlaceholderText);
    layout->addWidget(label);
    return view;
}

} // namespace

NTXTextViewInspectorViewController::NTXTextViewInspectorViewController()
{
    if (!platform::InterfaceFiles::hasInterfaceFile(InterfaceFileName))
        platform::InterfaceFiles::registerInterfaceFile(InterfaceFileName, &NTXTextViewInspectorViewController::buildViews);
    m_topLevelView.reset(platform::InterfaceFiles::load(InterfaceFileName, this));
    if (!m_topLevelView || !m_noSelectionView || !m_multipleSelectionView)
        throw platform::Exception(QStringLiteral("View initialization failed"),
                                  QStringLiteral("NTXTextViewInspectorViewController: Could not load views resources!"));
}

NTXTextViewInspectorViewController::~NTXTextViewInspectorViewController() = default;

QWidget *NTXTextViewInspectorViewController::buildViews(QObject *owner)
{
    auto *controller = qobject_cast<NTXTextViewInspectorViewController *>(owner);
    if (!controller)
        return nullptr;
    auto *top = new QWidget;
    controller->setNoSelectionView(messageView(QStringLiteral("NTXTextViewInspectorNoSelection"), top));
    controller->setMultipleSelectionView(messageView(QStringLiteral("NTXTextViewInspectorMultipleValues"), top));
    return top;
}

NTXTextViewInspectorViewController *NTXTextViewInspectorViewController::sharedTextViewInspectorViewController()
{
    static QMutex lock;
    static NTXTextViewInspectorViewController *shared = nullptr;
    QMutexLocker locker(&lock);
    if (!shared)
        shared = new NTXTextViewInspectorViewController; // kept for the life of the process
    return shared;
}

QWidget *NTXTextViewInspectorViewController::noSelectionView()
{
    return sharedTextViewInspectorViewController()->m_noSelectionView;
}

QWidget *NTXTextViewInspectorViewController::multipleSelectionView()
{
    return sharedTextViewInspectorViewController()->m_multipleSelectionView;
}
