#pragma once
// A controller of one view, with hooks around the loading of that view.
#include <QObject>
#include <QPointer>
#include <QWidget>

class NTXViewController : public QObject
{
    Q_OBJECT
public:
    explicit NTXViewController(QObject *parent = nullptr);
    ~NTXViewController() override;

    // The view, loaded on first request.
    QWidget *view();
    bool isViewLoaded() const { return m_view; }
    void setView(QWidget *view);

    // Sends viewWillLoad(), builds the view (createView()), then sends viewDidLoad().
    virtual void loadView();
    // Hooks for subclasses; they do nothing here.
    virtual void viewWillLoad();
    virtual void viewDidLoad();

protected:
    // Builds the view; the base gives an empty plain widget.
    virtual QWidget *createView();

private:
    QPointer<QWidget> m_view;
};
