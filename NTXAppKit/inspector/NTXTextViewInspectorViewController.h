#pragma once
// The views an inspector shows instead of its fields: one saying that nothing is
// selected, one that several objects are. One shared controller loads them once,
// from the interface file "NTXTextViewInspectorViewController"
// (platform::InterfaceFiles; the views are built in code and registered on first
// use unless a builder is registered already), and all inspectors borrow them.
//
// Ownership: the shared controller is made on first use and never freed; it owns the
// top-level view of its interface file and with it both views (an inspector that
// shows a view borrows it and gives it back, unparented or to another parent).
// Failure: an interface file that cannot be loaded raises platform::Exception named
// "View initialization failed" with the reason
// "NTXTextViewInspectorViewController: Could not load views resources!"; a later
// request tries again. Threads: GUI thread only (the shared instance is made under a lock).
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <memory>

class NTXTextViewInspectorViewController : public QObject
{
    Q_OBJECT
public:
    ~NTXTextViewInspectorViewController() override;

    static NTXTextViewInspectorViewController *sharedTextViewInspectorViewController();
    static QWidget *noSelectionView();
    static QWidget *multipleSelectionView();

    // The outlets the interface file connects.
    void setNoSelectionView(QWidget *view) { m_noSelectionView = view; }
    void setMultipleSelectionView(QWidget *view) { m_multipleSelectionView = view; }

    // Builds the two views for an owner and connects its outlets; answers the
    // top-level view that holds them.
    static QWidget *buildViews(QObject *owner);
    static inline const QString InterfaceFileName = QStringLiteral("NTXTextViewInspectorViewController");

private:
    NTXTextViewInspectorViewController();

    std::unique_ptr<QWidget> m_topLevelView;
    QPointer<QWidget> m_noSelectionView;
    QPointer<QWidget> m_multipleSelectionView;
};
