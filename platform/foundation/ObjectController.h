#pragma once
// A controller of one content object for bindings: "content", "selectedObjects" (the
// content alone, or nothing), "selection", "canAdd", "canRemove", "isEditable", and an
// object-class test that tells which objects the controller may hold.
//
// The controller is a KeyValueObservable: its keys are observed and bound like any
// model object's. "content" may be bound with platform::bindFollowing().
// Ownership: the content is held as a value (a model object's pointer inside it is
// not owned). Threads: GUI thread only, like every binding.
#include "platform/foundation/KeyValueObserving.h"

#include <QVariantList>
#include <functional>

namespace platform {

class ObjectController : public KeyValueObservable
{
public:
    using ObjectClassTest = std::function<bool(const QVariant &object)>;

    ObjectController();
    ~ObjectController() override;

    QVariant content() const { return m_content; }
    void setContent(const QVariant &content);

    // The selected objects: the content when there is one.
    virtual QVariantList selectedObjects() const;
    // The first selected object; nil when none is selected.
    QVariant selection() const;

    bool isEditable() const { return m_editable; }
    void setEditable(bool editable);
    virtual bool canAdd() const;
    virtual bool canRemove() const;

    // Whether an object is of the class this controller holds; with no test set,
    // every object but nil is.
    bool isOfObjectClass(const QVariant &object) const;
    void setObjectClass(ObjectClassTest test) { m_objectClass = std::move(test); }

    // Stored for the users of the controller; the controller never reads it.
    QVariant managedObjectContext() const { return m_managedObjectContext; }
    void setManagedObjectContext(const QVariant &context) { m_managedObjectContext = context; }

    QString className() const override { return QStringLiteral("ObjectController"); }

protected:
    const KeyTable &keyTable() const override;
    // Announces a change of the selection's keys ("selectedObjects", "selection",
    // "canRemove"): around a change the subclass makes.
    void willChangeSelection();
    void didChangeSelection();

private:
    QVariant m_content;
    bool m_editable = true;
    ObjectClassTest m_objectClass;
    QVariant m_managedObjectContext;
};

} // namespace platform
