#include "components/flowview/NTXCoverFlowAccessoryController.h"

namespace {

const QString RepresentedObjectKey = QStringLiteral("representedObject");

} // namespace

NTXCoverFlowAccessoryController::NTXCoverFlowAccessoryController(QWidget *view, QObject *parent)
    : QObject(parent)
    , m_view(view)
{
}

NTXCoverFlowAccessoryController::~NTXCoverFlowAccessoryController()
{
    if (m_view && !m_view->parent())
        delete m_view;
}

void NTXCoverFlowAccessoryController::setView(QWidget *view)
{
    if (m_view && m_view != view && !m_view->parent())
        delete m_view;
    m_view = view;
}

void NTXCoverFlowAccessoryController::setRepresentedObject(const QVariant &object)
{
    if (object == m_representedObject && object.metaType() == m_representedObject.metaType())
        return;
    willChangeValueForKey(RepresentedObjectKey);
    m_representedObject = object;
    didChangeValueForKey(RepresentedObjectKey);
    Q_EMIT representedObjectChanged();
}

QString NTXCoverFlowAccessoryController::className() const
{
    return QString::fromLatin1(metaObject()->className());
}

const platform::KeyTable &NTXCoverFlowAccessoryController::keyTable() const
{
    static const platform::KeyTable table{
        {RepresentedObjectKey,
         {[](const KeyValueObservable &o) {
              return static_cast<const NTXCoverFlowAccessoryController &>(o).representedObject();
          },
          [](KeyValueObservable &o, const QVariant &v) {
              static_cast<NTXCoverFlowAccessoryController &>(o).setRepresentedObject(v);
          }}},
    };
    return table;
}
