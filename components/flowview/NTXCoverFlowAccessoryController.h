#pragma once
// The controller of a view shown below the cover-flow pictures. Its key
// "representedObject" follows the cover-flow view's selected object, and the
// responder chain asks it right after the cover-flow view, so its Q_INVOKABLE
// actions answer the view's keys and menus. Subclasses add the actions.
//
// Ownership: it owns its view until the cover-flow view takes the view as a
// subview; the cover-flow view never owns the controller. GUI thread only.
#include "platform/foundation/KeyValueObserving.h"

#include <QObject>
#include <QPointer>
#include <QVariant>
#include <QWidget>

class NTXCoverFlowAccessoryController : public QObject, public platform::KeyValueObservable
{
    Q_OBJECT
public:
    explicit NTXCoverFlowAccessoryController(QWidget *view = nullptr, QObject *parent = nullptr);
    ~NTXCoverFlowAccessoryController() override;

    QWidget *view() const { return m_view; }
    void setView(QWidget *view);
    QVariant representedObject() const { return m_representedObject; }
    void setRepresentedObject(const QVariant &object);

    QString className() const override;

Q_SIGNALS:
    void representedObjectChanged();

protected:
    const platform::KeyTable &keyTable() const override;

private:
    QPointer<QWidget> m_view;
    QVariant m_representedObject;
};
