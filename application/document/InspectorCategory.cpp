// The document's inspector: its fields, set up once when the window is loaded, and
// the colour-label picker following the selection.
#include "application/document/DocumentWindow.h"
#include "application/document/HeldNodes.h"
#include "application/document/MyDocument.h"

#include "NTXAppKit/NTXColorLabelWidget/NTXColorLabelWidget.h"
#include "NTXAppKit/inspector/NTXTextViewInspector.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorTextField.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorViewField.h"
#include "platform/drawing/WholeTextDialog.h"
#include "platform/foundation/ArrayController.h"
#include "platform/foundation/Bindings.h"
#include "platform/foundation/Bundle.h"

#include <QDialogButtonBox>
#include <QScopeGuard>
#include <QPushButton>
#include <algorithm>

namespace {

NTXTextViewInspectorFieldLabelPtr labelFor(const char *key)
{
    return NTXTextViewInspectorFieldLabel::fieldLabelWithString(platform::localized(QString::fromLatin1(key)));
}

// The one label all the values share; -1 when they differ, 0 for none.
int sharedLabel(const QVariant &labels)
{
    if (!platform::isListValue(labels))
        return labels.isValid() ? labels.toInt() : 0;
    const QVariantList list = labels.toList();
    if (list.isEmpty())
        return 0;
    const int first = list.constFirst().toInt();
    for (const QVariant &label : list)
        if (label.toInt() != first)
            return -1;
    return first;
}

} // namespace

NTXTextViewInspector *MyDocument::textViewInspector() const
{
    return documentWindow() ? documentWindow()->textViewInspector() : nullptr;
}

NTXTextViewInspectorTextField *MyDocument::descriptionShownCut() const
{
    NTXTextViewInspector *inspector = textViewInspector();
    if (!inspector || !inspector->isVisible())
        return nullptr;
    auto *field = qobject_cast<NTXTextViewInspectorTextField *>(
        inspector->fieldWithIdentifier(QStringLiteral("descrField")).get());
    return field && field->isShownCut() ? field : nullptr;
}

void MyDocument::editWholeDescription(QObject *)
{
    // What a double click on the description does.
    if (NTXTextViewInspectorTextField *field = descriptionShownCut())
        textViewInspector()->openWholeValueOfField(field);
}

void MyDocument::showSelectedColorLabel()
{
    NTXColorLabelWidget *picker = documentWindow() ? documentWindow()->colorLabelControl() : nullptr;
    if (picker && m_colorLabelObserver)
        picker->setColorLabelType(sharedLabel(m_colorLabelObserver->value()));
}

void MyDocument::setupInspectorFields()
{
    NTXTextViewInspector *inspector = textViewInspector();
    if (!inspector)
        return;
    NTXColorLabelWidget *picker = documentWindow()->colorLabelControl();
    if (picker) {
        inspector->addField(NTXTextViewInspectorViewField::viewFieldWithIdentifier(
            QStringLiteral("colorLabelField"), picker, labelFor("LSColorLabel")));
        m_colorLabelObserver = std::make_unique<platform::BindingObserver>(
            this, QStringLiteral("inspectedColorLabels"),
            [this] {
                if (m_outlineModel && m_outlineModel->isInEditBatch())
                    m_colorLabelPickerStale = true;
                else
                    showSelectedColorLabel();
            });
        showSelectedColorLabel();
    }

    auto description = std::make_shared<NTXTextViewInspectorTextField>(
        QStringLiteral("descrField"), platform::localized(QStringLiteral("LSDescriptionPlaceholder")),
        labelFor("LSDescription"));
    description->setEditable(true);
    description->setSupportNewLine(true);
    description->setSupportMultipleValues(false);
    description->bind(QStringLiteral("value"), this, QStringLiteral("inspectedDescripts"), {});
    inspector->addField(description);
    // The whole description goes to the nodes selected when its dialog opened.
    inspector->setWholeValueHolder([this, description = std::weak_ptr(description)](
                                       NTXTextViewInspectorTextField *field,
                                       platform::WholeTextDialog *dialog) -> NTXTextViewInspector::WholeValueWriter {
        if (field != description.lock().get())
            return {};
        auto *held = new HeldNodes(m_context, m_inspectedNodes, dialog, dialog->buttons()->button(QDialogButtonBox::Ok));
        return [this, held = QPointer(held)](const QVariant &value) {
            if (!held || !held->present())
                return;
            // The inspector reads the values again once, after all of them.
            ++m_inspectedSettings;
            const auto settled = qScopeGuard([this] {
                --m_inspectedSettings;
                tellPendingInspectedValues();
            });
            for (const NodePtr &node : held->nodes())
                node->setDescript(value.toString());
        };
    });

    inspector->addField(NTXTextViewInspectorViewField::separatorField());

    const QString noSelection = platform::Bundle::mainBundle().localizedString(
        QStringLiteral("NTXTextViewInspectorNoSelection"), QStringLiteral("NTXTextViewInspector"));
    const std::pair<const char *, const char *> totals[] = {
        {"workTimeField", "LSSelectedNodeDuration"},
        {"wageField", "LSSelectedNodeTurnover"},
    };
    const QString keys[] = {QStringLiteral("selectedNodeWorkTime"), QStringLiteral("selectedNodeWage")};
    for (int i = 0; i < 2; ++i) {
        auto field = std::make_shared<NTXTextViewInspectorTextField>(QString::fromLatin1(totals[i].first), noSelection,
                                                                     labelFor(totals[i].second));
        field->setEditable(false);
        field->bind(QStringLiteral("value"), this, keys[i], {});
        inspector->addField(field);
    }
}

const QString &MyDocument::inspectedKeyOf(const QString &nodeKey)
{
    static const QString colorLabels = QStringLiteral("inspectedColorLabels");
    static const QString descripts = QStringLiteral("inspectedDescripts");
    static const QString none;
    if (nodeKey == QLatin1String("colorLabel"))
        return colorLabels;
    if (nodeKey == QLatin1String("descript"))
        return descripts;
    return none;
}

QVariantList MyDocument::inspectedValues(const QString &nodeKey) const
{
    QVariantList values;
    const bool label = nodeKey == QLatin1String("colorLabel");
    if (!label && m_inspectedNodes.size() > 1) {
        // Nodes that all have the same description show it (an empty one as the
        // placeholder), not "Multiple Values": one value for all of them.
        const QString &first = m_inspectedNodes.constFirst()->descript();
        if (std::all_of(m_inspectedNodes.cbegin(), m_inspectedNodes.cend(),
                        [&first](const NodePtr &node) { return node->descript() == first; }))
            return {QVariant(first)};
    }
    values.reserve(m_inspectedNodes.size());
    for (const NodePtr &node : m_inspectedNodes)
        values.append(label ? QVariant(node->colorLabel()) : QVariant(node->descript()));
    return values;
}

void MyDocument::nodeOfTreeChanged(const Node &node, const QString &key)
{
    if (m_inspectedNodes.isEmpty() || inspectedKeyOf(key).isEmpty())
        return;
    // Inside a batch or a setting of many the values are read again at its end, whichever
    // node changed: no set of the inspected nodes is needed for an edit of many of them.
    if (m_inspectedSettings == 0 && !(m_outlineModel && m_outlineModel->isInEditBatch())) {
        if (!m_inspectedSetMade) {
            m_inspectedSet.reserve(m_inspectedNodes.size());
            for (const NodePtr &inspected : std::as_const(m_inspectedNodes))
                m_inspectedSet.insert(inspected.get());
            m_inspectedSetMade = true;
        }
        if (!m_inspectedSet.contains(&node))
            return;
    }
    inspectedValuesChanged({key});
}

void MyDocument::inspectedValuesMayHaveChanged()
{
    if (!m_inspectedNodes.isEmpty())
        inspectedValuesChanged({QStringLiteral("colorLabel"), QStringLiteral("descript")});
}

void MyDocument::inspectedValuesChanged(const QStringList &nodeKeys)
{
    if (m_inspectedSettings > 0 || (m_outlineModel && m_outlineModel->isInEditBatch())) {
        for (const QString &key : nodeKeys)
            if (!m_pendingInspectedKeys.contains(key))
                m_pendingInspectedKeys.append(key);
        return;
    }
    for (const QString &key : nodeKeys)
        willChangeValueForKey(inspectedKeyOf(key));
    for (const QString &key : nodeKeys)
        didChangeValueForKey(inspectedKeyOf(key));
}

void MyDocument::tellPendingInspectedValues()
{
    if (m_inspectedSettings > 0 || (m_outlineModel && m_outlineModel->isInEditBatch()))
        return;
    if (const QStringList keys = std::exchange(m_pendingInspectedKeys, {}); !keys.isEmpty())
        inspectedValuesChanged(keys);
}

void MyDocument::setInspectedValues(const QVariant &value, const QString &nodeKey)
{
    ++m_inspectedSettings;
    const auto settled = qScopeGuard([this] {
        --m_inspectedSettings;
        tellPendingInspectedValues();
    });
    // A copy: a node's change may change the selection.
    const QList<NodePtr> nodes = m_inspectedNodes;
    // Only into the document: a node that left the tree (deleted, undone) takes no
    // value, which no undo step, edited mark or save would ever see.
    for (const NodePtr &node : nodes)
        if (node->documentRoot() == m_jobList.get())
            node->setValueForKey(value, nodeKey);
}

const platform::KeyTable &MyDocument::keyTable() const
{
    static const platform::KeyTable table{
        {QStringLiteral("selectedNodeWorkTime"),
         {[](const KeyValueObservable &o) {
              const QString text = static_cast<const MyDocument &>(o).selectedNodeWorkTime();
              return text.isNull() ? QVariant() : QVariant(text);
          },
          {}}},
        {QStringLiteral("selectedNodeWage"),
         {[](const KeyValueObservable &o) {
              const QString text = static_cast<const MyDocument &>(o).selectedNodeWage();
              return text.isNull() ? QVariant() : QVariant(text);
          },
          {}}},
        {QStringLiteral("inspectedColorLabels"),
         {[](const KeyValueObservable &o) {
              return QVariant(static_cast<const MyDocument &>(o).inspectedValues(QStringLiteral("colorLabel")));
          },
          [](KeyValueObservable &o, const QVariant &value) {
              static_cast<MyDocument &>(o).setInspectedValues(value, QStringLiteral("colorLabel"));
          }}},
        {QStringLiteral("inspectedDescripts"),
         {[](const KeyValueObservable &o) {
              return QVariant(static_cast<const MyDocument &>(o).inspectedValues(QStringLiteral("descript")));
          },
          [](KeyValueObservable &o, const QVariant &value) {
              static_cast<MyDocument &>(o).setInspectedValues(value, QStringLiteral("descript"));
          }}},
        {QStringLiteral("inspectedObjectsNotEmpty"),
         {[](const KeyValueObservable &o) { return QVariant(static_cast<const MyDocument &>(o).inspectedObjectsNotEmpty()); },
          {}}},
    };
    return table;
}
